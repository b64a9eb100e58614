#pragma once

// The two bulk passes over Kesto.ini: what the player takes from it when it
// starts and what it gives back when it ends. Both work on plain values so the
// window only has to apply or collect them.

#include "player/modes.h"
#include "player/settings.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace kesto {

struct WindowGeometry {
    int left = 0, top = 0, width = 310, height = 370;
    bool operator==(const WindowGeometry&) const = default;
};

inline constexpr int kGlobalHotkeyCount = 13;
inline constexpr int kMaxRootMedia = 20;

struct StartupValues {
    std::string versionCaption;
    WindowGeometry geometry;
    // Width and Left came from the file; otherwise they are the defaults
    // (Left centring the default width), which a window may widen to fit.
    bool widthStored = false;
    bool leftStored = false;
    bool startMaximized = false;
    bool playBar = true;
    bool progressPanel = true;
    bool statusBar = true;
    VUStyle vuStyle = VUStyle::SevenLeds;
    int track = -1;
    SortingWay sortingWay = SortingWay::WholeEntry;
    ViewFormat viewFormat = ViewFormat::FileName;
    std::string lastOpenedDir;
    std::string lastOpenedDrive;
    std::vector<std::string> rootMedia;
    bool minimizeToTray = true;
    int softmutePercent = 30;
    bool claimAssociationsAtStartup = true;
    std::string relativeDelimiter = " \\ ";
    std::string activeScheme;
    PlayMode playMode = PlayMode::RepeatList;
    int enqueueOption = 0;
    int volume = 1000;
    bool autoUpdate = true;
    std::string recordTempPath;
    int cachingTime = 120;
    // Hotkey values of at least six characters, by function number; others stay empty.
    std::array<std::string, kGlobalHotkeyCount> globalHotkeys;
};

struct ScreenSize {
    int width = 1024, height = 768;
};

// `tempDir` is the default of the recorder's temporary folder.
StartupValues loadAtStart(Settings& settings, bool hasStartupArgument, ScreenSize screen,
                          const std::string& tempDir);

struct ExitValues {
    bool maximized = false;
    bool startedWithPath = false;
    WindowGeometry normalGeometry;
    bool playlistHasEntries = false;
    int track = -1;
    ViewFormat viewFormat = ViewFormat::FileName;
    std::string lastOpenedDir;
    std::string lastOpenedDrive;
    PlayMode playMode = PlayMode::RepeatList;
    int volume = 1000;
};

// Writes the whole file once; nothing at all when it is read-only.
void saveOnExit(Settings& settings, const ExitValues& values);

// The music folders: indexes 0, 1, ... until the first empty or missing key, at most 20.
std::vector<std::string> loadRootMedia(Settings& settings);
// Replaces the section, adds the trailing folder separator where missing, then
// writes the two folder-browser keys.
void saveRootMedia(Settings& settings, const std::vector<std::string>& folders,
                   const std::string& lastOpenedDir, const std::string& lastOpenedDrive);

// The separator of the relative view with every double quote removed, so a
// value may be quoted to keep its blanks.
std::string unquoteDelimiter(std::string_view value);

// The media-key bindings written by the "-setglobalhotkeys" switch.
void writeDefaultGlobalHotkeys(Settings& settings);

} // namespace kesto
