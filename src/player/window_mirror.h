#pragma once

// What the main window shows of the player: the core owns these values and
// the window mirrors them, so a core test reads them without a window.

#include "player/version.h"

#include <cstdint>
#include <string>

namespace kesto {

struct WindowMirror {
    std::string VersionCaption{kVersionCaption};
    std::string Caption{kVersionCaption};
    std::string TrayHint;
    std::string TimeLabel;
    std::int64_t SeekBarMax = 0; // milliseconds
    std::int64_t SeekBarPosition = 0;
};

} // namespace kesto
