#include "playlist/entry.h"

#include "controls/fast_strings.h"
#include "playlist/text_lines.h"

#include <array>
#include <utility>

namespace kesto {

std::string_view EntryPath(std::string_view entry) {
    const std::size_t bar = entry.find('|');
    return bar == std::string_view::npos ? entry : entry.substr(0, bar);
}

std::string_view EntryTitle(std::string_view entry) {
    const std::size_t bar = entry.find('|');
    if (bar == std::string_view::npos)
        return entry;
    return utf8Prefix(entry.substr(bar + 1), kMaxTitleChars);
}

std::string_view fileNamePart(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string_view folderPart(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string_view{} : path.substr(0, slash + 1);
}

std::string_view fileExtension(std::string_view path) {
    const std::string_view name = fileNamePart(path);
    const std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string_view{} : name.substr(dot);
}

EntryKind ClassifyEntry(std::string_view text) {
    const std::string_view path = EntryPath(text);
    if (path.size() > 6 && isUrl(path))
        return EntryKind::Stream;

    static constexpr std::array<std::pair<std::string_view, EntryKind>, 17> kByExtension{{
        {".mp3", EntryKind::AudioFile},
        {".wav", EntryKind::AudioFile},
        {".ogg", EntryKind::AudioFile},
        {".mp2", EntryKind::AudioFile},
        {".mp1", EntryKind::AudioFile},
        {".xm", EntryKind::Module},
        {".mod", EntryKind::Module},
        {".s3m", EntryKind::Module},
        {".it", EntryKind::Module},
        {".mtm", EntryKind::Module},
        {".mo3", EntryKind::Module},
        {".wma", EntryKind::Stream},
        {".m3u", EntryKind::M3uList},
        {".pls", EntryKind::PlsList},
        {".asx", EntryKind::AsxList},
        {".b4s", EntryKind::B4sList},
        {".txt", EntryKind::TxtList},
    }};
    const std::string_view ext = fileExtension(path);
    if (ext.size() < 3 || ext.size() > 4)
        return EntryKind::Unclassified;
    for (const auto& [known, kind] : kByExtension)
        if (equalsIgnoreCase(ext, known))
            return kind;
    return EntryKind::Unclassified;
}

} // namespace kesto
