# Helpers every CMakeLists.txt of the project uses.

# What every build of the library's sources takes: the shared library itself and its static
# copies (the internal units, the benchmark's and the fuzz targets' whole copies). A copy passes
# the settings on (scope PUBLIC) to what links it, so that internal headers and hidden entry
# points can be reached; the shared library keeps them PRIVATE.
function(tscore_library_settings target scope)
  set_target_properties(${target} PROPERTIES
    POSITION_INDEPENDENT_CODE ON
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON
    CXX_EXTENSIONS OFF)
  target_compile_definitions(${target} ${scope} TSCORE_BUILDING)
  target_compile_features(${target} PUBLIC cxx_std_17)
  target_include_directories(${target} ${scope} ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${target} ${scope} Boost::headers Threads::Threads $<$<BOOL:${TSCORE_LIBRT}>:${TSCORE_LIBRT}>
    PRIVATE tscore_version tscore_warnings)
endfunction()

# tscore_add_library_copy(<name>): a static library of all the library's sources with the
# library's settings, for a target that measures or fuzzes what the shared library hides.
# Options such as instrumentation are the caller's to add.
function(tscore_add_library_copy name)
  add_library(${name} STATIC ${TSCORE_SOURCES} ${TSCORE_INTERNAL_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/include)
  tscore_library_settings(${name} PUBLIC)
endfunction()

# tscore_skip(<part> <why>): the one way a part that cannot be built here says so, with what
# to install or set instead. The caller then leaves the part out (return()).
function(tscore_skip part why)
  message(STATUS "${part}: skipped, ${why}")
endfunction()
