#pragma once

// The one entry point every fuzz target defines; a target checks what must
// hold for any input and aborts when it does not, so the fuzzer reports it.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#define KESTO_FUZZ_CHECK(condition)                                                                \
    do {                                                                                           \
        if (!(condition))                                                                          \
            std::abort();                                                                          \
    } while (false)

namespace kesto::fuzz {
inline std::string_view bytesOf(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}
} // namespace kesto::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
