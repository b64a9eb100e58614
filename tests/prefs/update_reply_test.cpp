#include "prefs/update_reply.h"

#include <gtest/gtest.h>

namespace kesto::test {
namespace {

using namespace std::chrono;

TEST(PrefsUpdateReply, ReadsAddressVersionAndMessageWhateverTheLineEnds) {
    struct Case {
        const char* bytes;
        const char* address;
        const char* version;
        const char* message;
        int lines;
    };
    const Case cases[] = {
        {"http://a/get\n2.0\nNew!\nGet it.\n", "http://a/get", "2.0", "New!\rGet it.", 4},
        {"http://a/get\r\n2.0\r\nNew!\r\nGet it.", "http://a/get", "2.0", "New!\rGet it.", 4},
        {"http://a/get\r2.0\rNew!\rGet it.\r", "http://a/get", "2.0", "New!\rGet it.", 4},
        // Empty lines inside the message stay; the ending of the last line adds none.
        {"u\nv\none\n\nthree\n", "u", "v", "one\r\rthree", 5},
        {"u\n\nmsg", "u", "", "msg", 3},
        // Short replies: what was read, and whether there is a version at all.
        {"u\nv\n", "u", "v", "", 2},
        {"u\n", "u", "", "", 1},
        {"", "", "", "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        const UpdateReply r = parseUpdateReply(c.bytes);
        EXPECT_EQ(r.address, c.address);
        EXPECT_EQ(r.version, c.version);
        EXPECT_EQ(r.message, c.message);
        EXPECT_EQ(r.lines, c.lines);
        EXPECT_EQ(r.hasVersion(), c.lines >= 2);
    }
}

TEST(PrefsUpdateReply, OnlyWebPagesAreOpenable) {
    for (const char* good : {"http://example.org/", "https://example.org/kesto?v=2",
                             "HTTPS://Example.org", "http://127.0.0.1:8080/x"})
        EXPECT_TRUE(isOpenableAddress(good)) << good;
    for (const char* bad :
         {"file:///etc/passwd", "javascript:alert(1)", "JavaScript:alert(1)", "ftp://example.org/",
          "http:///etc/passwd", "http://", "https://", "", " http://example.org/",
          "http://example.org/a b", "http://example.org/\x01", "httpx://example.org/",
          "mailto:a@example.org", "/usr/bin/xterm", "http:example.org"})
        EXPECT_FALSE(isOpenableAddress(bad)) << bad;
}

TEST(PrefsUpdateReply, TheRequestAsksTheConfiguredHostOnly) {
    EXPECT_EQ(updateCheckUrl(kDefaultUpdateServer),
              "http://update.kesto.invalid/updatecheck.php?app=kesto&version=1.04b");
    EXPECT_EQ(updateCheckUrl("127.0.0.1:8080"),
              "http://127.0.0.1:8080/updatecheck.php?app=kesto&version=1.04b");
    EXPECT_EQ(updateCheckUrl("[::1]:80"),
              "http://[::1]:80/updatecheck.php?app=kesto&version=1.04b");
    // Anything that would change the path, the scheme or the user part.
    for (const char* bad : {"", "http://example.org", "example.org/other.php?", "a@example.org",
                            "example.org#", "exa mple.org", ":80", ".example.org"})
        EXPECT_EQ(updateCheckUrl(bad), "") << bad;
}

TEST(PrefsUpdateReply, DueEverySevenDaysEitherWay) {
    const Date today = sys_days{2026y / 12 / 10};
    EXPECT_FALSE(updateCheckDue(true, today, today));
    EXPECT_FALSE(updateCheckDue(true, today, today - days{6}));
    EXPECT_TRUE(updateCheckDue(true, today, today - days{7}));
    // A clock that went back a week or more counts as well.
    EXPECT_FALSE(updateCheckDue(true, today, today + days{6}));
    EXPECT_TRUE(updateCheckDue(true, today, today + days{7}));
    EXPECT_TRUE(updateCheckDue(true, today, kZeroDate));
    EXPECT_FALSE(updateCheckDue(false, today, kZeroDate));
}

} // namespace
} // namespace kesto::test
