#pragma once

// Whole writes to a file descriptor: write(2) may write less than it was
// given and a signal may interrupt it, so every writer of a file loops alike.

#include <cstddef>
#include <cstdint>

namespace kesto {

// Writes all `size` bytes at the descriptor's offset; false on any failure.
bool writeAll(int fd, const void* data, std::size_t size);

// Writes all `size` bytes at `offset`, leaving the descriptor's offset alone.
bool writeAllAt(int fd, const void* data, std::size_t size, std::int64_t offset);

} // namespace kesto
