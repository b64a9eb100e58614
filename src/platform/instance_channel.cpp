#include "platform/instance_channel.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace kesto {

namespace {

std::string runtimeDir() {
    if (const char* r = std::getenv("XDG_RUNTIME_DIR"); r && *r)
        return r;
    // Without a session runtime folder, make a private one of our own.
    const std::string dir = "/tmp/kesto-" + std::to_string(::getuid());
    ::mkdir(dir.c_str(), 0700);
    return dir;
}

std::string hexHash(const std::string& s) {
    // FNV-1a, 64 bit: stable across runs and builds, unlike std::hash.
    std::uint64_t h = 1469598103934665603ULL;
    for (unsigned char c : s) {
        h ^= c;
        h *= 1099511628211ULL;
    }
    char buf[17];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(h));
    return buf;
}

using Clock = std::chrono::steady_clock;

int remainingMs(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

bool waitFor(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        pollfd p{fd, events, 0};
        const int r = ::poll(&p, 1, remainingMs(deadline));
        if (r > 0)
            return true;
        if (r == 0 || errno != EINTR)
            return false;
    }
}

} // namespace

InstanceEndpoints instanceEndpoints(const std::string& programFolder) {
    const std::string base = runtimeDir() + "/kesto-" + hexHash(programFolder);
    return {base + ".lock", base + ".sock"};
}

InstanceLock::InstanceLock(std::string lockPath) : path_(std::move(lockPath)) {}

InstanceLock::~InstanceLock() {
    release();
}

bool InstanceLock::tryAcquire() {
    if (held())
        return true;
    if (fd_ < 0)
        fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0)
        return true; // without a lock file we cannot know; be the player rather than nothing
    held_ = ::flock(fd_, LOCK_EX | LOCK_NB) == 0;
    return held_;
}

void InstanceLock::release() {
    if (fd_ >= 0) {
        if (held_)
            ::flock(fd_, LOCK_UN);
        ::close(fd_);
    }
    fd_ = -1;
    held_ = false;
}

bool sendInstanceRequest(const std::string& socketPath, InstanceRequest request,
                         std::string_view argument, int timeoutMs) {
    if (argument.size() > kInstanceMaxPayload)
        argument = argument.substr(0, kInstanceMaxPayload);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (socketPath.size() >= sizeof addr.sun_path)
        return false;
    std::memcpy(addr.sun_path, socketPath.c_str(), socketPath.size() + 1);

    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0)
        return false;

    std::string frame;
    frame.reserve(kInstanceHeaderSize + argument.size());
    frame += static_cast<char>(request);
    const auto n = static_cast<std::uint32_t>(argument.size());
    for (int i = 0; i < 4; ++i)
        frame += static_cast<char>((n >> (8 * i)) & 0xff);
    frame.append(argument);

    std::string_view rest = frame;
    while (!rest.empty()) {
        if (!waitFor(fd, POLLOUT, deadline))
            return false;
        const ssize_t w = ::send(fd, rest.data(), rest.size(), MSG_NOSIGNAL);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return false;
        rest.remove_prefix(static_cast<std::size_t>(w));
    }
    char ack = 0;
    while (waitFor(fd, POLLIN, deadline)) {
        const ssize_t r = ::recv(fd, &ack, 1, 0);
        if (r < 0 && errno == EINTR)
            continue;
        return r == 1 && ack == kInstanceAck;
    }
    return false;
}

} // namespace kesto
