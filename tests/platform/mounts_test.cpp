#include "platform/mounts.h"

#include <gtest/gtest.h>

namespace kesto::test {
namespace {

// A desktop with a second disk, a stick, a disc, shares and the usual plumbing.
constexpr const char* kDesktopMounts =
    "22 28 0:21 / /sys rw,nosuid,nodev,noexec,relatime shared:7 - sysfs sysfs rw\n"
    "23 28 0:22 / /proc rw,nosuid,nodev,noexec,relatime shared:14 - proc proc rw\n"
    "24 28 0:5 / /dev rw,nosuid,relatime shared:2 - devtmpfs udev rw,size=8k\n"
    "26 28 0:24 / /run rw,nosuid,nodev,noexec,relatime shared:5 - tmpfs tmpfs rw\n"
    "28 1 259:2 / / rw,relatime shared:1 - ext4 /dev/nvme0n1p2 rw\n"
    "30 22 0:26 / /sys/fs/cgroup rw,nosuid shared:9 - cgroup2 cgroup2 rw\n"
    "40 28 7:1 / /snap/core20/1828 ro,nodev,relatime shared:20 - squashfs /dev/loop1 ro\n"
    "41 28 259:1 / /boot/efi rw,relatime shared:21 - vfat /dev/nvme0n1p1 rw\n"
    "42 28 259:3 / /home rw,relatime shared:22 - ext4 /dev/nvme0n1p3 rw\n"
    "50 26 0:40 / /run/user/1000 rw,nosuid,nodev,relatime shared:30 - tmpfs tmpfs rw\n"
    "51 50 0:41 / /run/user/1000/gvfs rw,nosuid,nodev shared:31 - fuse.gvfsd-fuse gvfsd-fuse "
    "rw\n"
    "52 50 0:42 / /run/user/1000/doc rw shared:32 - fuse.portal portal rw\n"
    "60 26 8:17 / /run/media/me/MY\\040STICK rw,nosuid shared:40 - vfat /dev/sdb1 rw\n"
    "61 28 11:0 / /media/cdrom ro,nosuid shared:41 - iso9660 /dev/sr0 ro\n"
    "62 28 2:0 / /media/floppy rw shared:42 - vfat /dev/fd0 rw\n"
    "62 28 0:49 / /mnt/nas rw shared:43 - autofs systemd-1 rw\n"
    "63 28 0:50 / /mnt/nas rw shared:43 - nfs4 server:/music rw\n"
    "71 23 0:58 / /proc/sys/fs/binfmt_misc rw - autofs systemd-1 rw\n"
    "72 28 0:59 / /mnt/auto rw - autofs systemd-1 rw\n"
    "64 28 0:51 / /mnt/ramdisk rw shared:44 - tmpfs tmpfs rw\n"
    "65 28 0:52 / /tmp rw shared:45 - tmpfs tmpfs rw\n"
    "66 28 0:53 / /var/lib/docker/overlay2/abc/merged rw - overlay overlay rw\n"
    "67 28 0:54 / /mnt/old rw shared:46 - ext4 /dev/sdc1 rw\n"
    "68 28 0:55 / /mnt/old rw shared:47 - cifs //server/share rw\n"
    "69 28 0:56 / /home/me/remote rw shared:48 - fuse.sshfs me@host:/ rw\n"
    "malformed line without a separator\n"
    "70 28 0:57 / relative-path rw - ext4 /dev/sdd1 rw\n";

TEST(Mounts, ParsedWithEscapesAndOptionalFields) {
    const std::vector<MountPoint> mounts = parseMountInfo(kDesktopMounts);
    ASSERT_EQ(mounts.size(), 25u); // the malformed and relative lines are skipped
    EXPECT_EQ(mounts[4], (MountPoint{"/", "ext4", "/dev/nvme0n1p2", MountKind::Disk}));
    EXPECT_EQ(mounts[12],
              (MountPoint{"/run/media/me/MY STICK", "vfat", "/dev/sdb1", MountKind::Disk}));
    EXPECT_EQ(mounts[13].kind, MountKind::Optical);
    EXPECT_EQ(mounts[16].kind, MountKind::Network);
    EXPECT_EQ(mounts[18].type, "autofs");
    EXPECT_TRUE(parseMountInfo("").empty());
    EXPECT_EQ(parseMountInfo("1 0 8:1 / /a\\134b rw - ext4 /dev/sda1 rw").at(0).path, "/a\\b");
}

TEST(Mounts, DrivesAreTheRootThenUserMountsInPathOrder) {
    struct Row {
        const char* path;
        MountKind kind;
    };
    const Row expected[] = {
        {"/", MountKind::Disk},
        {"/home", MountKind::Disk},
        {"/home/me/remote", MountKind::Network},
        {"/media/cdrom", MountKind::Optical},
        {"/mnt/auto", MountKind::Network}, // an automount: looking in would mount it
        {"/mnt/nas", MountKind::Network},
        {"/mnt/old", MountKind::Network}, // the later mount hides the disk below it
        {"/mnt/ramdisk", MountKind::Disk},
        {"/run/media/me/MY STICK", MountKind::Disk},
        {"/run/user/1000/gvfs", MountKind::Network},
    };
    const std::vector<MountPoint> roots = driveRoots(parseMountInfo(kDesktopMounts));
    ASSERT_EQ(roots.size(), std::size(expected));
    for (std::size_t i = 0; i < roots.size(); ++i) {
        EXPECT_EQ(roots[i].path, expected[i].path) << i;
        EXPECT_EQ(roots[i].kind, expected[i].kind) << roots[i].path;
    }
}

TEST(Mounts, ContainerRootAndEmptyListStillOfferTheRoot) {
    const auto container = parseMountInfo("1 0 0:40 / / rw - overlay overlay rw\n"
                                          "2 1 0:41 / /proc rw - proc proc rw\n"
                                          "3 1 8:1 /srv/music /music rw - ext4 /dev/sda1 rw\n");
    const std::vector<MountPoint> roots = driveRoots(container);
    ASSERT_EQ(roots.size(), 2u);
    EXPECT_EQ(roots[0].path, "/");
    EXPECT_EQ(roots[1].path, "/music");
    ASSERT_EQ(driveRoots({}).size(), 1u);
    EXPECT_EQ(driveRoots({}).front().path, "/");
    // this machine's own table
    EXPECT_EQ(driveRoots(currentMounts()).front().path, "/");
}

TEST(Mounts, NetworkPathsByTheirDeepestMount) {
    const std::vector<MountPoint> mounts = parseMountInfo(kDesktopMounts);
    struct Case {
        const char* path;
        bool network;
    };
    const Case cases[] = {
        {"/mnt/nas/", true},
        {"/mnt/nas/Jazz/Miles/", true},
        {"/mnt/nasty/", false},
        {"/mnt/old/x/", true},
        {"/home/me/remote/a/", true},
        {"/home/me/", false},
        {"/run/user/1000/gvfs/smb-share:server=nas,share=music/", true},
        {"/", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(isOnNetworkMount(c.path, mounts), c.network) << c.path;
    EXPECT_FALSE(isOnNetworkMount("/mnt/nas/", {}));
}

} // namespace
} // namespace kesto::test
