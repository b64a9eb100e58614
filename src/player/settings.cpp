#include "player/settings.h"

#include "platform/fd_io.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <langinfo.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kesto {

bool IniIsReadOnly(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return false;
    return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

std::optional<std::string> readWholeFile(const std::string& path, std::size_t maxBytes) {
    // Only a regular file: a FIFO would block the window and /dev/zero has no end.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<std::uint64_t>(st.st_size) > maxBytes) {
        ::close(fd);
        return std::nullopt;
    }
    std::string data;
    char buf[16384];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        data.append(buf, static_cast<std::size_t>(n));
        // The file may grow while it is read.
        if (data.size() > maxBytes) {
            ::close(fd);
            return std::nullopt;
        }
    }
    ::close(fd);
    return data;
}

namespace {

std::string resolveLink(const std::string& path) {
    char target[PATH_MAX];
    if (char* real = ::realpath(path.c_str(), target))
        return real;
    return path;
}

} // namespace

bool writeFileAtomically(const std::string& path, std::string_view bytes) {
    struct stat st {};
    const bool exists = ::lstat(path.c_str(), &st) == 0;
    const std::string target = exists && S_ISLNK(st.st_mode) ? resolveLink(path) : path;
    mode_t mode = 0644;
    if (::stat(target.c_str(), &st) == 0)
        mode = st.st_mode & 07777;

    std::string temp = target + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return false;
    bool ok =
        writeAll(fd, bytes.data(), bytes.size()) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok && ::rename(temp.c_str(), target.c_str()) == 0)
        return true;
    ::unlink(temp.c_str());
    return false;
}

std::optional<int> parseIniInt(std::string_view text) {
    if (text.empty())
        return std::nullopt;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (*first == '+')
        ++first;
    int value = 0;
    const auto [ptr, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || ptr != last || first == last)
        return std::nullopt;
    return value;
}

std::string localeShortDateFormat() {
    const char* fmt = ::nl_langinfo(D_FMT);
    return fmt && *fmt ? fmt : kCShortDateFormat;
}

namespace {

// A two-digit year cannot say which century it means; earlier versions wrote all four digits.
std::string withFullYear(std::string format) {
    for (std::size_t i = 0; i + 1 < format.size(); ++i) {
        if (format[i] == '%' && format[i + 1] == 'y')
            format[i + 1] = 'Y';
        else if (format[i] == '%')
            ++i;
    }
    return format;
}

std::optional<Date> dateOf(int y, unsigned m, unsigned d) {
    using namespace std::chrono;
    const year_month_day ymd{year{y}, month{m}, day{d}};
    if (!ymd.ok())
        return std::nullopt;
    return sys_days{ymd};
}

std::optional<Date> parseWith(std::string_view text, const std::string& format) {
    std::tm tm{};
    const std::string s(text);
    const char* end = ::strptime(s.c_str(), format.c_str(), &tm);
    if (!end)
        return std::nullopt;
    while (*end == ' ')
        ++end;
    if (*end)
        return std::nullopt;
    return dateOf(tm.tm_year + 1900, static_cast<unsigned>(tm.tm_mon + 1),
                  static_cast<unsigned>(tm.tm_mday));
}

// Exactly yyyy-mm-dd: strptime's %Y would also take "26-12-08" as the year 26.
std::optional<Date> parseIso(std::string_view text) {
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    if (text.size() != 10 || text[4] != '-' || text[7] != '-')
        return std::nullopt;
    const auto number = [&](std::size_t from, std::size_t count) -> std::optional<int> {
        int value = 0;
        const char* first = text.data() + from;
        const auto [ptr, ec] = std::from_chars(first, first + count, value);
        if (ec != std::errc() || ptr != first + count)
            return std::nullopt;
        return value;
    };
    const auto y = number(0, 4), m = number(5, 2), d = number(8, 2);
    if (!y || !m || !d || *m < 1 || *d < 1)
        return std::nullopt;
    return dateOf(*y, static_cast<unsigned>(*m), static_cast<unsigned>(*d));
}

} // namespace

std::string formatDate(Date date) {
    using namespace std::chrono;
    const year_month_day ymd{date};
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02u-%02u", static_cast<int>(ymd.year()),
                  static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()));
    return buf;
}

std::optional<Date> parseDate(std::string_view text, const std::string& shortDateFormat) {
    if (text.empty())
        return std::nullopt;
    if (auto d = parseIso(text))
        return d;
    // What earlier versions wrote: the short date of the writer's locale,
    // which was the reader's own or, for the maintenance switch, the C
    // locale's. The two-digit form first: "26" must not be read as year 26.
    for (const std::string& format : {shortDateFormat, std::string(kCShortDateFormat)}) {
        if (auto d = parseWith(text, format))
            return d;
        if (auto d = parseWith(text, withFullYear(format)))
            return d;
    }
    return std::nullopt;
}

Settings::Settings(std::string path)
    : path_(std::move(path)), dateFormat_(localeShortDateFormat()) {}

std::optional<Settings::Identity> Settings::identityOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return std::nullopt;
    Identity id;
    id.dev = st.st_dev;
    id.ino = st.st_ino;
    id.size = st.st_size;
    id.mtimeNs = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    id.ctimeNs = static_cast<long long>(st.st_ctim.tv_sec) * 1000000000LL + st.st_ctim.tv_nsec;
    return id;
}

void Settings::refresh() {
    const auto id = identityOf(path_);
    if (loaded_ && id == cached_)
        return;
    auto text = id ? readWholeFile(path_) : std::nullopt;
    doc_ = text ? IniDocument::parse(*text) : IniDocument();
    cached_ = text ? id : std::nullopt;
    loaded_ = true;
}

const IniDocument& Settings::snapshot() {
    refresh();
    return doc_;
}

std::optional<std::string> Settings::readRaw(std::string_view section, std::string_view key) {
    refresh();
    if (auto v = doc_.value(section, key))
        return std::string(*v);
    return std::nullopt;
}

int Settings::readInt(std::string_view section, std::string_view key, int def) {
    refresh();
    const auto v = doc_.value(section, key);
    if (!v)
        return def;
    return parseIniInt(*v).value_or(def);
}

bool Settings::readBool(std::string_view section, std::string_view key, bool def) {
    refresh();
    const auto v = doc_.value(section, key);
    if (!v)
        return def;
    const auto n = parseIniInt(*v);
    return n ? *n != 0 : def;
}

std::string Settings::readString(std::string_view section, std::string_view key,
                                 std::string_view def) {
    refresh();
    const auto v = doc_.value(section, key);
    return std::string(v ? *v : def);
}

Date Settings::readDate(std::string_view section, std::string_view key, Date def) {
    refresh();
    const auto v = doc_.value(section, key);
    if (!v)
        return def;
    return parseDate(*v, dateFormat_).value_or(def);
}

bool Settings::update(const std::function<void(IniDocument&)>& change) {
    if (IniIsReadOnly(path_))
        return false;
    try {
        refresh();
        IniDocument edited = doc_;
        change(edited);
        if (!writeFileAtomically(path_, edited.serialize()))
            return false;
        doc_ = std::move(edited);
        cached_ = identityOf(path_);
        return true;
    } catch (...) {
        // A failing settings write is ignored; the next read sees the file as it is.
        loaded_ = false;
        return false;
    }
}

void Settings::writeInt(std::string_view section, std::string_view key, int value) {
    writeString(section, key, std::to_string(value));
}

void Settings::writeBool(std::string_view section, std::string_view key, bool value) {
    writeString(section, key, value ? "1" : "0");
}

void Settings::writeString(std::string_view section, std::string_view key, std::string_view value) {
    update([&](IniDocument& d) { d.set(section, key, value); });
}

void Settings::writeDate(std::string_view section, std::string_view key, Date value) {
    writeString(section, key, formatDate(value));
}

void Settings::deleteKey(std::string_view section, std::string_view key) {
    update([&](IniDocument& d) { d.remove(section, key); });
}

bool Settings::readAssociation(std::string_view extension) {
    return readBool("Associations", extension, false);
}
void Settings::writeAssociation(std::string_view extension, bool wanted) {
    writeBool("Associations", extension, wanted);
}
int Settings::readEnqueueOption() {
    return readInt("General", "EnqueueOption", 2);
}
void Settings::writeEnqueueOption(int option) {
    writeInt("General", "EnqueueOption", option);
}
std::string Settings::readLastNewVersion() {
    return readString("General", "lastnewversion", "none");
}
void Settings::writeLastNewVersion(std::string_view version) {
    writeString("General", "lastnewversion", version);
}
Date Settings::readLastVersionCheck() {
    return readDate("General", "lastversioncheck", kZeroDate);
}
void Settings::writeLastVersionCheck(Date date) {
    writeDate("General", "lastversioncheck", date);
}

} // namespace kesto
