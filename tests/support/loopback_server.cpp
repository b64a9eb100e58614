#include "support/loopback_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kesto::test {

LoopbackServer::LoopbackServer(Handler handler) : handler_(std::move(handler)) {
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    ::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::listen(listenFd_, 16);
    socklen_t len = sizeof addr;
    ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    if (::pipe2(wakePipe_, O_CLOEXEC) != 0)
        wakePipe_[0] = wakePipe_[1] = -1;
    thread_ = std::thread([this] { serve(); });
}

LoopbackServer::~LoopbackServer() {
    stopping_ = true;
    if (wakePipe_[1] >= 0) {
        const char c = 'x';
        (void)!::write(wakePipe_[1], &c, 1);
    }
    thread_.join();
    for (int fd : kept_)
        ::close(fd);
    ::close(listenFd_);
    ::close(wakePipe_[0]);
    ::close(wakePipe_[1]);
}

UnansweredPort::UnansweredPort() {
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::listen(listenFd_, 0);
    socklen_t len = sizeof addr;
    ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    fillerFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ::connect(fillerFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
}

UnansweredPort::~UnansweredPort() {
    ::close(fillerFd_);
    ::close(listenFd_);
}

std::string LoopbackServer::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::string LoopbackServer::lastRequest() const {
    std::lock_guard lock(lastMutex_);
    return last_;
}

void LoopbackServer::serve() {
    while (!stopping_) {
        pollfd fds[2] = {{listenFd_, POLLIN, 0}, {wakePipe_[0], POLLIN, 0}};
        if (::poll(fds, 2, 1000) <= 0 || (fds[1].revents & POLLIN))
            continue;
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        ++connections_;
        std::string request;
        char buffer[4096];
        while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
            pollfd in{fd, POLLIN, 0};
            if (::poll(&in, 1, 2000) <= 0)
                break;
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            request.append(buffer, static_cast<std::size_t>(n));
        }
        {
            // Before the handler answers, so a client that has its answer
            // can look at the request it sent.
            std::lock_guard lock(lastMutex_);
            last_ = request;
        }
        if (handler_(fd, request))
            kept_.push_back(fd);
        else
            ::close(fd);
    }
}

bool sendAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

std::string httpAnswer(const std::string& status, const std::vector<std::string>& headers,
                       const std::string& body) {
    std::string out = "HTTP/1.0 " + status + "\r\n";
    for (const auto& h : headers)
        out += h + "\r\n";
    return out + "\r\n" + body;
}

std::string withIcyMetadata(const std::string& audio, std::size_t metaInt,
                            const std::string& text) {
    std::string out;
    bool first = true;
    for (std::size_t at = 0; at < audio.size(); at += metaInt) {
        out += audio.substr(at, metaInt);
        if (at + metaInt > audio.size())
            break;
        if (first) {
            const std::size_t blocks = (text.size() + 15) / 16;
            out.push_back(static_cast<char>(blocks));
            out += text;
            out.append(blocks * 16 - text.size(), '\0');
            first = false;
        } else {
            out.push_back('\0');
        }
    }
    return out;
}

} // namespace kesto::test
