#include "prefs/update_check.h"

#include "platform/download_to_file.h"
#include "player/player.h"
#include "player/version.h"
#include "prefs/update_reply.h"

#include <unistd.h>

namespace kesto {

UpdateCheckOptions configuredUpdateCheck(Player& player) {
    UpdateCheckOptions options;
    options.url =
        updateCheckUrl(player.settings.readString("Tweak", "update_server", kDefaultUpdateServer));
    options.replyPath = player.paths.inFolder("temp");
    return options;
}

UpdateCheck::UpdateCheck(Player& player, UpdateCheckHost host, UpdateCheckOptions options)
    : player_(player), host_(std::move(host)), options_(std::move(options)) {}

UpdateCheck::~UpdateCheck() {
    cancel_ = true;
    if (worker_.joinable())
        worker_.join();
}

void UpdateCheck::CheckForUpdate() {
    if (started_)
        return;
    started_ = running_ = true;
    player_.view.setStatusPanelText(kInfoPanel, kCheckingForUpdateText);

    DownloadOptions download;
    download.timeoutMs = options_.timeoutMs;
    download.maxBytes = options_.maxBytes;
    download.cancel = &cancel_;
    download.userAgent = kUpdateAgent;
    // The worker touches nothing of the player: it gets copies, and the view
    // only to post to, which the window allows from any thread.
    worker_ = std::thread([url = options_.url, path = options_.replyPath, download,
                           view = &player_.view, alive = std::weak_ptr<int>(alive_), this] {
        const bool fetched = !url.empty() && DownloadToFile(url, path, download) > 0;
        std::optional<std::string> bytes;
        if (fetched)
            bytes = readWholeFile(path);
        view->post([this, alive, fetched, bytes = std::move(bytes)] {
            if (alive.lock())
                handleReply(fetched, bytes);
        });
    });
}

void UpdateCheck::handleReply(bool fetched, const std::optional<std::string>& bytes) {
    if (fetched) {
        Settings& settings = player_.settings;
        player_.view.setStatusPanelText(kInfoPanel, "");
        settings.writeLastVersionCheck(host_.today());
        if (!bytes) {
            // The reply could not be read back: as silent as no reply.
            deleteReplyFile();
            finish();
            return;
        }
        const UpdateReply reply = parseUpdateReply(*bytes);
        if (reply.hasVersion() &&
            (reply.version == kVersion || reply.version == settings.readLastNewVersion())) {
            deleteReplyFile();
            running_ = false;
            return;
        }
        // We never hand the desktop a local file or a script to open, and a
        // question that could not be acted on is not asked.
        if (!isOpenableAddress(reply.address)) {
            deleteReplyFile();
            finish();
            return;
        }
        const bool yes = host_.ask(reply.message);
        deleteReplyFile();
        if (yes)
            host_.openAndEnd(reply.address);
        else
            settings.writeLastNewVersion(reply.version);
    }
    finish();
}

void UpdateCheck::finish() {
    player_.settings.writeLastVersionCheck(host_.today());
    player_.view.setStatusPanelText(kInfoPanel, "");
    running_ = false;
}

void UpdateCheck::deleteReplyFile() {
    ::unlink(options_.replyPath.c_str());
}

} // namespace kesto
