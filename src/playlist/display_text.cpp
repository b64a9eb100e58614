#include "playlist/display_text.h"

#include "controls/fast_strings.h"
#include "playlist/entry.h"
#include "playlist/text_lines.h"

namespace kesto {

std::string relativeDisplayText(std::string_view entry, const std::vector<std::string>& roots,
                                std::string_view delimiter) {
    const std::string_view ext = fileExtension(EntryPath(entry));

    // Step 1. Only a leading match counts: "/music/" must not be cut out of
    // "/home/ann/music/", which is a different folder.
    std::string_view text = entry;
    // A music folder typed without its trailing "/" must still end at a separator.
    for (const std::string& root : roots)
        if (!root.empty() && text.starts_with(root) &&
            (root.back() == '/' || text.size() == root.size() || text[root.size()] == '/'))
            text.remove_prefix(root.size());

    // Step 2.
    if (utf8Prefix(text, 3).size() == text.size())
        return std::string(text);

    // Step 3.
    if (text.starts_with('/'))
        text.remove_prefix(1);
    else if (text.size() >= 3 && text[1] == ':')
        text.remove_prefix(3);

    // Steps 4 and 5 in one pass.
    std::string out;
    out.reserve(text.size() + 8 * delimiter.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\' && i + 1 < text.size() && text[i + 1] == '\\') {
            ++i;
            continue;
        }
        if (c == '/' && i + 1 < text.size() && text[i + 1] == '/')
            continue;
        if (c == '/' || c == '\\')
            out.append(delimiter);
        else
            out.push_back(c);
    }

    // Step 6.
    if (!ext.empty())
        out = ReplaceAll(out, ext, "", false);
    return out;
}

std::string displayTextOf(std::string_view entry, ViewFormat viewFormat,
                          const std::vector<std::string>& roots, std::string_view delimiter) {
    if (ClassifyEntry(entry) == EntryKind::Stream)
        return std::string(EntryTitle(entry));
    switch (viewFormat) {
    case ViewFormat::FullPath:
        return std::string(entry);
    case ViewFormat::RelativePath:
        return relativeDisplayText(entry, roots, delimiter);
    case ViewFormat::FileName:
        break;
    }
    return std::string(fileNamePart(entry));
}

std::string EntryDisplayText(const PlaylistState& state, int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= state.PlaylistEntries.size())
        return {};
    return displayTextOf(state.PlaylistEntries[static_cast<std::size_t>(index)], state.ViewFormat,
                         state.RootMediaList, state.RelativeDelimiter);
}

} // namespace kesto
