#include "platform/fd_io.h"

#include <cerrno>
#include <unistd.h>

namespace kesto {

namespace {

// Calls `writeSome(bytes, count, done)` until all is written; `done` counts
// what went before, for a positioned write.
template <typename WriteSome>
bool writeWhole(const void* data, std::size_t size, WriteSome writeSome) {
    const auto* p = static_cast<const unsigned char*>(data);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = writeSome(p + done, size - done, done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

bool writeAll(int fd, const void* data, std::size_t size) {
    return writeWhole(data, size, [fd](const unsigned char* p, std::size_t n, std::size_t) {
        return ::write(fd, p, n);
    });
}

bool writeAllAt(int fd, const void* data, std::size_t size, std::int64_t offset) {
    return writeWhole(
        data, size, [fd, offset](const unsigned char* p, std::size_t n, std::size_t done) {
            return ::pwrite(fd, p, n, static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
        });
}

} // namespace kesto
