#pragma once

// Fetches one address into a file: the update check's reply and a remote
// .pls playlist. Runs on a worker (it blocks for as long as the transfer).
//
// The file appears whole or not at all: the bytes go to a temporary file
// beside it, which replaces the target only once the transfer succeeded. An
// answer other than 2xx, an empty one, a broken transfer, a cancel or a
// time-out leaves the target as it was.

#include <atomic>
#include <cstdint>
#include <string>

namespace kesto {

struct DownloadOptions {
    // No connection, or no byte for this long: give up.
    int timeoutMs = 10000;
    // Set from another thread to end the transfer early.
    const std::atomic<bool>* cancel = nullptr;
    // A larger answer is refused; what we fetch is a few kilobytes.
    std::int64_t maxBytes = 4 * 1024 * 1024;
    // Empty: the player's own. The update server knows its callers by theirs.
    std::string userAgent;
};

// The number of bytes written to `path`; 0 on any failure.
std::int64_t DownloadToFile(const std::string& url, const std::string& path,
                            const DownloadOptions& options = {});

} // namespace kesto
