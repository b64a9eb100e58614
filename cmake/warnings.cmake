# Warnings are errors everywhere; a warning left alone hides the next one.
function(kesto_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror
        -Wnon-virtual-dtor -Wcast-align -Wnull-dereference -Wimplicit-fallthrough)
endfunction()
