#include "platform/power_off.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace kesto {

void requestPowerOff(const QDBusConnection& bus, std::function<void(bool accepted)> answered) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PowerOff"));
    call << false; // not interactive
    if (!bus.isConnected()) {
        if (answered)
            answered(false);
        return;
    }
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished,
                     [answered = std::move(answered)](QDBusPendingCallWatcher* w) {
                         w->deleteLater();
                         if (answered)
                             answered(!w->isError());
                     });
}

void requestSystemPowerOff() {
    requestPowerOff(QDBusConnection::systemBus());
}

} // namespace kesto
