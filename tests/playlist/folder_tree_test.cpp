#include "playlist/folder_tree.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace kesto::test {
namespace {

using Strings = std::vector<std::string>;

TEST(FolderTree, SubFoldersSortedIgnoringCaseWithoutFiles) {
    TempDir dir;
    for (const char* name : {"beta", "Alpha", "gamma/inner", "Zulu", ".hidden"})
        makeDirs(dir.file(name));
    writeFile(dir.file("file.mp3"), "x");
    writeFile(dir.file("gamma/song.mp3"), "x");
    ASSERT_EQ(::symlink(dir.file("beta").c_str(), dir.file("link-to-beta").c_str()), 0);
    ASSERT_EQ(::symlink(dir.file("nowhere").c_str(), dir.file("dangling").c_str()), 0);
    ASSERT_EQ(::symlink(dir.file("file.mp3").c_str(), dir.file("link-to-file").c_str()), 0);

    EXPECT_EQ(listSubFolders(dir.path()),
              (Strings{".hidden", "Alpha", "beta", "gamma", "link-to-beta", "Zulu"}));
    EXPECT_EQ(listSubFolders(dir.path() + "/"), listSubFolders(dir.path()));
    EXPECT_EQ(listSubFolders(dir.file("gamma")), Strings{"inner"});
    EXPECT_TRUE(listSubFolders(dir.file("gamma/inner")).empty());
    EXPECT_TRUE(listSubFolders(dir.file("missing")).empty());
    EXPECT_TRUE(listSubFolders(dir.file("file.mp3")).empty());

    EXPECT_TRUE(hasSubFolder(dir.path()));
    EXPECT_TRUE(hasSubFolder(dir.file("gamma")));
    EXPECT_FALSE(hasSubFolder(dir.file("gamma/inner")));
    EXPECT_FALSE(hasSubFolder(dir.file("missing")));
}

TEST(FolderTree, UnreadableFolderHasNoSubFolders) {
    TempDir dir;
    makeDirs(dir.file("locked/inside"));
    ASSERT_EQ(::chmod(dir.file("locked").c_str(), 0), 0);
    // Root reads any folder; there the listing simply works.
    const Strings expected = ::geteuid() == 0 ? Strings{"inside"} : Strings{};
    EXPECT_EQ(listSubFolders(dir.file("locked")), expected);
    EXPECT_EQ(hasSubFolder(dir.file("locked")), !expected.empty());
    ::chmod(dir.file("locked").c_str(), 0755);
}

TEST(FolderTree, AtMostTheLimitInAnUnbrokenAlphabeticalRun) {
    TempDir dir;
    for (int i = 0; i < 1005; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "d%04d", i);
        ASSERT_EQ(::mkdir(dir.file(name).c_str(), 0755), 0);
    }
    const Strings names = listSubFolders(dir.path());
    ASSERT_EQ(names.size(), kMaxSubFolders);
    EXPECT_EQ(names.front(), "d0000");
    EXPECT_EQ(names.back(), "d0999");
    EXPECT_EQ(listSubFolders(dir.path(), 3), (Strings{"d0000", "d0001", "d0002"}));
}

TEST(FolderTree, RouteFromTheDeepestRootThatHoldsThePath) {
    struct Case {
        const char* path;
        Strings roots;
        TreeRoute route;
    };
    const Strings drives{"/", "/media/stick/", "/mnt/nas"};
    const Case cases[] = {
        {"/media/stick/Music/Rock/", drives, {1, {"Music", "Rock"}}},
        {"/media/stick", drives, {1, {}}},
        {"/media/sticky/x", drives, {0, {"media", "sticky", "x"}}},
        {"/mnt/nas/a", drives, {2, {"a"}}},
        {"/home/me//Music/", drives, {0, {"home", "me", "Music"}}},
        {"/", drives, {0, {}}},
        {"/home/me/Music/Jazz", {"/home/me/Music/"}, {0, {"Jazz"}}},
        // a music folder root holds only what lies inside it
        {"/home/me/Musical/", {"/home/me/Music/"}, {-1, {}}},
        {"/home/me/music/Jazz", {"/home/me/Music/"}, {-1, {}}},
        {"/anything", {}, {-1, {}}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(routeToFolder(c.path, c.roots), c.route) << c.path;
}

} // namespace
} // namespace kesto::test
