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

// How often a waiting sender asks whether to go on waiting.
constexpr int kAskEveryMs = 50;

bool waitFor(int fd, short events, const std::function<bool()>& keepWaiting) {
    for (;;) {
        pollfd p{fd, events, 0};
        const int r = ::poll(&p, 1, kAskEveryMs);
        if (r > 0)
            return true; // ready, or hung up: the next read or write tells
        if (r < 0 && errno != EINTR)
            return false;
        if (!keepWaiting())
            return false;
    }
}

// A connection to the player, or -1 when nobody listens or its queue of
// waiting connections is full (a stopped player): nothing has been sent then.
int connectTo(const std::string& socketPath, const std::function<bool()>& keepWaiting) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (socketPath.size() >= sizeof addr.sun_path)
        return -1;
    std::memcpy(addr.sun_path, socketPath.c_str(), socketPath.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    int r;
    do
        r = ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
    while (r != 0 && errno == EINTR);
    if (r != 0 && errno == EINPROGRESS && waitFor(fd, POLLOUT, keepWaiting)) {
        int error = 0;
        socklen_t size = sizeof error;
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0)
            r = 0;
    }
    if (r != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

std::string frameOf(InstanceRequest request, std::string_view argument) {
    std::string frame;
    frame.reserve(kInstanceHeaderSize + argument.size());
    frame += static_cast<char>(request);
    const auto n = static_cast<std::uint32_t>(argument.size());
    for (int i = 0; i < 4; ++i)
        frame += static_cast<char>((n >> (8 * i)) & 0xff);
    frame.append(argument);
    return frame;
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
                         std::string_view argument, const std::function<bool()>& keepWaiting) {
    if (argument.size() > kInstanceMaxPayload)
        argument = argument.substr(0, kInstanceMaxPayload);
    const int fd = connectTo(socketPath, keepWaiting);
    if (fd < 0)
        return false;
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};

    const std::string frame = frameOf(request, argument);
    std::string_view rest = frame;
    while (!rest.empty()) {
        if (!waitFor(fd, POLLOUT, keepWaiting))
            return false;
        const ssize_t w = ::send(fd, rest.data(), rest.size(), MSG_NOSIGNAL);
        if (w < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK))
            continue;
        if (w <= 0)
            return false;
        rest.remove_prefix(static_cast<std::size_t>(w));
    }
    // However long the player takes: it answers once it takes the request on,
    // and closing our end before that withdraws the request.
    char ack = 0;
    while (waitFor(fd, POLLIN, keepWaiting)) {
        const ssize_t r = ::recv(fd, &ack, 1, 0);
        if (r < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK))
            continue;
        return r == 1 && ack == kInstanceAck;
    }
    return false;
}

bool sendInstanceRequest(const std::string& socketPath, InstanceRequest request,
                         std::string_view argument, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    return sendInstanceRequest(socketPath, request, argument,
                               [deadline] { return Clock::now() < deadline; });
}

} // namespace kesto
