#pragma once

// Switching the computer off at the end of the sleep timer: systemd-logind's
// PowerOff over D-Bus, without an interactive authorisation prompt (nobody is
// at the screen to answer it). The call is sent without waiting, so the
// window never hangs on a bus or a logind that does not answer.

#include <QDBusConnection>

#include <functional>

namespace kesto {

// Asks logind on `bus` to power off; `answered` (if set) later hears whether
// logind accepted the request. A refusal changes nothing: the player runs on.
void requestPowerOff(const QDBusConnection& bus, std::function<void(bool accepted)> answered = {});

// requestPowerOff on the system bus, where logind lives.
void requestSystemPowerOff();

} // namespace kesto
