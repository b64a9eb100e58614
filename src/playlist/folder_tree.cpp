#include "playlist/folder_tree.h"

#include "playlist/playlist_sort.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kesto {

namespace {

// Calls `visit(name)` for each sub-folder until it returns false.
template <class Visit> void forEachSubFolder(const std::string& folder, Visit visit) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return;
    }
    while (const dirent* e = ::readdir(dir)) {
        const std::string_view name = e->d_name;
        if (name == "." || name == "..")
            continue;
        bool folderEntry = e->d_type == DT_DIR;
        if (e->d_type == DT_LNK || e->d_type == DT_UNKNOWN) {
            struct stat target {};
            folderEntry =
                ::fstatat(::dirfd(dir), e->d_name, &target, 0) == 0 && S_ISDIR(target.st_mode);
        }
        if (folderEntry && !visit(name))
            break;
    }
    ::closedir(dir);
}

} // namespace

bool isExistingFolder(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string withTrailingSlash(std::string path) {
    if (!path.empty() && path.back() != '/')
        path.push_back('/');
    return path;
}

std::vector<std::string> listSubFolders(const std::string& folder, std::size_t limit) {
    std::vector<std::string> names;
    forEachSubFolder(withTrailingSlash(folder), [&](std::string_view name) {
        names.emplace_back(name);
        return true;
    });
    SortStrings(names);
    if (names.size() > limit)
        names.resize(limit);
    return names;
}

bool hasSubFolder(const std::string& folder) {
    bool found = false;
    forEachSubFolder(withTrailingSlash(folder), [&](std::string_view) {
        found = true;
        return false;
    });
    return found;
}

TreeRoute routeToFolder(std::string_view pathIn, const std::vector<std::string>& rootTexts) {
    const std::string path = withTrailingSlash(std::string(pathIn));
    TreeRoute route;
    std::size_t rootLength = 0;
    for (std::size_t i = 0; i < rootTexts.size(); ++i) {
        const std::string root = withTrailingSlash(rootTexts[i]);
        if (!root.empty() && path.starts_with(root) &&
            (route.root < 0 || root.size() > rootLength)) {
            route.root = static_cast<int>(i);
            rootLength = root.size();
        }
    }
    if (route.root < 0)
        return route;
    std::size_t pos = rootLength;
    while (pos < path.size()) {
        const std::size_t end = path.find('/', pos);
        if (end > pos)
            route.names.push_back(path.substr(pos, end - pos));
        pos = end + 1;
    }
    return route;
}

} // namespace kesto
