#pragma once

// The mounted file systems, read from /proc/self/mountinfo. They stand where
// another desktop lists its drive letters: the folder browser offers them as
// its roots when the user browses "all drives".

#include <string>
#include <string_view>
#include <vector>

namespace kesto {

enum class MountKind {
    Disk,    // a local file system: the root, a second disk, a memory stick
    Optical, // a CD or DVD (iso9660, udf)
    Network, // nfs, cifs/smb, sshfs, automount points: never looked into unasked
};

struct MountPoint {
    std::string path;   // where it is mounted, without a trailing "/" (but "/" itself)
    std::string type;   // the file-system type, e.g. "ext4", "fuse.sshfs"
    std::string source; // the device or share, e.g. "/dev/sdb1", "//server/music"
    MountKind kind = MountKind::Disk;
    bool operator==(const MountPoint&) const = default;
};

// Every mount of a mountinfo text in the order listed, octal escapes (\040
// for a blank) decoded. Malformed lines are skipped.
std::vector<MountPoint> parseMountInfo(std::string_view text);

MountKind mountKindOf(std::string_view type);

// The mounts a user would call drives: "/" first, then the other real file
// systems (second disks, removable media, network shares, user mounts) in path
// order. System plumbing (proc, sysfs, cgroups, tmpfs in /run, snap images,
// container layers, /boot) and floppy drives are left out; so are mounts
// hidden under a later mount on the same folder.
std::vector<MountPoint> driveRoots(const std::vector<MountPoint>& mounts);

// True when `path` lies on a network file system: its deepest enclosing mount
// (among `mounts`, as parseMountInfo lists them) is a network one.
bool isOnNetworkMount(std::string_view path, const std::vector<MountPoint>& mounts);

// /proc/self/mountinfo parsed; empty when it cannot be read.
std::vector<MountPoint> currentMounts();

} // namespace kesto
