# cmake -DFILE=lib.so -P RunpathOrigin.cmake: the copy of a library in the package looks for its
# neighbours beside itself, and never in the build tree it was linked in.
file(RPATH_SET FILE "${FILE}" NEW_RPATH "$ORIGIN")
