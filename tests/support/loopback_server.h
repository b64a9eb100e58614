#pragma once

// A tiny TCP server on 127.0.0.1 for the network tests: it stands in for
// the radio stations and web servers that icecast cannot imitate (silent
// ones, error answers, redirects, an old SHOUTcast head). Connections are
// served one at a time on the server's own thread.

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace kesto::test {

class LoopbackServer {
public:
    // Gets each connection and the request head it sent. Returns true to
    // keep the connection open, unanswered, until the server ends.
    using Handler = std::function<bool(int fd, const std::string& request)>;

    explicit LoopbackServer(Handler handler);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    int port() const { return port_; }
    std::string url(const std::string& path) const;
    int connections() const { return connections_.load(); }
    // True once the destructor runs: long handlers end then.
    bool stopping() const { return stopping_.load(); }
    // The last request head received.
    std::string lastRequest() const;

private:
    void serve();

    Handler handler_;
    int listenFd_ = -1;
    int port_ = 0;
    int wakePipe_[2] = {-1, -1};
    std::atomic<bool> stopping_{false};
    std::atomic<int> connections_{0};
    std::vector<int> kept_; // server thread only
    mutable std::mutex lastMutex_;
    std::string last_; // guarded by lastMutex_
    std::thread thread_;
};

// A port on 127.0.0.1 that never completes a connection: its queue holds one
// waiting connection, and one of our own fills it, so the kernel drops every
// further handshake. It stands in for a host that does not answer at all.
class UnansweredPort {
public:
    UnansweredPort();
    ~UnansweredPort();
    UnansweredPort(const UnansweredPort&) = delete;
    UnansweredPort& operator=(const UnansweredPort&) = delete;

    int port() const { return port_; }

private:
    int listenFd_ = -1;
    int fillerFd_ = -1;
    int port_ = 0;
};

// Writes all of `bytes` (no SIGPIPE when the peer has gone); false when it cannot.
bool sendAll(int fd, std::string_view bytes);

// An answer head and body in one: "HTTP/1.0 <status>", the given header lines, the body.
std::string httpAnswer(const std::string& status, const std::vector<std::string>& headers,
                       const std::string& body = {});

// `audio` with a metadata block after every `metaInt` bytes: `text` in the
// first block, empty blocks after it.
std::string withIcyMetadata(const std::string& audio, std::size_t metaInt, const std::string& text);

} // namespace kesto::test
