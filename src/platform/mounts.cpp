#include "platform/mounts.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>

namespace kesto {

namespace {

// Kernel and desktop plumbing: none of these holds the user's music.
constexpr std::string_view kPseudoTypes[] = {
    "proc",        "sysfs",       "devtmpfs", "devpts",  "cgroup",     "cgroup2",   "securityfs",
    "pstore",      "bpf",         "debugfs",  "tracefs", "mqueue",     "hugetlbfs", "configfs",
    "fusectl",     "binfmt_misc", "efivarfs", "nsfs",    "rpc_pipefs", "selinuxfs", "squashfs",
    "fuse.portal", "fuse.lxcfs",  "nfsd",     "ramfs",
};

constexpr std::string_view kNetworkTypes[] = {
    "nfs",
    "nfs4",
    "cifs",
    "smb3",
    "smbfs",
    "ncpfs",
    "afs",
    "ceph",
    "glusterfs",
    "9p",
    "fuse.sshfs",
    "fuse.rclone",
    "fuse.davfs2",
    "davfs",
    "fuse.curlftpfs",
    "fuse.gvfsd-fuse",
    "fuse.s3fs",
};

// Folders whose mounts belong to the system, not to the user. Memory sticks
// mounted by the desktop under /run/media are the exception.
constexpr std::string_view kSystemAreas[] = {
    "/proc", "/sys", "/dev", "/run", "/boot", "/snap", "/var/lib", "/var/snap", "/tmp",
};

bool contains(const auto& list, std::string_view value) {
    return std::find(std::begin(list), std::end(list), value) != std::end(list);
}

// `path` is `folder` or lies below it (component-wise: "/runner" is not in "/run").
bool isWithin(std::string_view path, std::string_view folder) {
    if (folder == "/")
        return true;
    if (!path.starts_with(folder))
        return false;
    return path.size() == folder.size() || path[folder.size()] == '/';
}

// mountinfo writes blanks, tabs, newlines and backslashes as three octal digits.
std::string unescape(std::string_view field) {
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const auto octal = [](char c) {
                return c >= '0' && c <= '7';
            };
            if (octal(field[i + 1]) && octal(field[i + 2]) && octal(field[i + 3])) {
                out.push_back(static_cast<char>((field[i + 1] - '0') * 64 +
                                                (field[i + 2] - '0') * 8 + (field[i + 3] - '0')));
                i += 3;
                continue;
            }
        }
        out.push_back(field[i]);
    }
    return out;
}

std::vector<std::string_view> splitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t pos = 0;
    while (pos < line.size()) {
        while (pos < line.size() && line[pos] == ' ')
            ++pos;
        const std::size_t end = std::min(line.find(' ', pos), line.size());
        if (end > pos)
            fields.push_back(line.substr(pos, end - pos));
        pos = end;
    }
    return fields;
}

bool isUserVisible(const MountPoint& m) {
    if (m.path == "/")
        return true;
    if (contains(kPseudoTypes, m.type) || m.type.starts_with("fuse.snapfuse"))
        return false;
    // A floppy drive is never offered, as drive A: never was.
    if (m.source.starts_with("/dev/fd"))
        return false;
    if (m.kind != MountKind::Network && (m.type == "tmpfs" || m.type == "overlay")) {
        // Memory file systems and container layers are plumbing unless the user
        // mounted one among the removable media.
        if (!isWithin(m.path, "/media") && !isWithin(m.path, "/mnt") &&
            !isWithin(m.path, "/run/media"))
            return false;
    }
    if (isWithin(m.path, "/run/media"))
        return true;
    // The desktop's network shares live in the user's runtime folder.
    if (m.type == "fuse.gvfsd-fuse")
        return true;
    return std::none_of(std::begin(kSystemAreas), std::end(kSystemAreas),
                        [&](std::string_view area) { return isWithin(m.path, area); });
}

} // namespace

MountKind mountKindOf(std::string_view type) {
    if (type == "iso9660" || type == "udf")
        return MountKind::Optical;
    // An automount point may stand for a share that is not mounted yet; looking
    // inside would mount it, so it is treated like one.
    if (contains(kNetworkTypes, type) || type == "autofs")
        return MountKind::Network;
    return MountKind::Disk;
}

std::vector<MountPoint> parseMountInfo(std::string_view text) {
    std::vector<MountPoint> mounts;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = std::min(text.find('\n', pos), text.size());
        const std::vector<std::string_view> f = splitFields(text.substr(pos, end - pos));
        pos = end + 1;
        // id parent major:minor root mountpoint options [optional...] - type source super
        const auto dash = std::find(f.begin(), f.end(), std::string_view("-"));
        if (f.size() < 6 || dash == f.end() || dash - f.begin() < 6 || f.end() - dash < 3)
            continue;
        MountPoint m;
        m.path = unescape(f[4]);
        if (m.path.empty() || m.path.front() != '/')
            continue;
        m.type = unescape(dash[1]);
        m.source = unescape(dash[2]);
        m.kind = mountKindOf(m.type);
        mounts.push_back(std::move(m));
    }
    return mounts;
}

std::vector<MountPoint> driveRoots(const std::vector<MountPoint>& mounts) {
    // A later mount on the same folder hides the earlier one: keep the last.
    std::vector<MountPoint> roots;
    for (auto it = mounts.rbegin(); it != mounts.rend(); ++it) {
        const bool seen = std::any_of(roots.begin(), roots.end(),
                                      [&](const MountPoint& r) { return r.path == it->path; });
        if (!seen)
            roots.push_back(*it);
    }
    std::erase_if(roots, [](const MountPoint& m) { return !isUserVisible(m); });
    std::sort(roots.begin(), roots.end(), [](const MountPoint& a, const MountPoint& b) {
        if ((a.path == "/") != (b.path == "/"))
            return a.path == "/";
        return a.path < b.path;
    });
    // A system whose root is not listed (a container) still has "/" to offer.
    if (roots.empty() || roots.front().path != "/")
        roots.insert(roots.begin(), MountPoint{"/", "", "", MountKind::Disk});
    return roots;
}

bool isOnNetworkMount(std::string_view path, const std::vector<MountPoint>& mounts) {
    const MountPoint* deepest = nullptr;
    for (const MountPoint& m : mounts) {
        // Later mounts on the same folder win, hence ">=".
        if (isWithin(path, m.path) && (!deepest || m.path.size() >= deepest->path.size()))
            deepest = &m;
    }
    return deepest && deepest->kind == MountKind::Network;
}

std::vector<MountPoint> currentMounts() {
    std::ifstream in("/proc/self/mountinfo");
    if (!in)
        return {};
    std::ostringstream text;
    text << in.rdbuf();
    return parseMountInfo(text.str());
}

} // namespace kesto
