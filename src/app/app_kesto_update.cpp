// The weekly update check's window side: when it starts, the question, and
// handing the download page to the desktop. The check itself, and its worker,
// live in src/prefs/update_check.cpp.

#include "app/app_kesto.h"
#include "app/startup.h"
#include "player/player.h"
#include "prefs/update_check.h"
#include "prefs/update_reply.h"
#include "tools/message_boxes.h"

#include <QDesktopServices>
#include <QUrl>

namespace kesto {

void TAppKesto::startUpdateCheck() {
    // The switch as it was read at start-up: turning it on in the preferences
    // takes effect at the next start.
    if (update_ ||
        !updateCheckDue(start_.autoUpdate, todayLocal(), player_->settings.readLastVersionCheck()))
        return;
    UpdateCheckHost host;
    host.ask = [this](const std::string& message) {
        return askUpdateQuestion(message);
    };
    host.openAndEnd = [this](const std::string& address) {
        openUpdatePage(address);
    };
    host.today = [] {
        return todayLocal();
    };
    update_ =
        std::make_unique<UpdateCheck>(*player_, std::move(host), configuredUpdateCheck(*player_));
    update_->CheckForUpdate();
}

bool TAppKesto::askUpdateQuestion(const std::string& message) {
    const auto loop = player_->nestedLoops.enter();
    QString body = QString::fromStdString(message);
    body.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    // The server wrote this text: it is shown as it is, markup and all.
    return questionHook ? questionHook(body) : messageBoxYesNo(this, body, Qt::PlainText);
}

void TAppKesto::openUpdatePage(const std::string& address) {
    // Checked again as the desktop will read it: only a web page is opened.
    const QUrl url(QString::fromStdString(address), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (isOpenableAddress(address) && url.isValid() && !url.host().isEmpty() &&
        (scheme == QLatin1String("http") || scheme == QLatin1String("https"))) {
        if (openUrlHook)
            openUrlHook(url);
        else
            QDesktopServices::openUrl(url);
    }
    // The player ends once the check has finished its last step, so that the
    // user can install the new version.
    post([this] { exitCommand(); });
}

} // namespace kesto
