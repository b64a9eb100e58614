#include "playback/engine/mpeg_probe.h"

#include <array>
#include <cstring>
#include <vector>

namespace kesto {

namespace {

constexpr std::size_t kSearchWindow = 64 * 1024;
constexpr int kMaxId3Tags = 4;

// Bit rates in kbit/s by [table][index]; index 0 (free format) and 15 are refused.
constexpr std::array<std::array<std::uint16_t, 16>, 5> kBitrates{{
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0}, // MPEG-1 L1
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},    // MPEG-1 L2
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},     // MPEG-1 L3
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},    // MPEG-2 L1
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},         // MPEG-2 L2, L3
}};
constexpr std::array<std::uint32_t, 3> kRates{44100, 48000, 32000};

std::uint32_t be32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

bool sameStream(const MpegFrameHeader& a, const MpegFrameHeader& b) {
    return a.version == b.version && a.layer == b.layer && a.rate == b.rate;
}

// Xing/Info sits after the side information of the first layer III frame,
// VBRI at a fixed offset of 32 bytes after the header.
void readLengthTag(const std::uint8_t* frame, std::size_t available, MpegProbe& probe) {
    const MpegFrameHeader& h = probe.first;
    if (h.layer != 3)
        return;
    std::size_t side = h.version == 1 ? (h.channels == 1 ? 17 : 32) : (h.channels == 1 ? 9 : 17);
    std::size_t xing = 4 + (h.crc ? 2 : 0) + side;
    if (xing + 16 <= available && xing + 16 <= h.bytes &&
        (std::memcmp(frame + xing, "Xing", 4) == 0 || std::memcmp(frame + xing, "Info", 4) == 0)) {
        std::uint32_t flags = be32(frame + xing + 4);
        std::size_t at = xing + 8;
        if (flags & 1) {
            probe.lengthTag = be32(frame + at) > 0;
            at += 4;
        }
        if ((flags & 2) && at + 4 <= available)
            probe.tagBytes = be32(frame + at);
        return;
    }
    const std::size_t vbri = 36;
    if (vbri + 18 <= available && vbri + 18 <= h.bytes &&
        std::memcmp(frame + vbri, "VBRI", 4) == 0) {
        probe.tagBytes = be32(frame + vbri + 10);
        probe.lengthTag = be32(frame + vbri + 14) > 0;
    }
}

// Skips ID3v2 tags at the start; returns the offset of the first byte after them.
std::int64_t skipId3v2(ByteSource& source, bool& sawTag) {
    std::int64_t offset = 0;
    for (int i = 0; i < kMaxId3Tags; ++i) {
        std::uint8_t h[10];
        if (source.seek(offset, SEEK_SET) != offset || readFully(source, h, 10) != 10)
            break;
        if (std::memcmp(h, "ID3", 3) != 0 || h[3] == 0xFF || h[4] == 0xFF ||
            ((h[6] | h[7] | h[8] | h[9]) & 0x80))
            break;
        std::int64_t size = (h[6] << 21) | (h[7] << 14) | (h[8] << 7) | h[9];
        offset += 10 + size + ((h[5] & 0x10) ? 10 : 0);
        sawTag = true;
    }
    return offset;
}

} // namespace

std::optional<MpegFrameHeader> parseMpegHeader(const std::uint8_t* p) {
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0)
        return std::nullopt;
    const int versionBits = (p[1] >> 3) & 3;
    const int layerBits = (p[1] >> 1) & 3;
    const int bitrateIndex = p[2] >> 4;
    const int rateIndex = (p[2] >> 2) & 3;
    if (versionBits == 1 || layerBits == 0 || bitrateIndex == 0 || bitrateIndex == 15 ||
        rateIndex == 3 || (p[3] & 3) == 2)
        return std::nullopt;

    MpegFrameHeader h;
    h.version = versionBits == 3 ? 1 : versionBits == 2 ? 2 : 25;
    h.layer = 4 - layerBits;
    h.crc = (p[1] & 1) == 0;
    h.rate = kRates[static_cast<std::size_t>(rateIndex)] / (h.version == 1   ? 1u
                                                            : h.version == 2 ? 2u
                                                                             : 4u);
    h.channels = (p[3] >> 6) == 3 ? 1 : 2;
    const bool padding = (p[2] >> 1) & 1;
    const std::size_t table =
        h.version == 1 ? static_cast<std::size_t>(h.layer - 1) : (h.layer == 1 ? 3u : 4u);
    const std::uint32_t bitrate = kBitrates[table][static_cast<std::size_t>(bitrateIndex)] * 1000u;
    if (h.layer == 1)
        h.bytes = (12 * bitrate / h.rate + (padding ? 1 : 0)) * 4;
    else if (h.layer == 3 && h.version != 1)
        h.bytes = 72 * bitrate / h.rate + (padding ? 1 : 0);
    else
        h.bytes = 144 * bitrate / h.rate + (padding ? 1 : 0);
    if (h.bytes < 24)
        return std::nullopt;
    return h;
}

std::optional<MpegProbe> probeMpeg(ByteSource& source, AudioError& error) {
    bool sawId3 = false;
    const std::int64_t start = skipId3v2(source, sawId3);
    error = sawId3 ? AudioError::NotAudio : AudioError::FileFormat;
    if (source.seek(start, SEEK_SET) != start)
        return std::nullopt;

    // Room for a frame that starts at the end of the window and its successor's header.
    std::vector<std::uint8_t> bytes(kSearchWindow + 2 * 2881 + 4);
    const std::size_t got = readFully(source, bytes.data(), bytes.size());
    const std::int64_t fileSize = source.size();
    for (std::size_t i = 0; i + 4 <= got && i < kSearchWindow; ++i) {
        auto h = parseMpegHeader(&bytes[i]);
        if (!h)
            continue;
        const std::size_t next = i + h->bytes;
        bool confirmed = false;
        if (next + 4 <= got) {
            auto second = parseMpegHeader(&bytes[next]);
            confirmed = second && sameStream(*h, *second);
            // A single frame followed by an ID3v1 tag is still a stream.
            if (!confirmed && next + 3 <= got && std::memcmp(&bytes[next], "TAG", 3) == 0)
                confirmed = true;
        } else if (fileSize >= 0 && start + static_cast<std::int64_t>(next) == fileSize) {
            confirmed = true; // exactly one frame, ending the file
        }
        if (!confirmed)
            continue;
        MpegProbe probe;
        probe.first = *h;
        probe.firstFrameOffset = start + static_cast<std::int64_t>(i);
        readLengthTag(&bytes[i], got - i, probe);
        error = AudioError::Ok;
        return probe;
    }
    return std::nullopt;
}

} // namespace kesto
