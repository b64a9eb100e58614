# Warnings are errors everywhere; a warning left alone hides the next one.
# -Wrestrict is off: GCC 12 reports std::string concatenations at -O3 that
# cannot overlap (a known false positive of that release).
function(kesto_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror
        -Wnon-virtual-dtor -Wcast-align -Wnull-dereference -Wimplicit-fallthrough
        $<$<CXX_COMPILER_ID:GNU>:-Wno-restrict>)
endfunction()
