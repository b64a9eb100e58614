#pragma once

#include <QIcon>

namespace kesto {

enum class TransportIcon { Play, Pause, Stop, Previous, Next, Record };

// Icons drawn at run time, so the player needs no theme and no image files.
QIcon transportIcon(TransportIcon which);
// The tray's and the window's own icon.
QIcon applicationIcon();

} // namespace kesto
