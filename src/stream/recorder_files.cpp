#include "stream/recorder_files.h"

#include "platform/fd_io.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace kesto {

namespace {

void putLe(std::vector<std::uint8_t>& out, std::size_t at, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

// Size of our own regular temp file `path`, or nothing when there is none.
std::optional<std::uint64_t> ownFileSize(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid())
        return std::nullopt;
    return static_cast<std::uint64_t>(st.st_size);
}

// Appends `size` bytes of `path` to `out`; the file is opened without
// following a link, so what is read is the file we wrote.
bool appendFile(int out, const std::string& path, std::uint64_t size) {
    const int in = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (in < 0)
        return false;
    std::vector<std::uint8_t> chunk(1 << 20);
    bool ok = true;
    while (ok && size > 0) {
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(size, chunk.size()));
        const ssize_t n = ::read(in, chunk.data(), want);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        ok = writeAll(out, chunk.data(), static_cast<std::size_t>(n));
        size -= static_cast<std::uint64_t>(n);
    }
    ::close(in);
    return ok;
}

} // namespace

std::string tempFilePath(const std::string& folder, int n) {
    return folder + "kesto" + std::to_string(n) + ".pcm";
}

int createTempFile(const std::string& path, TempFileError& error) {
    error = TempFileError::None;
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        if (st.st_uid != ::geteuid()) {
            error = TempFileError::TakenByOther;
            return -1;
        }
        // Ours (a file of an earlier run, or our own link): unlinking removes
        // the name only, never what a link points at.
        if (S_ISDIR(st.st_mode) || (::unlink(path.c_str()) != 0 && errno != ENOENT)) {
            error = TempFileError::CannotCreate;
            return -1;
        }
    }
    // O_EXCL with O_NOFOLLOW: a name planted again since the unlink is refused.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        error = errno == EEXIST ? TempFileError::TakenByOther : TempFileError::CannotCreate;
    return fd;
}

void DeleteTempFiles(const std::string& folder) {
    for (int n = 0; n < kTempFileCount; ++n) {
        const std::string path = tempFilePath(folder, n);
        struct stat st {};
        if (::lstat(path.c_str(), &st) == 0 && st.st_uid == ::geteuid() && !S_ISDIR(st.st_mode))
            ::unlink(path.c_str());
    }
}

std::vector<std::uint8_t> WriteWavHeader(const WavFormat& format) {
    std::vector<std::uint8_t> h(kWavHeaderBytes, 0);
    std::memcpy(h.data(), "RIFF", 4);
    putLe(h, 4, 36, 4);
    std::memcpy(h.data() + 8, "WAVEfmt ", 8);
    putLe(h, 16, 16, 4);
    putLe(h, 20, 1, 2);
    putLe(h, 22, format.channels, 2);
    putLe(h, 24, format.rate, 4);
    putLe(h, 28, format.bytesPerSecond(), 4);
    putLe(h, 32, format.blockAlign(), 2);
    putLe(h, 34, format.bitsPerSample, 2);
    std::memcpy(h.data() + 36, "data", 4);
    putLe(h, 40, 0, 4);
    return h;
}

bool FixWavSizes(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && static_cast<std::uint64_t>(st.st_size) >= kWavHeaderBytes &&
              static_cast<std::uint64_t>(st.st_size) - kWavHeaderBytes <= kWavDataLimit;
    if (ok) {
        std::vector<std::uint8_t> field(4);
        const auto size = static_cast<std::uint64_t>(st.st_size);
        putLe(field, 0, size - 8, 4);
        ok = writeAllAt(fd, field.data(), 4, 4);
        putLe(field, 0, size - kWavHeaderBytes, 4);
        ok = ok && writeAllAt(fd, field.data(), 4, 40);
    }
    return ::close(fd) == 0 && ok;
}

std::vector<int> assemblyOrder(int lastRing) {
    std::vector<int> order;
    for (int i = 1; i <= 4; ++i)
        order.push_back((lastRing + i - 1) % 4 + 1);
    order.push_back(0);
    return order;
}

bool assembleWav(const std::string& folder, const std::vector<int>& files, const WavFormat& format,
                 const std::string& target, std::uint64_t dataLimit) {
    struct Part {
        std::string path;
        std::uint64_t size;
    };
    std::vector<Part> parts;
    std::uint64_t total = 0;
    const std::uint64_t align = std::max<std::uint16_t>(format.blockAlign(), 1);
    for (int n : files) {
        const std::string path = tempFilePath(folder, n);
        // A write the disk cut short may end inside a frame.
        if (const auto size = ownFileSize(path)) {
            parts.push_back({path, *size - *size % align});
            total += parts.back().size;
        }
    }
    // Too much for one WAV: the oldest audio goes, the recording proper stays.
    while (total > dataLimit && parts.size() > 1) {
        total -= parts.front().size;
        parts.erase(parts.begin());
    }
    const int out = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (out < 0)
        return false;
    const std::vector<std::uint8_t> header = WriteWavHeader(format);
    bool ok = writeAll(out, header.data(), header.size());
    for (const Part& part : parts) {
        if (!ok)
            break;
        ok = appendFile(out, part.path, std::min(part.size, dataLimit));
    }
    ok = ::close(out) == 0 && ok;
    return ok && FixWavSizes(target);
}

std::optional<std::uint64_t> freeBytesOf(const std::string& folder) {
    // The folder is a prefix: the files live in the folder of its last "/".
    const std::string probe = tempFilePath(folder, 0);
    const std::size_t slash = probe.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : probe.substr(0, slash + 1);
    struct statvfs vfs {};
    if (::statvfs(dir.c_str(), &vfs) != 0)
        return std::nullopt;
    return static_cast<std::uint64_t>(vfs.f_bavail) * vfs.f_frsize;
}

} // namespace kesto
