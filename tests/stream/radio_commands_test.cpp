// Adding an address, fetching a remote playlist and asking a station for its
// name, with stand-ins for the network.

#include "stream/radio_commands.h"

#include "player/player.h"
#include "support/fake_view.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <thread>

namespace kesto::test {
namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;

class StreamCommands : public ::testing::Test {
protected:
    StreamCommands() {
        AudioLibrary::Options options;
        options.output = "null";
        player = std::make_unique<Player>(AppPaths(home.path()), view, options);
    }
    bool settle() {
        const auto until = std::chrono::steady_clock::now() + 5s;
        for (;;) {
            view.runPosted();
            if (player->stream.workers.running() == 0 && view.posted.empty())
                return true;
            if (std::chrono::steady_clock::now() > until)
                return false;
            std::this_thread::sleep_for(1ms);
        }
    }
    std::vector<std::string>& entries() { return player->playlist.PlaylistEntries; }

    TempDir home;
    FakeView view;
    std::unique_ptr<Player> player;
};

TEST_F(StreamCommands, AddRadioTakesOnlyAddresses) {
    EXPECT_EQ(addRadioText(*player, "radio.example/live"), AddRadioResult::Invalid);
    EXPECT_EQ(view.messages.back(),
              (FakeView::Message{MessageKind::Information, "一个无效的 URL"}));
    EXPECT_EQ(addRadioText(*player, "HTTP://r.example/my%20radio%2Flive"), AddRadioResult::Added);
    EXPECT_EQ(entries(), std::vector<std::string>{
                             "HTTP://r.example/my radio%2Flive|HTTP://r.example/my radio%2Flive"});
    EXPECT_EQ(view.lines, 1);
    EXPECT_EQ(view.messages.size(), 1u);
}

TEST_F(StreamCommands, RemotePlaylistIsFetchedOffTheWindowAndAdded) {
    std::thread::id fetchedOn;
    player->stream.hooks.download = [&](const std::string& url, const std::string& path) {
        fetchedOn = std::this_thread::get_id();
        std::ofstream(path) << "[playlist]\nFile1=http://s1.example/live\nTitle1=One\n"
                            << "File2=" << url.substr(0, 4)
                            << "://s2.example/\nNumberOfEntries=2\n";
        return true;
    };
    EXPECT_EQ(addRadioText(*player, "http://r.example/list.pls"), AddRadioResult::Downloading);
    ASSERT_TRUE(settle());
    EXPECT_NE(fetchedOn, std::this_thread::get_id());
    ASSERT_EQ(entries().size(), 2u);
    EXPECT_EQ(entries()[0].substr(0, 22), "http://s1.example/live");
    EXPECT_FALSE(std::filesystem::exists(home.file("temp.pls"))) << "the fetched file is removed";
    EXPECT_TRUE(view.messages.empty());
}

TEST_F(StreamCommands, UnreachablePlaylistSaysSoAndAddsNothing) {
    player->stream.hooks.download = [](const std::string&, const std::string& path) {
        std::ofstream{path}; // an empty answer counts as none
        return true;
    };
    DownloadPlaylist(*player, "http://r.example/list.pls");
    ASSERT_TRUE(settle());
    EXPECT_EQ(view.messages.back(),
              (FakeView::Message{MessageKind::Information, "无法连接到 URL。"}));
    EXPECT_TRUE(entries().empty());
    EXPECT_FALSE(std::filesystem::exists(home.file("temp.pls")));
}

// A playlist that arrives while a dialog holds lines of the list waits for
// the dialog; two fetched at once do not share a file.
TEST_F(StreamCommands, FetchedEntriesWaitForANestedLoopAndDoNotCollide) {
    std::atomic<int> downloads = 0;
    player->stream.hooks.download = [&](const std::string& url, const std::string& path) {
        ++downloads;
        while (downloads < 2)
            std::this_thread::sleep_for(1ms);
        std::ofstream(path) << "[playlist]\nFile1=" << url << "-entry\n";
        return true;
    };
    {
        const auto loop = player->nestedLoops.enter();
        DownloadPlaylist(*player, "http://a.example/x.pls");
        DownloadPlaylist(*player, "http://b.example/x.pls");
        ASSERT_TRUE(settle());
        EXPECT_TRUE(entries().empty());
    }
    ASSERT_TRUE(settle());
    std::vector<std::string> got = entries();
    std::sort(got.begin(), got.end());
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].substr(0, 28), "http://a.example/x.pls-entry");
    EXPECT_EQ(got[1].substr(0, 28), "http://b.example/x.pls-entry");
}

TEST_F(StreamCommands, StationNameFromIcyNameOrTheAddress) {
    const std::pair<std::optional<std::string>, std::string> cases[] = {
        {"ICY 200 OK\0icy-name: Jazz FM\0icy-br:128\0\0"s, "Jazz FM"},
        {"icy-br:128\0\0"s, "http://r.example/live"},
        {std::nullopt, "http://r.example/live"},
    };
    for (const auto& [icy, expected] : cases) {
        SCOPED_TRACE(expected);
        player->stream.hooks.openUrl = [](const std::string&, std::uint32_t flags) {
            EXPECT_EQ(flags, kStreamMeta);
            return ConnectResult{77, 0};
        };
        player->stream.hooks.readTags = [icy](AudioHandle handle, TagKind kind) {
            EXPECT_EQ(handle, 77u);
            return kind == TagKind::Icy ? icy : std::nullopt;
        };
        std::string name = "(none)";
        fetchStationName(*player, "http://r.example/live", [&](const std::string& n) { name = n; });
        ASSERT_TRUE(settle());
        EXPECT_EQ(name, expected);
    }
}

TEST_F(StreamCommands, StationThatCannotBeReachedKeepsItsAddress) {
    player->stream.hooks.openUrl = [](const std::string&, std::uint32_t) {
        return ConnectResult{0, 2};
    };
    std::string name;
    fetchStationName(*player, "http://r.example/live", [&](const std::string& n) { name = n; });
    ASSERT_TRUE(settle());
    EXPECT_EQ(name, "http://r.example/live");
}

} // namespace
} // namespace kesto::test
