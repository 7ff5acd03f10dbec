# Warnings are errors in our own code; generated sources get narrow exemptions
# where they are added (see engine/parser).
function(tessaly_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror)
endfunction()
