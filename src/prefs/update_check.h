#pragma once

// The weekly update check. The reply is fetched on a worker of its own, so
// the window goes on while a slow or absent server is waited for; all that
// follows (the settings, the question, the reply file) happens on the UI
// thread, in the order the check has always kept: the date is written as soon
// as a reply is in, and again at the end, whatever the outcome.

#include "player/settings.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

namespace kesto {

class Player;

inline constexpr const char* kUpdateAgent = "VIDAZUV Download";
inline constexpr const char* kCheckingForUpdateText = "正在检查更新...";

// What the check needs of the window.
struct UpdateCheckHost {
    // The Yes/No question; the server's message is shown as plain text,
    // never as markup. True for Yes.
    std::function<bool(const std::string& message)> ask;
    // Yes: open the download page, and end the player once the check is
    // done, so that the user can install.
    std::function<void(const std::string& address)> openAndEnd;
    std::function<Date()> today;
};

struct UpdateCheckOptions {
    // Empty: nothing is asked, and the attempt counts as a failed one.
    std::string url;
    // The reply file; it exists only while the check runs.
    std::string replyPath;
    // No connection, or no byte, for this long: give up.
    int timeoutMs = 5000;
    // A reply is a few lines; anything larger is not one.
    std::int64_t maxBytes = 64 * 1024;
};

// A real check's options: the host `Tweak`/`update_server` names (the
// reserved default otherwise), the reply file `temp` in the program folder.
UpdateCheckOptions configuredUpdateCheck(Player& player);

class UpdateCheck {
public:
    UpdateCheck(Player& player, UpdateCheckHost host, UpdateCheckOptions options);
    // Ends a transfer under way and waits for the worker; a reply that came
    // in and was not handled yet is dropped.
    ~UpdateCheck();
    UpdateCheck(const UpdateCheck&) = delete;
    UpdateCheck& operator=(const UpdateCheck&) = delete;

    // Shows "正在检查更新..." and starts the worker. Once per check object.
    void CheckForUpdate();
    // From the start until the reply (or its absence) has been handled.
    bool running() const { return running_; }

private:
    // UI thread: everything after the transfer.
    void handleReply(bool fetched, const std::optional<std::string>& bytes);
    // The last step of every outcome: the date, the status text cleared.
    void finish();
    void deleteReplyFile();

    Player& player_;
    UpdateCheckHost host_;
    UpdateCheckOptions options_;
    bool started_ = false;
    bool running_ = false;
    // Set by the destructor, read by the transfer's progress callback.
    std::atomic<bool> cancel_{false};
    // The posted result holds a weak copy: once this object is gone, a result
    // still queued in the event loop finds it expired and does nothing.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
    std::thread worker_;
};

} // namespace kesto
