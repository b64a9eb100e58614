#include "playlist/text_slots.h"

#include <bit>
#include <functional>

namespace kesto {

namespace {

// A slot holds the high half of its text's hash beside the text's number + 1
// (0: empty), so a probe that meets another text is told apart without
// reaching for the text itself.
constexpr std::uint64_t slotValue(std::size_t hash, std::size_t number) {
    return (static_cast<std::uint64_t>(hash) & 0xFFFFFFFF00000000ULL) | (number + 1);
}
constexpr std::size_t numberIn(std::uint64_t slot) {
    return static_cast<std::size_t>(slot & 0xFFFFFFFFULL) - 1;
}
constexpr bool sameTag(std::uint64_t slot, std::size_t hash) {
    return ((slot ^ static_cast<std::uint64_t>(hash)) & 0xFFFFFFFF00000000ULL) == 0;
}

} // namespace

TextSlots::TextSlots(std::size_t capacity) {
    texts_.reserve(capacity);
    hashes_.reserve(capacity);
    resize(capacity);
}

void TextSlots::resize(std::size_t capacity) {
    // At most half full, so a probe sequence stays short.
    const std::size_t slots = std::bit_ceil(capacity * 2 + 2);
    slots_.assign(slots, 0);
    mask_ = slots - 1;
    for (std::size_t n = 0; n < texts_.size(); ++n)
        slots_[slotFor(texts_[n], hashes_[n])] = slotValue(hashes_[n], n);
}

std::size_t TextSlots::slotFor(std::string_view text, std::size_t hash) const {
    for (std::size_t slot = hash & mask_;; slot = (slot + 1) & mask_) {
        const std::uint64_t held = slots_[slot];
        if (held == 0 || (sameTag(held, hash) && texts_[numberIn(held)] == text))
            return slot;
    }
}

std::size_t TextSlots::number(std::string_view text) {
    const std::size_t hash = std::hash<std::string_view>{}(text);
    const std::size_t slot = slotFor(text, hash);
    if (slots_[slot] != 0)
        return numberIn(slots_[slot]);
    const std::size_t n = texts_.size();
    texts_.push_back(text);
    hashes_.push_back(hash);
    if ((n + 1) * 2 > slots_.size())
        resize(2 * (n + 1)); // rebuilds every slot, the new text's too
    else
        slots_[slot] = slotValue(hash, n);
    return n;
}

std::size_t TextSlots::find(std::string_view text) const {
    const std::uint64_t held = slots_[slotFor(text, std::hash<std::string_view>{}(text))];
    return held == 0 ? npos : numberIn(held);
}

} // namespace kesto
