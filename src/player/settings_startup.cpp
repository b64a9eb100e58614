#include "player/settings_startup.h"

#include "controls/fast_strings.h"
#include "player/version.h"

namespace kesto {

namespace {

int intOf(const IniDocument& d, std::string_view s, std::string_view k, int def) {
    const auto v = d.value(s, k);
    return v ? parseIniInt(*v).value_or(def) : def;
}

bool isNumber(const IniDocument& d, std::string_view s, std::string_view k) {
    const auto v = d.value(s, k);
    return v && parseIniInt(*v).has_value();
}

bool boolOf(const IniDocument& d, std::string_view s, std::string_view k, bool def) {
    const auto v = d.value(s, k);
    if (!v)
        return def;
    const auto n = parseIniInt(*v);
    return n ? *n != 0 : def;
}

std::string stringOf(const IniDocument& d, std::string_view s, std::string_view k,
                     std::string_view def) {
    const auto v = d.value(s, k);
    return std::string(v ? *v : def);
}

std::string rootKey(int i) {
    return "path" + std::to_string(i);
}

std::vector<std::string> rootMediaOf(const IniDocument& d) {
    std::vector<std::string> out;
    for (int i = 0; i < kMaxRootMedia; ++i) {
        const auto v = d.value("Root media", rootKey(i));
        if (!v || v->empty())
            break;
        out.emplace_back(*v);
    }
    return out;
}

} // namespace

std::string unquoteDelimiter(std::string_view value) {
    return ReplaceAll(value, "\"", "", true);
}

StartupValues loadAtStart(Settings& settings, bool hasStartupArgument, ScreenSize screen,
                          const std::string& tempDir) {
    const IniDocument& d = settings.snapshot();
    StartupValues v;
    v.versionCaption = std::string(kVersionCaption);

    const std::string_view win = hasStartupArgument ? "Window2" : "Window";
    v.geometry.width = intOf(d, win, "Width", 310);
    v.geometry.height = intOf(d, win, "Height", 370);
    v.geometry.left = intOf(d, win, "Left", screen.width / 2 - v.geometry.width / 2);
    v.geometry.top = intOf(d, win, "Top", screen.height / 2 - v.geometry.height / 2);
    v.widthStored = isNumber(d, win, "Width");
    v.leftStored = isNumber(d, win, "Left");
    if (!hasStartupArgument)
        v.startMaximized = boolOf(d, "Window", "Maximized", false);

    v.playBar = boolOf(d, "Window", "PlayBar", true);
    v.progressPanel = boolOf(d, "Window", "ProgressPanel", true);
    v.statusBar = boolOf(d, "Window", "StatusBar", true);
    v.vuStyle = vuStyleFromInt(intOf(d, "Window", "VUStyle", 1));

    v.track = intOf(d, "Playlist", "Track", -1);
    v.sortingWay = sortingWayFromInt(intOf(d, "Playlist", "SortingWay", 0));
    v.viewFormat = viewFormatFromInt(intOf(d, "Playlist", "ViewFormat", 0));

    v.lastOpenedDir = stringOf(d, "DirBox", "LastOpenedDir", "");
    v.lastOpenedDrive = stringOf(d, "DirBox", "LastOpenedDrive", "");
    v.rootMedia = rootMediaOf(d);

    v.minimizeToTray = boolOf(d, "Tweak", "minimize_to_tray", true);
    v.softmutePercent = intOf(d, "Tweak", "softmute_percent", 30);
    v.claimAssociationsAtStartup = boolOf(d, "Tweak", "claim_associations_at_startup", true);
    v.relativeDelimiter = unquoteDelimiter(stringOf(d, "Tweak", "RelativeDelimiter", " \\ "));

    v.activeScheme = stringOf(d, "General", "ActiveScheme", "");
    v.playMode = playModeFromInt(intOf(d, "General", "PlayMode", 0));
    v.enqueueOption = intOf(d, "General", "EnqueueOption", 0);
    v.volume = intOf(d, "General", "Volume", 1000);
    v.autoUpdate = boolOf(d, "General", "AutoUpdate", true);

    v.recordTempPath = stringOf(d, "General", "RecordTempPath", tempDir);
    v.cachingTime = intOf(d, "Recording", "CachingTime", 120);

    for (int n = 0; n < kGlobalHotkeyCount; ++n) {
        const auto h = d.value("Global hotkeys", std::to_string(n));
        if (h && h->size() >= 6)
            v.globalHotkeys[static_cast<std::size_t>(n)] = std::string(*h);
    }
    return v;
}

void saveOnExit(Settings& settings, const ExitValues& v) {
    settings.update([&](IniDocument& d) {
        const auto setInt = [&](std::string_view s, std::string_view k, int x) {
            d.set(s, k, std::to_string(x));
        };
        if (v.maximized) {
            d.set("Window", "Maximized", "1");
        } else {
            const std::string_view win = v.startedWithPath ? "Window2" : "Window";
            setInt(win, "Width", v.normalGeometry.width);
            setInt(win, "Height", v.normalGeometry.height);
            setInt(win, "Left", v.normalGeometry.left);
            setInt(win, "Top", v.normalGeometry.top);
            if (!v.startedWithPath)
                d.set("Window", "Maximized", "0");
        }
        if (v.playlistHasEntries)
            setInt("Playlist", "Track", v.track);
        setInt("Playlist", "ViewFormat", toInt(v.viewFormat));
        d.set("DirBox", "LastOpenedDir", v.lastOpenedDir);
        d.set("DirBox", "LastOpenedDrive", v.lastOpenedDrive);
        setInt("General", "PlayMode", toInt(v.playMode));
        setInt("General", "Volume", v.volume);
    });
}

std::vector<std::string> loadRootMedia(Settings& settings) {
    return rootMediaOf(settings.snapshot());
}

void saveRootMedia(Settings& settings, const std::vector<std::string>& folders,
                   const std::string& lastOpenedDir, const std::string& lastOpenedDrive) {
    settings.update([&](IniDocument& d) {
        d.eraseSection("Root media");
        for (std::size_t i = 0; i < folders.size() && i < kMaxRootMedia; ++i) {
            std::string f = folders[i];
            if (!f.empty() && f.back() != '/')
                f += '/';
            d.set("Root media", rootKey(static_cast<int>(i)), f);
        }
        d.set("DirBox", "LastOpenedDir", lastOpenedDir);
        d.set("DirBox", "LastOpenedDrive", lastOpenedDrive);
    });
}

void writeDefaultGlobalHotkeys(Settings& settings) {
    static constexpr std::pair<const char*, const char*> kDefaults[] = {
        {"1", "0000-179"}, {"2", "0000-178"}, {"3", "0000-176"}, {"4", "0000-177"},
        {"5", "0000-175"}, {"6", "0000-174"}, {"7", "0000-19"},
    };
    settings.update([](IniDocument& d) {
        for (const auto& [key, value] : kDefaults)
            d.set("Global hotkeys", key, value);
    });
}

} // namespace kesto
