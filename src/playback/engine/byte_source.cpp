#include "playback/engine/byte_source.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kesto {

std::unique_ptr<FileSource> FileSource::open(const std::string& path, AudioError& error) {
    // O_NONBLOCK keeps open() from waiting on a FIFO without a writer; the
    // regular-file check below refuses it anyway.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        error = AudioError::FileOpen;
        return nullptr;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        error = AudioError::FileOpen;
        return nullptr;
    }
    int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    error = AudioError::Ok;
    return std::unique_ptr<FileSource>(new FileSource(fd, static_cast<std::int64_t>(st.st_size)));
}

FileSource::~FileSource() {
    ::close(fd_);
}

std::int64_t FileSource::read(void* buffer, std::size_t size) {
    for (;;) {
        ssize_t n = ::read(fd_, buffer, size);
        if (n >= 0) {
            offset_ += n;
            return n;
        }
        if (errno != EINTR)
            return -1;
    }
}

std::int64_t FileSource::seek(std::int64_t offset, int whence) {
    off_t r = ::lseek(fd_, static_cast<off_t>(offset), whence);
    if (r < 0)
        return -1;
    offset_ = r;
    return r;
}

std::int64_t MemorySource::read(void* buffer, std::size_t size) {
    std::int64_t left = this->size() - offset_;
    if (left <= 0)
        return 0;
    auto n =
        static_cast<std::size_t>(std::min<std::int64_t>(left, static_cast<std::int64_t>(size)));
    std::memcpy(buffer, bytes_.data() + offset_, n);
    offset_ += static_cast<std::int64_t>(n);
    return static_cast<std::int64_t>(n);
}

std::int64_t MemorySource::seek(std::int64_t offset, int whence) {
    std::int64_t base = whence == SEEK_CUR ? offset_ : whence == SEEK_END ? size() : 0;
    if (offset > 0 && base > INT64_MAX - offset)
        return -1;
    std::int64_t target = base + offset;
    if (target < 0)
        return -1;
    offset_ = target;
    return target;
}

std::size_t readFully(ByteSource& source, void* buffer, std::size_t size) {
    auto* out = static_cast<unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < size) {
        std::int64_t n = source.read(out + done, size - done);
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

} // namespace kesto
