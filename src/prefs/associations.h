#pragma once

// Making the player the desktop's program for its file types. On a Linux
// desktop the owner of a type is the first entry of the user's mimeapps.list
// under [Default Applications] for each of the type's MIME types; the entry
// it names is a desktop file in the user's applications folder. A claim keeps
// what it replaced so a release can give the type back to its owner.

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace kesto {

class Settings;

// The user's XDG folders, and the desktops whose own mimeapps.list overrides
// the common one ($XDG_CURRENT_DESKTOP, lower-cased).
struct DesktopPlaces {
    std::string configHome;
    std::string dataHome;
    std::vector<std::string> desktops;

    // Relative or empty XDG values are ignored, as the base-directory rules say.
    static DesktopPlaces from(const char* configHome, const char* dataHome, const char* home,
                              const char* currentDesktop);
    static DesktopPlaces fromEnvironment();
};

// What the switches claim and release, in their order, and what start-up takes
// back (never the playlist types: another program may rightly own those).
inline constexpr std::array<std::string_view, 5> kSwitchTypes{"mp3", "wav", "ogg", "m3u", "pls"};
inline constexpr std::array<std::string_view, 3> kStartupTypes{"mp3", "wav", "ogg"};

// The MIME types desktops use for an extension; empty for one we do not play.
std::vector<std::string_view> mimeTypesOf(std::string_view extension);

// The Exec line of our desktop entry for `program`, and the program an Exec
// line starts (its first word, unquoted); empty when the line makes no sense.
std::string execLineFor(const std::string& program);
std::string execProgram(std::string_view execLine);

class FileAssociations {
public:
    static constexpr std::string_view kDesktopId = "kesto.desktop";

    // `program` is the running executable; the settings get the user's wish.
    FileAssociations(DesktopPlaces places, std::string program, Settings& settings);

    // A file or folder that cannot be written is skipped without a word; the
    // user's wish is recorded in any case.
    void ClaimType(std::string_view extension);
    void ReleaseType(std::string_view extension);
    // Every MIME type of the extension opens with our entry, the entry starts
    // this very program, and no desktop's own list says otherwise.
    bool IsTypeClaimed(std::string_view extension) const;

    // Tells the desktop that its database changed, when the tool for it exists.
    void notifyDesktop() const;

    std::string mimeAppsPath() const;
    std::string desktopEntryPath() const;
    std::string backupPath() const;

private:
    std::vector<std::string> overridePaths() const;
    // Drops per-desktop defaults for the types that do not name us (claim) or
    // that do (release), so the common list decides again.
    void removeOverrides(const std::vector<std::string_view>& types, bool keepOurs) const;
    void writeDesktopEntry() const;
    bool anyTypeStillOurs() const;

    DesktopPlaces places_;
    std::string program_;
    Settings& settings_;
};

// -reg and -unreg: every type in switch order, then one notification.
void claimAllTypes(FileAssociations& associations);
void releaseClaimedTypes(FileAssociations& associations);
// Start-up: takes back the media types the user wants and another program
// took; true when anything was claimed.
bool reclaimWantedTypes(FileAssociations& associations, Settings& settings);

} // namespace kesto
