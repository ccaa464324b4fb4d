# Warnings are errors in our own code; third-party headers come in as SYSTEM.
function(qor_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror
    -Wno-unused-parameter -Wno-missing-field-initializers)
endfunction()
