#include "player/paths.h"

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace kesto {

namespace fs = std::filesystem;

namespace {

std::string withoutTrailingSlash(std::string s) {
    while (s.size() > 1 && s.back() == '/')
        s.pop_back();
    return s;
}

bool isWritableDir(const std::string& dir) {
    return !dir.empty() && ::access(dir.c_str(), W_OK | X_OK) == 0;
}

} // namespace

AppPaths::AppPaths(std::string programFolder, std::string dataDir)
    : folder_(withoutTrailingSlash(std::move(programFolder))),
      dataDir_(withoutTrailingSlash(std::move(dataDir))) {}

std::string AppPaths::dataFile(const std::string& name) const {
    const std::string own = inFolder(name);
    std::error_code ec;
    if (dataDir_.empty() || fs::exists(own, ec))
        return own;
    const std::string installed = dataDir_ + "/" + name;
    return fs::exists(installed, ec) ? installed : own;
}

std::string installedDataDir(const std::string& exeDir) {
    if (exeDir.empty())
        return {};
    const fs::path data = fs::path(withoutTrailingSlash(exeDir)).parent_path() / "share" / "kesto";
    std::error_code ec;
    return fs::is_regular_file(data / "Documentation.html", ec) ? data.string() : std::string();
}

std::string resolveProgramFolder(const char* kestoHome, const std::string& exeDir,
                                 const char* xdgConfigHome, const char* home) {
    std::error_code ec;
    if (kestoHome && *kestoHome) {
        fs::create_directories(kestoHome, ec);
        return withoutTrailingSlash(kestoHome);
    }
    if (isWritableDir(exeDir) && installedDataDir(exeDir).empty())
        return withoutTrailingSlash(exeDir);
    std::string base;
    if (xdgConfigHome && *xdgConfigHome)
        base = xdgConfigHome;
    else
        base = std::string(home && *home ? home : "/tmp") + "/.config";
    const std::string folder = withoutTrailingSlash(base) + "/kesto";
    fs::create_directories(folder, ec);
    return folder;
}

std::string executablePath() {
    char buf[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
}

std::string executableDir() {
    const std::string exe = executablePath();
    if (exe.empty())
        return currentWorkingDir();
    return fs::path(exe).parent_path().string();
}

std::string resolveProgramFolderFromEnvironment() {
    return resolveProgramFolder(std::getenv("KESTO_HOME"), executableDir(),
                                std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
}

std::string GetTempDir() {
    const char* t = std::getenv("TMPDIR");
    std::string dir = t && *t ? t : "/tmp";
    if (dir.back() != '/')
        dir += '/';
    return dir;
}

std::string currentWorkingDir() {
    std::error_code ec;
    auto p = fs::current_path(ec);
    return ec ? std::string("/") : p.string();
}

std::string absoluteArgument(const std::string& argument, const std::string& workingDir) {
    if (argument.empty() || argument.front() == '/' || argument.front() == '-' ||
        argument.find(':') != std::string::npos)
        return argument;
    const bool folder = argument.back() == '/';
    std::string joined = (fs::path(workingDir) / argument).lexically_normal().string();
    if (folder && joined.back() != '/')
        joined += '/';
    return joined;
}

} // namespace kesto
