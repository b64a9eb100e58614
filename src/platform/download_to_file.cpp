#include "platform/download_to_file.h"

#include "platform/curl_common.h"

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace kesto {

namespace {

struct Transfer {
    int fd = -1;
    std::int64_t written = 0;
    std::int64_t maxBytes = 0;
    bool failed = false;
    const std::atomic<bool>* cancel = nullptr;
    std::chrono::steady_clock::time_point lastByte;
    std::chrono::milliseconds idleLimit{0};
};

std::size_t onBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const std::size_t bytes = size * count;
    if (t->written + static_cast<std::int64_t>(bytes) > t->maxBytes) {
        t->failed = true;
        return 0;
    }
    std::size_t done = 0;
    while (done < bytes) {
        const ssize_t n = ::write(t->fd, data + done, bytes - done);
        if (n < 0) {
            t->failed = true;
            return 0;
        }
        done += static_cast<std::size_t>(n);
    }
    t->written += static_cast<std::int64_t>(bytes);
    t->lastByte = std::chrono::steady_clock::now();
    return bytes;
}

int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto* t = static_cast<Transfer*>(user);
    if (t->cancel && t->cancel->load())
        return 1;
    // A server that connected and then went quiet.
    return std::chrono::steady_clock::now() - t->lastByte > t->idleLimit ? 1 : 0;
}

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

std::int64_t DownloadToFile(const std::string& url, const std::string& path,
                            const DownloadOptions& options) {
    if (!isHttpUrl(url) || path.empty() || !curlReady())
        return 0;
    if (options.cancel && options.cancel->load())
        return 0;
    std::string temp = folderOf(path) + "/.kesto-download-XXXXXX";
    Transfer t;
    t.fd = ::mkstemp(temp.data());
    if (t.fd < 0)
        return 0;
    t.maxBytes = options.maxBytes;
    t.cancel = options.cancel;
    t.lastByte = std::chrono::steady_clock::now();
    t.idleLimit = std::chrono::milliseconds(options.timeoutMs);

    CURL* curl = curl_easy_init();
    long status = 0;
    CURLcode result = CURLE_FAILED_INIT;
    if (curl) {
        setCommonCurlOptions(curl, url, options.timeoutMs);
        if (!options.userAgent.empty())
            curl_easy_setopt(curl, CURLOPT_USERAGENT, options.userAgent.c_str());
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &onBody);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &t);
        curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &onProgress);
        curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &t);
        // Always from the server, never a cache on the way.
        curl_slist* headers = curl_slist_append(nullptr, "Cache-Control: no-cache");
        curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
        result = curl_easy_perform(curl);
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
        curl_easy_cleanup(curl);
        curl_slist_free_all(headers);
    }
    const bool good = result == CURLE_OK && !t.failed && status >= 200 && status < 300 &&
                      t.written > 0 && ::fsync(t.fd) == 0;
    const bool closed = ::close(t.fd) == 0;
    if (!good || !closed || std::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return 0;
    }
    return t.written;
}

} // namespace kesto
