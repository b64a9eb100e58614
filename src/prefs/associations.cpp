#include "prefs/associations.h"

#include "player/ini_document.h"
#include "player/paths.h"
#include "player/settings.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace kesto {

namespace {

constexpr std::string_view kDefaults = "Default Applications";
constexpr std::string_view kRemoved = "Removed Associations";
// The backup file's groups: the default a claim replaced, or that there was none.
constexpr std::string_view kPrevious = "Previous Defaults";
constexpr std::string_view kUnset = "Previously Unset";

bool absolute(const char* path) {
    return path && path[0] == '/';
}

std::string lowered(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::vector<std::string> splitList(std::string_view list, char separator) {
    std::vector<std::string> ids;
    while (!list.empty()) {
        const std::size_t end = std::min(list.find(separator), list.size());
        std::string_view id = list.substr(0, end);
        while (!id.empty() && id.front() == ' ')
            id.remove_prefix(1);
        while (!id.empty() && id.back() == ' ')
            id.remove_suffix(1);
        if (!id.empty())
            ids.emplace_back(id);
        list.remove_prefix(std::min(end + 1, list.size()));
    }
    return ids;
}

std::vector<std::string> desktopIds(std::string_view list) {
    return splitList(list, ';');
}

std::string joined(const std::vector<std::string>& ids) {
    std::string out;
    for (const std::string& id : ids)
        out += id + ";";
    return out;
}

// The list without our entry; what stays is the user's order.
std::vector<std::string> withoutUs(std::vector<std::string> ids) {
    std::erase(ids, std::string(FileAssociations::kDesktopId));
    return ids;
}

bool namesUsFirst(std::optional<std::string_view> value) {
    if (!value)
        return false;
    const std::vector<std::string> ids = desktopIds(*value);
    return !ids.empty() && ids.front() == FileAssociations::kDesktopId;
}

IniDocument readList(const std::string& path) {
    const std::optional<std::string> text = readWholeFile(path);
    return text ? IniDocument::parse(*text) : IniDocument();
}

// Creates the folders up to `path`'s parent, owner-only as the XDG rules ask
// for a base folder that did not exist. False when one cannot be made.
bool makeParents(const std::string& path) {
    for (std::size_t at = path.find('/', 1); at != std::string::npos; at = path.find('/', at + 1)) {
        const std::string folder = path.substr(0, at);
        if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    return true;
}

void writeList(const std::string& path, const IniDocument& document) {
    if (makeParents(path))
        writeFileAtomically(path, document.serialize());
}

// Desktop-entry quoting: a double-quoted argument escapes ", `, $ and \ with
// a backslash; the value itself then escapes each backslash once more, and a
// literal % is doubled because Exec gives it a meaning.
std::string quotedArgument(const std::string& argument) {
    std::string out = "\"";
    for (const char c : argument) {
        if (c == '"' || c == '`' || c == '$')
            out += "\\\\";
        else if (c == '\\')
            out += "\\\\\\";
        if (c == '%')
            out += '%';
        out += c;
    }
    return out + "\"";
}

std::string unescapedValue(std::string_view value) {
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        const char c = value[++i];
        out += c == 's' ? ' ' : c == 'n' ? '\n' : c == 't' ? '\t' : c == 'r' ? '\r' : c;
    }
    return out;
}

bool onPath(const std::string& tool) {
    const char* path = std::getenv("PATH");
    std::string_view dirs = path ? path : "/usr/bin:/bin";
    while (!dirs.empty()) {
        const std::size_t end = std::min(dirs.find(':'), dirs.size());
        const std::string candidate = std::string(dirs.substr(0, end)) + "/" + tool;
        if (!dirs.substr(0, end).empty() && ::access(candidate.c_str(), X_OK) == 0)
            return true;
        dirs.remove_prefix(std::min(end + 1, dirs.size()));
    }
    return false;
}

} // namespace

DesktopPlaces DesktopPlaces::from(const char* configHome, const char* dataHome, const char* home,
                                  const char* currentDesktop) {
    DesktopPlaces places;
    const std::string homeDir = absolute(home) ? home : "";
    places.configHome = absolute(configHome) ? configHome : homeDir + "/.config";
    places.dataHome = absolute(dataHome) ? dataHome : homeDir + "/.local/share";
    // A name with a slash would point the override file into another folder.
    for (const std::string& name : splitList(currentDesktop ? currentDesktop : "", ':'))
        if (name.find('/') == std::string::npos)
            places.desktops.push_back(lowered(name));
    return places;
}

DesktopPlaces DesktopPlaces::fromEnvironment() {
    return from(std::getenv("XDG_CONFIG_HOME"), std::getenv("XDG_DATA_HOME"), std::getenv("HOME"),
                std::getenv("XDG_CURRENT_DESKTOP"));
}

std::vector<std::string_view> mimeTypesOf(std::string_view extension) {
    if (extension == "mp3")
        return {"audio/mpeg", "audio/mp3"};
    if (extension == "wav")
        return {"audio/x-wav", "audio/wav", "audio/vnd.wave"};
    if (extension == "ogg")
        return {"audio/ogg", "audio/x-vorbis+ogg", "audio/vorbis"};
    if (extension == "pls")
        return {"audio/x-scpls"};
    if (extension == "m3u")
        return {"audio/x-mpegurl", "audio/mpegurl"};
    return {};
}

std::string execLineFor(const std::string& program) {
    return quotedArgument(program) + " %F";
}

std::string execProgram(std::string_view execLine) {
    const std::string line = unescapedValue(execLine);
    std::string program;
    std::size_t i = 0;
    if (!line.empty() && line[0] == '"') {
        for (i = 1; i < line.size() && line[i] != '"'; ++i) {
            if (line[i] == '\\' && i + 1 < line.size())
                ++i;
            program += line[i];
        }
        if (i == line.size())
            return {}; // an unclosed quote
    } else {
        for (; i < line.size() && line[i] != ' '; ++i)
            program += line[i];
    }
    std::string unpercented;
    for (std::size_t k = 0; k < program.size(); ++k) {
        unpercented += program[k];
        if (program[k] == '%' && k + 1 < program.size() && program[k + 1] == '%')
            ++k;
    }
    return unpercented;
}

FileAssociations::FileAssociations(DesktopPlaces places, std::string program, Settings& settings)
    : places_(std::move(places)), program_(std::move(program)), settings_(settings) {}

std::string FileAssociations::mimeAppsPath() const {
    return places_.configHome + "/mimeapps.list";
}
std::string FileAssociations::desktopEntryPath() const {
    return places_.dataHome + "/applications/" + std::string(kDesktopId);
}
std::string FileAssociations::backupPath() const {
    return places_.configHome + "/kesto/previous-defaults.list";
}

std::vector<std::string> FileAssociations::overridePaths() const {
    std::vector<std::string> paths;
    for (const std::string& desktop : places_.desktops)
        paths.push_back(places_.configHome + "/" + desktop + "-mimeapps.list");
    return paths;
}

void FileAssociations::removeOverrides(const std::vector<std::string_view>& types,
                                       bool keepOurs) const {
    for (const std::string& path : overridePaths()) {
        const std::optional<std::string> text = readWholeFile(path);
        if (!text)
            continue;
        IniDocument list = IniDocument::parse(*text);
        bool changed = false;
        for (const std::string_view type : types) {
            const std::optional<std::string_view> value = list.value(kDefaults, type);
            if (value && namesUsFirst(value) != keepOurs) {
                list.remove(kDefaults, type);
                changed = true;
            }
        }
        if (changed)
            writeList(path, list);
    }
}

void FileAssociations::writeDesktopEntry() const {
    std::string mime;
    for (const std::string_view extension : kSwitchTypes)
        for (const std::string_view type : mimeTypesOf(extension))
            mime += std::string(type) + ";";
    const std::string entry = "[Desktop Entry]\n"
                              "Type=Application\n"
                              "Name=Kesto\n"
                              "GenericName=Music Player\n"
                              "Comment=Play music files and internet radio\n"
                              "Exec=" +
                              execLineFor(program_) +
                              "\n"
                              "Terminal=false\n"
                              "Categories=AudioVideo;Audio;Player;\n"
                              "MimeType=" +
                              mime + "\n";
    const std::string path = desktopEntryPath();
    if (makeParents(path))
        writeFileAtomically(path, entry);
}

void FileAssociations::ClaimType(std::string_view extension) {
    const std::vector<std::string_view> types = mimeTypesOf(extension);
    removeOverrides(types, true);

    IniDocument list = readList(mimeAppsPath());
    IniDocument backup = readList(backupPath());
    for (const std::string_view type : types) {
        const std::optional<std::string_view> current = list.value(kDefaults, type);
        std::vector<std::string> ids = current ? desktopIds(*current) : std::vector<std::string>{};
        // Claiming what is ours already keeps the owner we replaced the first
        // time, so a release still gives the type back to it.
        if (!namesUsFirst(current)) {
            backup.remove(kPrevious, type);
            backup.remove(kUnset, type);
            if (ids.empty())
                backup.set(kUnset, type, "1");
            else
                backup.set(kPrevious, type, joined(ids));
        }
        list.set(kDefaults, type,
                 std::string(kDesktopId) + ";" + joined(withoutUs(std::move(ids))));

        if (const std::optional<std::string_view> removed = list.value(kRemoved, type)) {
            const std::vector<std::string> rest = withoutUs(desktopIds(*removed));
            if (rest.empty())
                list.remove(kRemoved, type);
            else
                list.set(kRemoved, type, joined(rest));
        }
    }
    writeList(backupPath(), backup);
    writeList(mimeAppsPath(), list);
    writeDesktopEntry();
    settings_.writeAssociation(extension, true);
}

void FileAssociations::ReleaseType(std::string_view extension) {
    const std::vector<std::string_view> types = mimeTypesOf(extension);
    removeOverrides(types, false);

    IniDocument list = readList(mimeAppsPath());
    IniDocument backup = readList(backupPath());
    for (const std::string_view type : types) {
        // A type another program took after our claim is its own now.
        if (namesUsFirst(list.value(kDefaults, type))) {
            const std::optional<std::string_view> previous = backup.value(kPrevious, type);
            const std::vector<std::string> ids =
                withoutUs(previous ? desktopIds(*previous) : std::vector<std::string>{});
            if (ids.empty())
                list.remove(kDefaults, type);
            else
                list.set(kDefaults, type, joined(ids));
        }
        backup.remove(kPrevious, type);
        backup.remove(kUnset, type);
    }
    writeList(mimeAppsPath(), list);
    if (backup.keys(kPrevious).empty() && backup.keys(kUnset).empty())
        ::unlink(backupPath().c_str());
    else
        writeList(backupPath(), backup);
    if (!anyTypeStillOurs())
        ::unlink(desktopEntryPath().c_str());
    settings_.writeAssociation(extension, false);
}

bool FileAssociations::IsTypeClaimed(std::string_view extension) const {
    const std::vector<std::string_view> types = mimeTypesOf(extension);
    if (types.empty())
        return false;
    const IniDocument list = readList(mimeAppsPath());
    for (const std::string_view type : types)
        if (!namesUsFirst(list.value(kDefaults, type)))
            return false;
    for (const std::string& path : overridePaths()) {
        const IniDocument own = readList(path);
        for (const std::string_view type : types) {
            const std::optional<std::string_view> value = own.value(kDefaults, type);
            if (value && !desktopIds(*value).empty() && !namesUsFirst(value))
                return false;
        }
    }
    const IniDocument entry = readList(desktopEntryPath());
    const std::optional<std::string_view> exec = entry.value("Desktop Entry", "Exec");
    return exec && !program_.empty() && execProgram(*exec) == program_;
}

bool FileAssociations::anyTypeStillOurs() const {
    const IniDocument list = readList(mimeAppsPath());
    for (const std::string_view extension : kSwitchTypes)
        for (const std::string_view type : mimeTypesOf(extension))
            if (namesUsFirst(list.value(kDefaults, type)))
                return true;
    return false;
}

void FileAssociations::notifyDesktop() const {
    if (!onPath("update-desktop-database"))
        return;
    // The tool may take a while on a large folder: a shell starts it in the
    // background and ends at once, so nobody waits and no child is left unreaped.
    const std::string folder = places_.dataHome + "/applications";
    const char* argv[] = {
        "sh", "-c",           "update-desktop-database -q \"$1\" >/dev/null 2>&1 &",
        "sh", folder.c_str(), nullptr};
    pid_t pid = 0;
    if (::posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ) == 0)
        ::waitpid(pid, nullptr, 0);
}

void claimAllTypes(FileAssociations& associations) {
    for (const std::string_view extension : kSwitchTypes)
        associations.ClaimType(extension);
    associations.notifyDesktop();
}

void releaseClaimedTypes(FileAssociations& associations) {
    for (const std::string_view extension : kSwitchTypes)
        if (associations.IsTypeClaimed(extension))
            associations.ReleaseType(extension);
    associations.notifyDesktop();
}

bool reclaimWantedTypes(FileAssociations& associations, Settings& settings) {
    bool claimed = false;
    for (const std::string_view extension : kStartupTypes) {
        if (!associations.IsTypeClaimed(extension) && settings.readAssociation(extension)) {
            associations.ClaimType(extension);
            claimed = true;
        }
    }
    if (claimed)
        associations.notifyDesktop();
    return claimed;
}

} // namespace kesto
