#pragma once

// Separates SHOUTcast/Icecast metadata from the audio bytes of a stream.
//
// A server that was asked for metadata and answered with `icy-metaint: N`
// sends N audio bytes, then one length byte L, then L x 16 bytes of text
// (padded with NULs), then N audio bytes again, and so on. The splitter keeps
// its place across any cut of the byte stream, so the download can hand it
// whatever the network delivered. It never allocates: the text of a block is
// gathered in a fixed array, which is as large as a block can be.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kesto {

class IcyMetaSplitter {
public:
    static constexpr std::size_t kMaxMetaBytes = 255 * 16;

    // `metaInt` 0: the stream carries no metadata and every byte is audio.
    explicit IcyMetaSplitter(std::size_t metaInt) : metaInt_(metaInt), audioLeft_(metaInt) {}

    // Passes each run of audio bytes to onAudio(const std::uint8_t*, std::size_t)
    // and each whole metadata block, without its padding, to
    // onMeta(std::string_view). Empty blocks (the server's "no change") are
    // not passed on.
    template <typename OnAudio, typename OnMeta>
    void feed(const std::uint8_t* data, std::size_t size, OnAudio&& onAudio, OnMeta&& onMeta) {
        if (metaInt_ == 0) {
            if (size > 0)
                onAudio(data, size);
            return;
        }
        while (size > 0) {
            std::size_t used = 0;
            switch (part_) {
            case Part::Audio:
                used = size < audioLeft_ ? size : audioLeft_;
                onAudio(data, used);
                audioLeft_ -= used;
                if (audioLeft_ == 0)
                    part_ = Part::Length;
                break;
            case Part::Length:
                used = 1;
                metaLeft_ = static_cast<std::size_t>(data[0]) * 16;
                metaHave_ = 0;
                if (metaLeft_ == 0)
                    startAudio();
                else
                    part_ = Part::Meta;
                break;
            case Part::Meta:
                used = size < metaLeft_ ? size : metaLeft_;
                for (std::size_t i = 0; i < used; ++i)
                    meta_[metaHave_++] = static_cast<char>(data[i]);
                metaLeft_ -= used;
                if (metaLeft_ == 0) {
                    std::size_t length = metaHave_;
                    while (length > 0 && meta_[length - 1] == '\0')
                        --length;
                    if (length > 0)
                        onMeta(std::string_view(meta_.data(), length));
                    startAudio();
                }
                break;
            }
            data += used;
            size -= used;
        }
    }

    std::uint64_t metaBlocks() const { return blocks_; }

private:
    enum class Part { Audio, Length, Meta };
    void startAudio() {
        part_ = Part::Audio;
        audioLeft_ = metaInt_;
        ++blocks_;
    }

    std::size_t metaInt_;
    Part part_ = Part::Audio;
    std::size_t audioLeft_;
    std::size_t metaLeft_ = 0;
    std::size_t metaHave_ = 0;
    std::uint64_t blocks_ = 0;
    std::array<char, kMaxMetaBytes> meta_{};
};

} // namespace kesto
