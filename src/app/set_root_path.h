#pragma once

// Setting up the music folder: the "-setrootpath" switch, also run when the
// relative view is chosen before any music folder is known. The dialogs are
// passed in, so the loop runs the same with a window or with a test script.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kesto {

class Settings;

inline constexpr const char* kSetRootPathCaption = "设置您的音乐文件夹";
inline constexpr const char* kSetRootPathPrompt =
    "请选择包含所有您的音乐文件的文件夹。\r例如: /home/you/Music/";
inline constexpr const char* kDesktopRefused =
    "桌面是一个无效的文件夹。\r\r如果您尚未拥有音乐文件夹或不知道，请选择取消。\r"
    "您也可以在其他时间设置您的音乐文件。";

struct RootPathDialogs {
    // The folder dialog: a folder ending in "/", or empty after a cancel.
    std::function<std::string()> chooseFolder;
    // An information box.
    std::function<void(const std::string& text)> showInformation;
};

// The folder-browser keys saved together with the music folders.
struct DirBoxKeys {
    std::string lastOpenedDir;
    std::string lastOpenedDrive;
};

// The user's desktop folder as `xdg-user-dir DESKTOP` finds it: the
// XDG_DESKTOP_DIR line of `userDirsFile` (user-dirs.dirs), else the variable
// `desktopVariable`, else `home`/Desktop. No trailing "/".
std::string desktopFolderFrom(const std::string& userDirsFile, const char* desktopVariable,
                              const std::string& home);
// The same from this process's environment.
std::string desktopFolder();

// True when `folder` is the desktop folder or lies inside it, ignoring ASCII
// letter case. A desktop that is the home folder itself (the desktop folder
// switched off) or the root refuses nothing.
bool isInsideDesktop(std::string_view folder, std::string_view desktop, std::string_view home);

// Only when the saved music-folder list is empty: asks for a folder until the
// user gives one outside the desktop or cancels. Each answer becomes
// `dirBox.lastOpenedDrive` (empty after a cancel). An existing folder becomes
// the one music folder and is saved with the DirBox keys. Returns the list of
// music folders afterwards (as saved, or as it was).
std::vector<std::string> setRootPath(Settings& settings, DirBoxKeys& dirBox,
                                     const RootPathDialogs& dialogs, std::string_view desktop,
                                     std::string_view home);

// The switch on its own: the DirBox keys come from the settings file.
void runSetRootPathSwitch(Settings& settings, const RootPathDialogs& dialogs);

} // namespace kesto
