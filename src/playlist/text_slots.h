#pragma once

// A table that numbers texts, for one command's pass over a large list: the
// texts are views into strings that outlive it, the slots lie in one array
// (open addressing), so numbering 100,000 lines allocates three times, not
// once per line, and a probe that meets another text costs one cache line.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace kesto {

class TextSlots {
public:
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    // Room for `capacity` different texts without growing.
    explicit TextSlots(std::size_t capacity);

    // The number of `text` (0, 1, 2 ... in order of first appearance), given
    // now when it has none yet.
    std::size_t number(std::string_view text);
    // The number of `text`, or npos when it has none.
    std::size_t find(std::string_view text) const;

    std::size_t size() const { return texts_.size(); }

private:
    void resize(std::size_t capacity);
    // The slot that holds `text`, or the empty one where it would go.
    std::size_t slotFor(std::string_view text, std::size_t hash) const;

    std::vector<std::string_view> texts_;
    std::vector<std::size_t> hashes_; // by number, for growing
    std::vector<std::uint64_t> slots_;
    std::size_t mask_ = 0;
};

} // namespace kesto
