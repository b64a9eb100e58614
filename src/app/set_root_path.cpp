#include "app/set_root_path.h"

#include "controls/fast_strings.h"
#include "player/settings.h"
#include "player/settings_startup.h"

#include <cstdlib>
#include <fstream>
#include <sys/stat.h>

namespace kesto {

namespace {

std::string withoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::string trimmed(std::string_view s) {
    const std::size_t first = s.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    const std::size_t last = s.find_last_not_of(" \t\r");
    return std::string(s.substr(first, last - first + 1));
}

// A user-dirs.dirs value: "$HOME/Desktop" or "/abs/path", shell-quoted.
std::string expandUserDir(std::string_view value, const std::string& home) {
    std::string text = trimmed(value);
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        text = text.substr(1, text.size() - 2);
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size())
            ++i;
        out.push_back(text[i]);
    }
    if (out == "$HOME" || out.starts_with("$HOME/"))
        out = home + out.substr(5);
    return out;
}

bool isFolder(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

std::string desktopFolderFrom(const std::string& userDirsFile, const char* desktopVariable,
                              const std::string& home) {
    std::string desktop;
    std::ifstream in(userDirsFile);
    std::string line;
    while (std::getline(in, line)) {
        const std::string text = trimmed(line);
        constexpr std::string_view key = "XDG_DESKTOP_DIR=";
        if (!text.starts_with(key))
            continue;
        const std::string value = expandUserDir(std::string_view(text).substr(key.size()), home);
        // Only absolute folders count; the file's last word wins, as in a shell.
        if (value.starts_with("/"))
            desktop = value;
    }
    if (desktop.empty() && desktopVariable && desktopVariable[0] == '/')
        desktop = desktopVariable;
    if (desktop.empty())
        desktop = home + "/Desktop";
    return withoutTrailingSlash(desktop);
}

std::string desktopFolder() {
    const char* homeVar = std::getenv("HOME");
    const std::string home = withoutTrailingSlash(homeVar ? homeVar : "");
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const std::string configDir =
        config && config[0] == '/' ? std::string(config) : home + "/.config";
    return desktopFolderFrom(configDir + "/user-dirs.dirs", std::getenv("XDG_DESKTOP_DIR"), home);
}

bool isInsideDesktop(std::string_view folder, std::string_view desktopIn, std::string_view home) {
    const std::string desktop = asciiLowerCopy(withoutTrailingSlash(std::string(desktopIn)));
    // With the desktop folder switched off it is the home folder, and every
    // music folder in the home would be refused.
    if (desktop.empty() || desktop == "/" ||
        desktop == asciiLowerCopy(withoutTrailingSlash(std::string(home))))
        return false;
    // A path prefix, not a bare substring: "~/Desktop" must not refuse
    // "~/Desktop backup/" or "/mnt/old/home/me/desktop/".
    std::string path = asciiLowerCopy(folder);
    if (path.empty() || path.back() != '/')
        path.push_back('/');
    return path.starts_with(desktop + "/");
}

std::vector<std::string> setRootPath(Settings& settings, DirBoxKeys& dirBox,
                                     const RootPathDialogs& dialogs, std::string_view desktop,
                                     std::string_view home) {
    std::vector<std::string> folders = loadRootMedia(settings);
    if (!folders.empty())
        return folders;
    std::string chosen;
    for (;;) {
        chosen = dialogs.chooseFolder();
        dirBox.lastOpenedDrive = chosen;
        if (chosen.empty() || !isInsideDesktop(chosen, desktop, home))
            break;
        dialogs.showInformation(kDesktopRefused);
    }
    if (!isFolder(chosen))
        return folders;
    // The list holds the folder even when a read-only settings file keeps it
    // from being saved.
    if (chosen.back() != '/')
        chosen.push_back('/');
    folders = {chosen};
    saveRootMedia(settings, folders, dirBox.lastOpenedDir, dirBox.lastOpenedDrive);
    return folders;
}

void runSetRootPathSwitch(Settings& settings, const RootPathDialogs& dialogs) {
    DirBoxKeys dirBox{settings.readString("DirBox", "LastOpenedDir", ""),
                      settings.readString("DirBox", "LastOpenedDrive", "")};
    const char* home = std::getenv("HOME");
    setRootPath(settings, dirBox, dialogs, desktopFolder(), withoutTrailingSlash(home ? home : ""));
}

} // namespace kesto
