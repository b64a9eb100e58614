#pragma once

// The single-instance rule on Linux: an advisory lock file says whether a
// player runs for this program folder, and a local socket beside it carries a
// second process's request to that player. Both live in the user's runtime
// folder (mode 0700), named after the program folder so that two installations
// (or two tests) never meet.

#include <functional>
#include <string>
#include <string_view>

namespace kesto {

enum class InstanceRequest : char {
    HandOver = 'H', // open this argument
    Activate = 'A', // only come to the front
    Quit = 'Q',     // leave the event loop and shut down
};

struct InstanceEndpoints {
    std::string lockPath;
    std::string socketPath;
};

InstanceEndpoints instanceEndpoints(const std::string& programFolder);

// Holds the lock for as long as the object lives.
class InstanceLock {
public:
    explicit InstanceLock(std::string lockPath);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // True when this process now holds the lock (no other player runs).
    bool tryAcquire();
    bool held() const { return fd_ >= 0 && held_; }
    void release();

private:
    std::string path_;
    int fd_ = -1;
    bool held_ = false;
};

// Sends one request over one connection and waits for the player's
// acknowledgement, which it gives once it takes the request on. A player that
// is busy (or stopped) may take a long time: while no answer has come,
// `keepWaiting` is asked every few tens of milliseconds, and returning false
// gives up. Returns false when nobody listens, the connection ended without an
// answer, or the caller gave up; the player then never carries the request
// out, so sending it again cannot do it twice.
bool sendInstanceRequest(const std::string& socketPath, InstanceRequest request,
                         std::string_view argument, const std::function<bool()>& keepWaiting);

// The same with a plain time limit.
bool sendInstanceRequest(const std::string& socketPath, InstanceRequest request,
                         std::string_view argument, int timeoutMs);

// Frame layout shared with the server: kind byte, 4-byte little-endian length, payload.
inline constexpr std::size_t kInstanceHeaderSize = 5;
inline constexpr std::size_t kInstanceMaxPayload = 64 * 1024;
inline constexpr char kInstanceAck = 'K';

} // namespace kesto
