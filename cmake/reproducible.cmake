# The same sources give the same bytes, in any folder and at any time: file
# names that the compiler records (debug information, __FILE__) are relative
# to the source tree, and the linker writes no time stamp.
add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}/=)
if(WIN32)
  add_link_options(-Wl,--no-insert-timestamp)
endif()
