#pragma once

// An INI text held line by line, read and changed the way the Windows profile
// routines do it: section and key names match without regard to ASCII case,
// blanks around names and values are dropped, the first of duplicate sections
// or keys is the one that counts, and every line we do not change (comments,
// unknown keys, other sections) is written back untouched.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kesto {

class IniDocument {
public:
    IniDocument() = default;
    static IniDocument parse(std::string_view text);
    std::string serialize() const;

    std::optional<std::string_view> value(std::string_view section, std::string_view key) const;
    void set(std::string_view section, std::string_view key, std::string_view value);
    // Removes the first matching key; later duplicates become visible, as on Windows.
    void remove(std::string_view section, std::string_view key);
    // Removes the first section of that name with all its lines.
    void eraseSection(std::string_view section);
    // Keys of a section in file order (first occurrence of each name only).
    std::vector<std::string> keys(std::string_view section) const;

private:
    struct Line {
        std::string text; // the whole line as in the file, without its line end
        std::string name; // section name (header) or key (entry), trimmed
        enum Kind { Other, Section, Entry } kind = Other;
        std::size_t valueAt = 0; // offset of the trimmed value in text (entries)
        std::size_t valueLen = 0;
    };

    static Line parseLine(std::string line);
    // Index of the header line of the first section with that name, or npos.
    std::size_t findSection(std::string_view section) const;
    // Index of the first entry line with that key inside the section starting at `header`.
    std::size_t keyLineOf(std::size_t header, std::string_view key) const;
    std::size_t sectionEnd(std::size_t header) const;

    std::vector<Line> lines_;
    // One line ending for the whole file, the first line's: a file edited by
    // hand on both systems comes back with one kind of ending, which every
    // reader takes, rather than with a mix that some editors show as noise.
    bool crlf_ = false;
};

} // namespace kesto
