#include "player/ini_document.h"

#include "controls/fast_strings.h"

#include <unordered_set>

namespace kesto {

namespace {

constexpr std::size_t npos = std::string::npos;

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && (isBlank(s.back()) || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

} // namespace

IniDocument::Line IniDocument::parseLine(std::string text) {
    Line line;
    line.text = std::move(text);
    const std::string_view t = trim(line.text);
    if (t.empty() || t.front() == ';')
        return line;
    if (t.front() == '[') {
        const auto close = t.find(']');
        if (close != std::string_view::npos) {
            line.kind = Line::Section;
            line.name = std::string(trim(t.substr(1, close - 1)));
        }
        return line;
    }
    const auto eq = t.find('=');
    if (eq == std::string_view::npos)
        return line;
    line.kind = Line::Entry;
    line.name = std::string(trim(t.substr(0, eq)));
    const std::string_view v = trim(t.substr(eq + 1));
    line.valueAt = v.empty() ? 0 : static_cast<std::size_t>(v.data() - line.text.data());
    line.valueLen = v.size();
    return line;
}

IniDocument IniDocument::parse(std::string_view text) {
    IniDocument doc;
    std::size_t at = 0;
    while (at < text.size()) {
        auto nl = text.find('\n', at);
        std::string_view raw = text.substr(at, nl == std::string_view::npos ? npos : nl - at);
        if (!raw.empty() && raw.back() == '\r') {
            if (doc.lines_.empty())
                doc.crlf_ = true;
            // All of them: a stray CR kept at a line's end would be read as
            // part of the line ending once the file is written back.
            while (!raw.empty() && raw.back() == '\r')
                raw.remove_suffix(1);
        }
        doc.lines_.push_back(parseLine(std::string(raw)));
        if (nl == std::string_view::npos)
            break;
        at = nl + 1;
    }
    return doc;
}

std::string IniDocument::serialize() const {
    const char* eol = crlf_ ? "\r\n" : "\n";
    std::string out;
    std::size_t total = 0;
    for (const auto& l : lines_)
        total += l.text.size() + 2;
    out.reserve(total);
    for (const auto& l : lines_) {
        out += l.text;
        out += eol;
    }
    return out;
}

std::size_t IniDocument::findSection(std::string_view section) const {
    for (std::size_t i = 0; i < lines_.size(); ++i)
        if (lines_[i].kind == Line::Section && equalsIgnoreCase(lines_[i].name, section))
            return i;
    return npos;
}

std::size_t IniDocument::sectionEnd(std::size_t header) const {
    std::size_t i = header + 1;
    while (i < lines_.size() && lines_[i].kind != Line::Section)
        ++i;
    return i;
}

std::size_t IniDocument::keyLineOf(std::size_t header, std::string_view key) const {
    const std::size_t end = sectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i)
        if (lines_[i].kind == Line::Entry && equalsIgnoreCase(lines_[i].name, key))
            return i;
    return npos;
}

std::optional<std::string_view> IniDocument::value(std::string_view section,
                                                   std::string_view key) const {
    const std::size_t header = findSection(section);
    if (header == npos)
        return std::nullopt;
    const std::size_t at = keyLineOf(header, key);
    if (at == npos)
        return std::nullopt;
    const Line& l = lines_[at];
    return std::string_view(l.text).substr(l.valueAt, l.valueLen);
}

void IniDocument::set(std::string_view section, std::string_view key, std::string_view value) {
    std::string text;
    text.reserve(key.size() + 1 + value.size());
    text.append(key).append("=").append(value);

    std::size_t header = findSection(section);
    if (header == npos) {
        // A new section goes at the end, after a blank line when the file has text.
        if (!lines_.empty() && !trim(lines_.back().text).empty())
            lines_.push_back(parseLine(""));
        std::string header;
        header.append("[").append(section).append("]");
        lines_.push_back(parseLine(std::move(header)));
        lines_.push_back(parseLine(std::move(text)));
        return;
    }
    const std::size_t at = keyLineOf(header, key);
    if (at != npos) {
        // Keep the key's spelling as the file has it.
        std::string kept = lines_[at].name + "=" + std::string(value);
        lines_[at] = parseLine(std::move(kept));
        return;
    }
    // A new key goes after the section's last non-blank line.
    std::size_t insertAt = sectionEnd(header);
    while (insertAt > header + 1 && trim(lines_[insertAt - 1].text).empty())
        --insertAt;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt),
                  parseLine(std::move(text)));
}

void IniDocument::remove(std::string_view section, std::string_view key) {
    const std::size_t header = findSection(section);
    if (header == npos)
        return;
    const std::size_t at = keyLineOf(header, key);
    if (at != npos)
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(at));
}

void IniDocument::eraseSection(std::string_view section) {
    const std::size_t header = findSection(section);
    if (header == npos)
        return;
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(header),
                 lines_.begin() + static_cast<std::ptrdiff_t>(sectionEnd(header)));
}

std::vector<std::string> IniDocument::keys(std::string_view section) const {
    std::vector<std::string> out;
    const std::size_t header = findSection(section);
    if (header == npos)
        return out;
    // A set of the names seen keeps a section of many keys linear.
    std::unordered_set<std::string> seen;
    const std::size_t end = sectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i)
        if (lines_[i].kind == Line::Entry && seen.insert(asciiLowerCopy(lines_[i].name)).second)
            out.push_back(lines_[i].name);
    return out;
}

} // namespace kesto
