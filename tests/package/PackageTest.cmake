# Installs the built library into a fresh prefix, then builds and runs consumers (C++, C, C#)
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

# The installed tools start from the prefix alone (a relative RPATH), whatever the prefix is:
# no LD_LIBRARY_PATH, no ldconfig.
execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=LD_LIBRARY_PATH ${PREFIX}/bin/tscore --version
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0 OR NOT out MATCHES "TSCore C\\+\\+ Library v1\\.1\\.1")
  message(FATAL_ERROR "installed tscore --version failed (${rc}): ${out}${err}")
endif()
# The service is absent here (exit 3) unless another test started one (exit 0).
execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=LD_LIBRARY_PATH ${PREFIX}/bin/tscore list
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT (rc EQUAL 0 OR rc EQUAL 3) OR NOT out MATCHES "Connection service: ")
  message(FATAL_ERROR "installed tscore list failed (${rc}): ${out}${err}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=LD_LIBRARY_PATH ${PREFIX}/bin/tesslink-sim --help
  RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "installed tesslink-sim --help failed (${rc}): ${err}")
endif()

# No installed header may pull in Boost or OpenXR, nor the retargeting library's dependencies:
# applications compile without them.
file(GLOB_RECURSE headers ${PREFIX}/include/TSCore/*.h)
list(LENGTH headers nheaders)
if(nheaders EQUAL 0)
  message(FATAL_ERROR "no headers were installed")
endif()
foreach(h IN LISTS headers)
  file(STRINGS ${h} hits REGEX "#[ \t]*include[ \t]*[<\"](boost|openxr|kdl|Eigen|urdf[a-z_]*|yaml-cpp|nlopt)[/.]")
  if(hits)
    message(FATAL_ERROR "installed header ${h} includes a third-party header: ${hits}")
  endif()
endforeach()
# The retargeting library is installed when it was built (its dependencies were there).
file(GLOB retargetLibs ${PREFIX}/lib*/libTSCoreRetarget.so)
if(retargetLibs)
  set(WITH_RETARGET ON)
else()
  set(WITH_RETARGET OFF)
endif()

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

# The README's retargeting example, when the package has the library.
if(WITH_RETARGET)
  string(FIND "${readme}" "## Robot hands: retargeting" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "README.md has no retargeting section")
  endif()
  string(SUBSTRING "${readme}" ${at} -1 retarget)
  string(REGEX MATCH "```cpp\n([^`]*)```" _ "${retarget}")
  file(WRITE ${WORK_DIR}/retarget_example.cpp "${CMAKE_MATCH_1}")
endif()

# find_package consumer: the README examples and the examples/ programs.
run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/tests/package/consumer -B ${WORK_DIR}/consumer -G ${GENERATOR}
    -DCMAKE_PREFIX_PATH=${PREFIX} -DCMAKE_CXX_COMPILER=${CXX}
    "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${LINK_FLAGS}"
    -DTSCORE_EXAMPLES_DIR=${SOURCE_DIR}/examples -DREADME_EXAMPLE=${WORK_DIR}/readme_example.cpp
    -DWITH_RETARGET=${WITH_RETARGET} -DRETARGET_EXAMPLE=${WORK_DIR}/retarget_example.cpp)
run(${CMAKE_COMMAND} --build ${WORK_DIR}/consumer)
if(WITH_RETARGET)
  run(${WORK_DIR}/consumer/retarget_example ${SOURCE_DIR}/retarget/tests/data/five_digit_hand.yaml)
  if(NOT RUN_OUTPUT MATCHES "^thumb_spread [-0-9.e]+\n" OR NOT RUN_OUTPUT MATCHES "\npinky_dip [-0-9.e]+\n$")
    message(FATAL_ERROR "the README's retargeting example printed: ${RUN_OUTPUT}")
  endif()
endif()
run(${WORK_DIR}/consumer/consumer)
message(STATUS "consumer printed: ${RUN_OUTPUT}")
if(NOT RUN_OUTPUT MATCHES "TSCore C\\+\\+ Library v1\\.1\\.1")
  message(FATAL_ERROR "consumer did not print the library version")
endif()
run(${WORK_DIR}/consumer/readme_example)
message(STATUS "README example printed: ${RUN_OUTPUT}")

# The calibration example against the installed simulator: a glove held in a fist moves no
# finger, and the example must refuse to save a profile that would turn every pose into NaN.
execute_process(
  COMMAND ${PREFIX}/bin/tesslink-sim --kelvo left --motion fist --seconds 7
  COMMAND sh -c "sleep 0.5 && exec \"$0\" \"$1\"" ${WORK_DIR}/consumer/examples/calibrate_profile
          ${WORK_DIR}/still.profile
  RESULTS_VARIABLE codes OUTPUT_VARIABLE out ERROR_VARIABLE err)
list(GET codes 1 code)
if(NOT code EQUAL 1 OR NOT err MATCHES "did not move enough: Thumb, Index, Middle, Ring, Pinky" OR
   EXISTS ${WORK_DIR}/still.profile)
  message(FATAL_ERROR "calibrate_profile saved the calibration of a glove that did not move (${codes}): ${out}${err}")
endif()

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

# add_subdirectory consumer: TSCore built as part of another project, with nothing but the library.
run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/tests/package/subproject -B ${WORK_DIR}/subproject -G ${GENERATOR}
    -DTSCORE_SOURCE_DIR=${SOURCE_DIR} -DCMAKE_CXX_COMPILER=${CXX}
    "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${LINK_FLAGS}" "-DCMAKE_SHARED_LINKER_FLAGS=${LINK_FLAGS}")
run(${CMAKE_COMMAND} --build ${WORK_DIR}/subproject --target consumer)
run(${WORK_DIR}/subproject/consumer)
message(STATUS "subproject consumer printed: ${RUN_OUTPUT}")
# The parent installs nothing of TSCore's unless it sets TSCORE_INSTALL.
run(${CMAKE_COMMAND} --install ${WORK_DIR}/subproject --prefix ${WORK_DIR}/subproject-prefix)
file(GLOB_RECURSE installed ${WORK_DIR}/subproject-prefix/*)
if(installed)
  message(FATAL_ERROR "TSCore as a subproject installed files: ${installed}")
endif()

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

# The C interface: only its own functions exported, against the list kept with the sources.
file(GLOB installedCLibs ${PREFIX}/lib*/libtscore_c.so.*.*.*)
if(NOT installedCLibs)
  message(FATAL_ERROR "libtscore_c was not installed")
endif()
list(GET installedCLibs 0 installedCLib)
run(${NM} -D --defined-only ${installedCLib})
string(REGEX MATCHALL "[ABDGRSTViuW] [^ \n]+" exported "${RUN_OUTPUT}")
list(TRANSFORM exported REPLACE "^. " "")
list(SORT exported)
file(STRINGS ${SOURCE_DIR}/tests/package/c-exported-symbols.txt expected)
if(NOT exported STREQUAL expected)
  set(added ${exported})
  list(REMOVE_ITEM added ${expected})
  set(removed ${expected})
  list(REMOVE_ITEM removed ${exported})
  string(REPLACE ";" "\n  " added "${added}")
  string(REPLACE ";" "\n  " removed "${removed}")
  message(FATAL_ERROR "libtscore_c's exported symbols differ from tests/package/c-exported-symbols.txt (a change of "
    "the C interface: raise TSCORE_C_ABI_VERSION when one went away or changed)\nadded:\n  ${added}\nremoved:\n  ${removed}")
endif()

# The README's C example is c/examples/glove_pose.c, built as the README says: C99 with every
# warning, through pkg-config, against the installed prefix, and run without a service.
# The first code blocks of a README section, by language.
function(readme_block heading language out)
  string(FIND "${readme}" "\n## ${heading}\n" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "README.md has no section ${heading}")
  endif()
  string(SUBSTRING "${readme}" ${at} -1 section)
  string(REGEX MATCH "```${language}\n([^`]*)```" _ "${section}")
  set(${out} "${CMAKE_MATCH_1}" PARENT_SCOPE)
endfunction()
readme_block("C" "sh" ccommand)
readme_block("C" "c" cexample)
file(READ ${SOURCE_DIR}/c/examples/glove_pose.c example)
if(NOT cexample STREQUAL example)
  message(FATAL_ERROR "README.md's C example is not c/examples/glove_pose.c as it stands")
endif()
string(STRIP "${ccommand}" ccommand)
string(REPLACE "/opt/tscore" "${PREFIX}" ccommand "${ccommand}")
set(ENV{PKG_CONFIG_PATH} ${pcdir})
file(COPY ${SOURCE_DIR}/c/examples/glove_pose.c DESTINATION ${WORK_DIR}/c)
# A sanitized library needs its runtime in the program too.
set(csanitizers "")
if(CXX_FLAGS MATCHES "-fsanitize")
  set(csanitizers "${CXX_FLAGS}")
endif()
execute_process(COMMAND sh -c "${ccommand} -Wall -Wextra -Werror -pedantic ${csanitizers}" WORKING_DIRECTORY ${WORK_DIR}/c
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the README's C build command failed (${rc}): ${ccommand}\n${out}${err}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=LD_LIBRARY_PATH ${WORK_DIR}/c/glove_pose
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0 OR NOT out MATCHES "^(No glove: |thumb )")
  message(FATAL_ERROR "the installed C example failed (${rc}): ${out}${err}")
endif()
message(STATUS "C example printed: ${out}")

# The C# assembly and the Unity package, where Mono built them: the README's Mono commands run
# against the installed prefix, and the package's native library finds the library beside it.
# Mono cannot load a sanitized library (csharp/ skips its tests there too).
if(EXISTS ${PREFIX}/lib/mono/tscore/TSCore.dll AND NOT CXX_FLAGS MATCHES "-fsanitize")
  readme_block("C#" "csharp" hello)
  readme_block("C#" "sh" monocommands)
  file(WRITE ${WORK_DIR}/csharp/hello.cs "${hello}")
  string(REPLACE "/opt/tscore" "${PREFIX}" monocommands "${monocommands}")
  execute_process(COMMAND sh -ec "${monocommands}" WORKING_DIRECTORY ${WORK_DIR}/csharp
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0 OR NOT out MATCHES "^TSCore C\\+\\+ Library v1\\.1\\.1\n")
    message(FATAL_ERROR "the README's C# commands failed (${rc}): ${monocommands}\n${out}${err}")
  endif()
  message(STATUS "C# example printed: ${out}")
  set(unity ${PREFIX}/share/tscore/unity/com.tscore.gloves)
  foreach(file package.json Runtime/TSCore.Runtime.asmdef Runtime/Gloves.cs Plugins/Linux/x86_64/libtscore_c.so)
    if(NOT EXISTS ${unity}/${file})
      message(FATAL_ERROR "the installed Unity package has no ${file}")
    endif()
  endforeach()
  run(ldd ${unity}/Plugins/Linux/x86_64/libtscore_c.so)
  if(RUN_OUTPUT MATCHES "not found" OR NOT RUN_OUTPUT MATCHES "${unity}/Plugins/Linux/x86_64/libTSCore")
    message(FATAL_ERROR "the Unity package's libtscore_c does not find the libTSCore beside it:\n${RUN_OUTPUT}")
  endif()
endif()
