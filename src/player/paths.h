#pragma once

// Where the player keeps its files. Everything lives in one program folder,
// as the player has always done, so that a copy on a stick carries its settings.

#include <string>

namespace kesto {

class AppPaths {
public:
    // `dataDir`: an installed copy's read-only files (installedDataDir).
    explicit AppPaths(std::string programFolder, std::string dataDir = {});

    // The folder, without a trailing "/".
    const std::string& programFolder() const { return folder_; }
    std::string inFolder(const std::string& name) const { return folder_ + "/" + name; }

    std::string GetIniPath() const { return inFolder("Kesto.ini"); }
    std::string GetPlaylistPath() const { return inFolder("Playlist.txt"); }
    // A file the user may keep in the program folder, such as a colour scheme
    // ("Schemes/dark.kestoscheme"): there when it exists, else the installed
    // copy's own.
    std::string dataFile(const std::string& name) const;

private:
    std::string folder_;
    std::string dataDir_;
};

// The read-only files an installed copy keeps apart from the program (the
// documentation, the bundled colour schemes): <prefix>/share/kesto beside
// <prefix>/bin, recognised by the documentation in it. Empty for a copy that
// keeps everything in its own folder.
std::string installedDataDir(const std::string& executableDir);

// KESTO_HOME when set; else the executable's folder when we may write there
// and it is not an installed copy; else $XDG_CONFIG_HOME/kesto (or
// ~/.config/kesto), created when missing. An installed copy never writes
// beside itself, not even when root could.
std::string resolveProgramFolder(const char* kestoHome, const std::string& executableDir,
                                 const char* xdgConfigHome, const char* home);
std::string resolveProgramFolderFromEnvironment();
// The running program, as the kernel knows it; empty when it cannot tell.
std::string executablePath();
std::string executableDir();

// The system's temporary folder ($TMPDIR or /tmp), always ending in "/".
std::string GetTempDir();

// Turns a relative path typed in a terminal into an absolute one against the
// caller's working directory. Switches, URLs and anything holding ":" are left
// alone, as is the empty text.
std::string absoluteArgument(const std::string& argument, const std::string& workingDir);
std::string currentWorkingDir();

} // namespace kesto
