#pragma once

// Kesto.ini through typed single-value accessors. Every read sees the latest
// write of any process: the parsed file is cached and checked against the
// file's identity (device, inode, size, modification and change time) before
// each read, and every write goes to disk (temporary file, then rename) before
// it returns. Writes obey the read-only rule and swallow their errors.

#include "player/ini_document.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kesto {

using Date = std::chrono::sys_days;
// The zero date of the settings file (1899-12-30): "never", so a weekly check is due at once.
inline constexpr Date kZeroDate = std::chrono::sys_days{std::chrono::year{1899} / 12 / 30};

// True when the file exists and no write permission bit is set on it. The mode
// decides, not access(2), so that a frozen file stays frozen for root too.
bool IniIsReadOnly(const std::string& path);

// Writes `bytes` to a temporary file beside `path` and renames it over `path`,
// keeping the old file's permissions. A symbolic link is written through to its
// target. Returns false (and leaves `path` as it was) on any failure.
bool writeFileAtomically(const std::string& path, std::string_view bytes);
// The whole file, or nothing when it cannot be opened, is not a regular file
// or is larger than `maxBytes`.
std::optional<std::string> readWholeFile(const std::string& path, std::size_t maxBytes = SIZE_MAX);

// Dates are written in one form, yyyy-mm-dd, whatever the locale: the file is
// shared by processes that run in different locales (the maintenance
// switches run before the toolkit takes on the user's locale, and users
// change theirs). Reading takes that form, and also the short date forms that
// earlier versions wrote: the given locale format's (two- or four-digit year)
// and the C locale's.
std::string formatDate(Date date);
std::optional<Date> parseDate(std::string_view text, const std::string& shortDateFormat);
// The current locale's short date format (nl_langinfo), for reading old files.
std::string localeShortDateFormat();
inline constexpr const char* kCShortDateFormat = "%m/%d/%y";

class Settings {
public:
    explicit Settings(std::string path);

    const std::string& path() const { return path_; }
    bool readOnly() const { return IniIsReadOnly(path_); }

    int readInt(std::string_view section, std::string_view key, int def);
    bool readBool(std::string_view section, std::string_view key, bool def);
    std::string readString(std::string_view section, std::string_view key, std::string_view def);
    Date readDate(std::string_view section, std::string_view key, Date def);
    std::optional<std::string> readRaw(std::string_view section, std::string_view key);

    void writeInt(std::string_view section, std::string_view key, int value);
    void writeBool(std::string_view section, std::string_view key, bool value);
    void writeString(std::string_view section, std::string_view key, std::string_view value);
    void writeDate(std::string_view section, std::string_view key, Date value);
    void deleteKey(std::string_view section, std::string_view key);

    // Reads the file once, lets `change` edit it, writes it back once. Nothing
    // happens when the file is read-only. Returns whether the file was written.
    bool update(const std::function<void(IniDocument&)>& change);

    // The parsed file as it is on disk now (for loaders that read many keys).
    const IniDocument& snapshot();

    // Dedicated accessors.
    bool readAssociation(std::string_view extension);
    void writeAssociation(std::string_view extension, bool wanted);
    int readEnqueueOption();
    void writeEnqueueOption(int option);
    std::string readLastNewVersion();
    void writeLastNewVersion(std::string_view version);
    Date readLastVersionCheck();
    void writeLastVersionCheck(Date date);

    // The locale format old dates are read in; the locale's at construction.
    void setDateFormat(std::string format) { dateFormat_ = std::move(format); }

private:
    struct Identity {
        unsigned long long dev = 0, ino = 0;
        long long size = -1, mtimeNs = 0, ctimeNs = 0;
        bool operator==(const Identity&) const = default;
    };
    static std::optional<Identity> identityOf(const std::string& path);
    void refresh();

    std::string path_;
    std::string dateFormat_;
    IniDocument doc_;
    std::optional<Identity> cached_; // identity of the file doc_ was read from; empty: no file
    bool loaded_ = false;
};

// Integer text as the settings file stores it: optional sign, decimal digits, nothing else.
std::optional<int> parseIniInt(std::string_view text);

} // namespace kesto
