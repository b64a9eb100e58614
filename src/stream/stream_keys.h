#pragma once

// What a radio server says about itself, as pure functions over bytes: the
// ICY header block and the Shoutcast metadata string become name/value
// pairs, and the title found there becomes the caption text. Nothing here
// trusts the server: any bytes in, no crash and no unbounded work out.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kesto {

// One header or metadata field.
struct TKey {
    std::string name;
    std::string value;
    bool operator==(const TKey&) const = default;
};
using TKeys = std::vector<TKey>;

// A block of NUL-terminated strings as one text with ";" after each string;
// the block ends at the first pair of NULs (or with its bytes). Empty for no block.
std::string FlattenTags(const std::optional<std::string>& block);

// Appends the pairs of `text` ("name<separator>value<terminator>...") to
// `keys`, emptied first when `clear`. Leading items without a separator
// (an "ICY 200 OK" status line) are dropped; a value in single quotes loses
// them; a pair whose name or value is blank is left out.
void ParseKeys(std::string text, TKeys& keys, std::string_view separator, bool clear,
               std::string_view terminator);

// The first pair whose name equals `name` in ASCII letters of any case.
const TKey* FindKey(std::string_view name, const TKeys& keys);

// The pairs of a stream's ICY block and metadata string, read as the status
// tick and the properties dialog read them. Text that is not UTF-8 is taken
// as GBK, as the old Chinese stations send it.
TKeys streamKeys(const std::optional<std::string>& icyBlock,
                 const std::optional<std::string>& metadata);

// "%20" becomes a space, "[1]" goes and "_" becomes a space: the marks that
// file-sharing names and URLs leave in station titles.
std::string cleanTitle(std::string_view title);

// The share of the buffer filled while a stream waits for data: the bytes
// downloaded ahead of the decoder, per thousand, 0 below 5, at most 100.
int bufferingPercent(std::int64_t downloaded, std::int64_t decoded);

} // namespace kesto
