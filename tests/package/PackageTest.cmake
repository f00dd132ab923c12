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

# No installed header may pull in Boost: applications compile without it.
file(GLOB_RECURSE headers ${PREFIX}/include/TSCore/*.h)
list(LENGTH headers nheaders)
if(nheaders EQUAL 0)
  message(FATAL_ERROR "no headers were installed")
endif()
foreach(h IN LISTS headers)
  file(STRINGS ${h} hits REGEX "#[ \t]*include[ \t]*[<\"]boost/")
  if(hits)
    message(FATAL_ERROR "installed header ${h} includes Boost: ${hits}")
  endif()
endforeach()

# The exported interface: every symbol of namespace TSCore that the installed library exports,
# against the list kept with the sources. A difference is an ABI change: review it, then update
# the list (and SOVERSION, when a symbol an application could use went away or changed).
file(GLOB installedLibs ${PREFIX}/lib*/libTSCore.so.*.*.*)
list(GET installedLibs 0 installedLib)
run(${NM} -D --defined-only ${installedLib})
# The library's own names only: instantiations of standard templates over its types, and its
# inline functions (weak, "W"), are copies an application makes for itself; which of them the
# library happens to emit varies with the compiler and the optimisation level.
string(REGEX MATCHALL "[ABDGRSTViu] _Z(N|NK|TVN|TIN|TSN)6TSCore[^ \n]*" exported "${RUN_OUTPUT}")
list(TRANSFORM exported REPLACE "^. " "")
list(SORT exported)
list(REMOVE_DUPLICATES exported)
file(STRINGS ${SOURCE_DIR}/tests/package/exported-symbols.txt expected)
set(added ${exported})
list(REMOVE_ITEM added ${expected})
set(removed ${expected})
list(REMOVE_ITEM removed ${exported})
if(added OR removed)
  string(REPLACE ";" "\n  " added "${added}")
  string(REPLACE ";" "\n  " removed "${removed}")
  message(FATAL_ERROR "exported symbols differ from tests/package/exported-symbols.txt\n"
    "added:\n  ${added}\nremoved:\n  ${removed}")
endif()

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
run(${CMAKE_COMMAND} -E env LD_LIBRARY_PATH=${CMAKE_MATCH_1} ${WORK_DIR}/pc-consumer)
message(STATUS "pkg-config consumer printed: ${RUN_OUTPUT}")

# add_subdirectory consumer: TSCore built as part of another project, with nothing but the library.
run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/tests/package/subproject -B ${WORK_DIR}/subproject -G ${GENERATOR}
    -DTSCORE_SOURCE_DIR=${SOURCE_DIR} -DCMAKE_CXX_COMPILER=${CXX}
    "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${LINK_FLAGS}" "-DCMAKE_SHARED_LINKER_FLAGS=${LINK_FLAGS}")
run(${CMAKE_COMMAND} --build ${WORK_DIR}/subproject --target consumer)
run(${WORK_DIR}/subproject/consumer)
message(STATUS "subproject consumer printed: ${RUN_OUTPUT}")
