# Warnings are errors in our own code; generated sources get narrow exemptions
# where they are added (see engine/CMakeLists.txt).
function(tessaly_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror)
  # GCC 12 reports false overlaps inside std::string's own concatenation at
  # -O3 (its bug 105329); later releases do not.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
endfunction()
