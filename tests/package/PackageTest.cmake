# Installs the built library into a fresh prefix, then builds and runs consumers
# against the installed files only: with find_package(TSCore) and with pkg-config.
cmake_minimum_required(VERSION 3.25)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "command failed (${rc}): ${ARGN}\n${out}\n${err}")
  endif()
  set(RUN_OUTPUT "${out}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE ${WORK_DIR})
set(PREFIX ${WORK_DIR}/prefix)
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX})

# No installed header may pull in Boost or OpenXR: applications compile without them.
file(GLOB_RECURSE headers ${PREFIX}/include/TSCore/*.h)
list(LENGTH headers nheaders)
if(nheaders EQUAL 0)
  message(FATAL_ERROR "no headers were installed")
endif()
foreach(h IN LISTS headers)
  file(STRINGS ${h} hits REGEX "#[ \t]*include[ \t]*[<\"](boost|openxr)/")
  if(hits)
    message(FATAL_ERROR "installed header ${h} includes Boost or OpenXR: ${hits}")
  endif()
endforeach()

# The README's usage example, compiled verbatim so the two never drift apart.
file(READ ${SOURCE_DIR}/README.md readme)
string(REGEX MATCH "## Using the library[^`]*```cpp\n([^`]*)```" _ "${readme}")
if(NOT CMAKE_MATCH_1)
  message(FATAL_ERROR "README.md has no C++ example under 'Using the library'")
endif()
file(MAKE_DIRECTORY ${WORK_DIR})
file(WRITE ${WORK_DIR}/readme_example.cpp "${CMAKE_MATCH_1}")

# find_package consumer: the README example and the examples/ programs.
run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/tests/package/consumer -B ${WORK_DIR}/consumer -G ${GENERATOR}
    -DCMAKE_PREFIX_PATH=${PREFIX} -DCMAKE_CXX_COMPILER=${CXX}
    "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${LINK_FLAGS}"
    -DTSCORE_EXAMPLES_DIR=${SOURCE_DIR}/examples -DREADME_EXAMPLE=${WORK_DIR}/readme_example.cpp)
run(${CMAKE_COMMAND} --build ${WORK_DIR}/consumer)
run(${WORK_DIR}/consumer/consumer)
message(STATUS "consumer printed: ${RUN_OUTPUT}")
if(NOT RUN_OUTPUT MATCHES "TSCore C\\+\\+ Library v1\\.1\\.1")
  message(FATAL_ERROR "consumer did not print the library version")
endif()
run(${WORK_DIR}/consumer/readme_example)
message(STATUS "README example printed: ${RUN_OUTPUT}")

# pkg-config consumer.
file(GLOB_RECURSE pcfiles ${PREFIX}/*/tscore.pc)
list(GET pcfiles 0 pcfile)
get_filename_component(pcdir ${pcfile} DIRECTORY)
set(ENV{PKG_CONFIG_PATH} ${pcdir})
run(pkg-config --cflags --libs tscore)
string(STRIP "${RUN_OUTPUT}" pcflags)
separate_arguments(pcflags UNIX_COMMAND "${pcflags}")
separate_arguments(cxxflags UNIX_COMMAND "${CXX_FLAGS}")
run(${CXX} -std=c++17 ${cxxflags} ${SOURCE_DIR}/tests/package/consumer/main.cpp -o ${WORK_DIR}/pc-consumer ${pcflags}
    -Wl,-rpath,${PREFIX}/lib)
string(REGEX MATCH "-L([^ ;]+)" _ "${pcflags}")
set(pclibdir ${CMAKE_MATCH_1})
run(${CMAKE_COMMAND} -E env LD_LIBRARY_PATH=${pclibdir} ${WORK_DIR}/pc-consumer)
message(STATUS "pkg-config consumer printed: ${RUN_OUTPUT}")

# The README's OpenXR converter example, built the same way.
string(FIND "${readme}" "### The converter, in your own code" at)
if(at EQUAL -1)
  message(FATAL_ERROR "README.md has no OpenXR converter example")
endif()
string(SUBSTRING "${readme}" ${at} -1 converter)
string(REGEX MATCH "```cpp\n([^`]*)```" _ "${converter}")
file(WRITE ${WORK_DIR}/openxr_example.cpp "${CMAKE_MATCH_1}")
run(${CXX} -std=c++17 ${cxxflags} ${WORK_DIR}/openxr_example.cpp -o ${WORK_DIR}/openxr-example ${pcflags}
    -Wl,-rpath,${PREFIX}/lib)
run(${CMAKE_COMMAND} -E env LD_LIBRARY_PATH=${pclibdir} ${WORK_DIR}/openxr-example)

# The OpenXR layer's installed manifest names the installed layer, which finds the library
# in its own prefix.
file(GLOB manifests ${PREFIX}/share/openxr/1/api_layers/explicit.d/*.json)
foreach(manifest IN LISTS manifests)
  file(READ ${manifest} text)
  string(JSON library GET "${text}" api_layer library_path)
  get_filename_component(dir ${manifest} DIRECTORY)
  get_filename_component(library ${library} ABSOLUTE BASE_DIR ${dir})
  if(NOT EXISTS ${library})
    message(FATAL_ERROR "${manifest} names ${library}, which is not installed")
  endif()
  run(ldd ${library})
  if(RUN_OUTPUT MATCHES "not found" OR NOT RUN_OUTPUT MATCHES "${PREFIX}/[^ ]*libTSCore")
    message(FATAL_ERROR "the installed layer does not find the installed library:\n${RUN_OUTPUT}")
  endif()
endforeach()
