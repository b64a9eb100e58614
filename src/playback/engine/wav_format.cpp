#include "playback/engine/wav_format.h"

#include <algorithm>
#include <cstring>

namespace kesto {

namespace {

constexpr std::uint32_t kMaxChannels = 8;
constexpr std::uint32_t kMinRate = 1000;
constexpr std::uint32_t kMaxRate = 384000;
// Real files have a handful of chunks; a file of nothing but empty chunks
// should not keep us reading for seconds.
constexpr int kMaxChunks = 4096;

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatFloat = 3;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;

// The tail shared by the KSDATAFORMAT_SUBTYPE GUIDs; the first two bytes hold the format tag.
constexpr std::uint8_t kSubformatTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                             0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

std::uint16_t le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
std::uint32_t le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

struct FmtChunk {
    std::uint16_t tag = 0;
    std::uint16_t channels = 0;
    std::uint32_t rate = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bits = 0;
};

// Resolves the extensible wrapper to the plain tag it carries; 0 when unknown.
std::uint16_t effectiveTag(const std::uint8_t* fmt, std::uint32_t size) {
    std::uint16_t tag = le16(fmt);
    if (tag != kFormatExtensible)
        return tag;
    // cbSize (2) + valid bits (2) + channel mask (4) + GUID (16) after the 16 plain bytes.
    if (size < 40 || le16(fmt + 16) < 22)
        return 0;
    if (std::memcmp(fmt + 26, kSubformatTail, sizeof kSubformatTail) != 0)
        return 0;
    return le16(fmt + 24);
}

std::optional<SampleKind> sampleKind(std::uint16_t tag, std::uint32_t container,
                                     std::uint16_t bits) {
    if (bits == 0 || bits > container * 8)
        return std::nullopt;
    if (tag == kFormatPcm) {
        switch (container) {
        case 1:
            return SampleKind::UInt8;
        case 2:
            return SampleKind::Int16;
        case 3:
            return SampleKind::Int24;
        case 4:
            return SampleKind::Int32;
        default:
            return std::nullopt;
        }
    }
    if (tag == kFormatFloat) {
        if (container == 4 && bits == 32)
            return SampleKind::Float32;
        if (container == 8 && bits == 64)
            return SampleKind::Float64;
    }
    return std::nullopt;
}

} // namespace

bool looksLikeWav(const std::uint8_t* head, std::size_t size) {
    return size >= 12 && std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "WAVE", 4) == 0;
}

std::optional<WavLayout> parseWav(ByteSource& source, AudioError& error) {
    error = AudioError::FileFormat;
    const std::int64_t fileSize = source.size();
    std::uint8_t head[12];
    if (source.seek(0, SEEK_SET) != 0 || readFully(source, head, sizeof head) != sizeof head ||
        !looksLikeWav(head, sizeof head))
        return std::nullopt;

    std::uint8_t fmt[40] = {};
    std::uint32_t fmtSize = 0;
    bool haveFmt = false;
    bool haveData = false;
    std::int64_t dataOffset = 0;
    std::int64_t dataSize = 0;

    std::int64_t pos = 12;
    for (int chunk = 0; chunk < kMaxChunks; ++chunk) {
        std::uint8_t header[8];
        if (source.seek(pos, SEEK_SET) != pos || readFully(source, header, 8) != 8)
            break;
        const std::uint32_t size = le32(header + 4);
        const std::int64_t body = pos + 8;
        if (std::memcmp(header, "fmt ", 4) == 0 && !haveFmt) {
            if (size < 16)
                return std::nullopt;
            fmtSize = std::min<std::uint32_t>(size, sizeof fmt);
            if (readFully(source, fmt, fmtSize) != fmtSize)
                return std::nullopt;
            haveFmt = true;
        } else if (std::memcmp(header, "data", 4) == 0 && !haveData) {
            haveData = true;
            dataOffset = body;
            dataSize = size;
        }
        if (haveFmt && haveData)
            break;
        // Odd-sized chunks are followed by a pad byte.
        pos = body + static_cast<std::int64_t>(size) + (size & 1);
        if (fileSize >= 0 && pos >= fileSize)
            break;
    }
    if (!haveFmt)
        return std::nullopt;

    FmtChunk f;
    f.tag = effectiveTag(fmt, fmtSize);
    f.channels = le16(fmt + 2);
    f.rate = le32(fmt + 4);
    f.blockAlign = le16(fmt + 12);
    f.bits = le16(fmt + 14);

    error = AudioError::SampleFormat;
    if (f.channels == 0 || f.channels > kMaxChannels || f.blockAlign == 0 ||
        f.blockAlign % f.channels != 0)
        return std::nullopt;
    auto kind = sampleKind(f.tag, f.blockAlign / f.channels, f.bits);
    if (!kind)
        return std::nullopt;
    if (f.rate < kMinRate || f.rate > kMaxRate) {
        error = AudioError::BadRate;
        return std::nullopt;
    }

    error = AudioError::NotAudio;
    if (!haveData)
        return std::nullopt;
    // Writers that stream leave the size at 0 or 0xFFFFFFFF, and truncated
    // copies keep the size of the original: the file end is the real limit.
    if (fileSize >= 0)
        dataSize = std::min(dataSize, std::max<std::int64_t>(0, fileSize - dataOffset));
    if (dataSize == 0 && fileSize > dataOffset)
        dataSize = fileSize - dataOffset;
    const std::int64_t frames = dataSize / f.blockAlign;
    if (frames <= 0)
        return std::nullopt;

    error = AudioError::Ok;
    WavLayout layout;
    layout.kind = *kind;
    layout.channels = f.channels;
    layout.rate = f.rate;
    layout.blockAlign = f.blockAlign;
    layout.dataOffset = dataOffset;
    layout.frames = frames;
    return layout;
}

} // namespace kesto
