#include "playback/fill_output.h"

#include "player/player.h"

#include <algorithm>

namespace kesto {

namespace {

// Samples at or below this are silence whatever the file.
constexpr int kNoiseFloor = 20;

int magnitude(std::int16_t sample) {
    return sample < 0 ? -static_cast<int>(sample) : sample;
}

// The mean magnitude of the samples above the noise floor; 0 when none is.
std::int64_t loudMean(const std::int16_t* samples, std::size_t begin, std::size_t end) {
    std::int64_t sum = 0;
    std::int64_t count = 0;
    for (std::size_t i = begin; i < end; ++i) {
        const int m = magnitude(samples[i]);
        if (m > kNoiseFloor) {
            sum += m;
            ++count;
        }
    }
    return count > 0 ? sum / count : 0;
}

std::int64_t wholeFrames(std::int64_t bytes) {
    return std::max<std::int64_t>(0, bytes - bytes % 4);
}

std::int16_t* scratch(std::vector<std::int16_t>& buffer, std::int64_t bytes) {
    // Sized by OpenEntry; growing here is the rare exception (a longer buffer
    // setting), and happens on this thread only.
    const auto samples = static_cast<std::size_t>((bytes + 1) / 2);
    if (buffer.size() < samples)
        buffer.resize(samples);
    return buffer.data();
}

// Reads and drops `bytes` from a decoder.
void discard(Player& player, AudioHandle decoder, std::int64_t bytes) {
    std::int16_t* sink = scratch(player.feed.analysisScratch, bytes);
    if (bytes > 0)
        player.audio.ChannelGetData(decoder, sink, static_cast<std::uint32_t>(bytes));
}

} // namespace

std::int64_t tailCutBytes(const std::int16_t* samples, std::size_t count, std::size_t window) {
    const std::size_t start = count > window ? count - window : 0;
    const std::int64_t mean = loudMean(samples, start, count);
    // Half the mean, rounded half to even.
    std::int64_t threshold = mean / 2;
    if (mean % 2 != 0 && threshold % 2 != 0)
        ++threshold;
    std::size_t cut = start;
    for (std::size_t i = count; i > start; --i) {
        if (magnitude(samples[i - 1]) > threshold) {
            cut = i - 1;
            break;
        }
    }
    return wholeFrames(static_cast<std::int64_t>(cut) * 2);
}

std::int64_t leadSkipBytes(const std::int16_t* samples, std::size_t count) {
    const std::int64_t threshold = loudMean(samples, 0, count) / 2;
    std::int64_t first = static_cast<std::int64_t>(count) - 1;
    for (std::size_t i = 0; i < count; ++i) {
        if (magnitude(samples[i]) > threshold) {
            first = static_cast<std::int64_t>(i);
            break;
        }
    }
    return wholeFrames(first * 2);
}

bool NearTail(Player& player) {
    if (!player.feed.MainCutsTail)
        return false;
    AudioLibrary& audio = player.audio;
    const AudioHandle main = player.feed.MainDecoder;
    const std::int64_t length = audio.StreamGetLength(main);
    return length > audio.ChannelSeconds2Bytes(main, 3.0) &&
           audio.ChannelGetPosition(main) >=
               length - audio.ChannelSeconds2Bytes(player.feed.OutputStream, 1.0);
}

std::int64_t TailCut(Player& player) {
    AudioLibrary& audio = player.audio;
    const AudioHandle main = player.feed.MainDecoder;
    const AudioHandle mirror = player.feed.MirrorDecoder;
    // The mirror is not decoded alongside the file, which would double the
    // cost of every block for one look a second before the end: it is stood
    // where the file is now, once. Should that fail, the file plays out whole.
    const std::int64_t at = audio.ChannelGetPosition(main);
    if (at < 0 || !audio.ChannelSetPosition(mirror, at))
        return std::max<std::int64_t>(audio.StreamGetLength(main) - std::max<std::int64_t>(at, 0),
                                      0);
    const std::int64_t want = audio.ChannelSeconds2Bytes(main, 3.0);
    std::int16_t* samples = scratch(player.feed.analysisScratch, want);
    const std::int64_t read =
        want > 0 ? audio.ChannelGetData(mirror, samples, static_cast<std::uint32_t>(want)) : 0;
    const auto count = static_cast<std::size_t>(std::max<std::int64_t>(read, 0) / 2);
    const auto window = static_cast<std::size_t>(audio.ChannelSeconds2Bytes(main, 0.2) / 2);
    return tailCutBytes(samples, count, window);
}

void SkipLead(Player& player) {
    AudioLibrary& audio = player.audio;
    const AudioHandle main = player.feed.MainDecoder;
    const std::int64_t lead = audio.ChannelSeconds2Bytes(main, 0.2);
    if (audio.StreamGetLength(main) <= lead) {
        player.feed.LeadSkip = 0;
        return;
    }
    std::int16_t* samples = scratch(player.feed.analysisScratch, lead);
    const std::int64_t read = audio.ChannelGetData(main, samples, static_cast<std::uint32_t>(lead));
    const std::int64_t skip =
        leadSkipBytes(samples, static_cast<std::size_t>(std::max<std::int64_t>(read, 0) / 2));
    audio.ChannelSetPosition(main, 0);
    discard(player, main, skip);
    player.feed.LeadSkip = skip;
}

bool SameFormat(Player& player, const PreparedNext& next) {
    if (next.main == 0)
        return false;
    const auto out = player.audio.ChannelGetInfo(player.feed.OutputStream);
    return out && out->rate == next.info.rate && out->channels == next.info.channels &&
           (out->flags & kSample8Bit) == (next.info.flags & kSample8Bit);
}

std::uint32_t FillOutput(Player& player, void* buffer, std::uint32_t length) {
    AudioLibrary& audio = player.audio;
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    std::int64_t count = 0; // bytes in the buffer
    bool ended = true;
    const AudioHandle main = player.feed.MainDecoder;

    if (main != 0 && audio.ChannelIsActive(main) != ChannelState::Stopped) {
        ended = false;
        if (player.feed.TailRemaining == -1 && NearTail(player))
            player.feed.TailRemaining = TailCut(player);
        const std::int64_t tail = player.feed.TailRemaining;
        if (tail == -1) {
            const std::int64_t n = audio.ChannelGetData(main, buffer, length);
            if (n < 0) {
                player.feed.EndAction = EndAction::Stop;
                return kStreamEnd;
            }
            count = n;
            if (audio.ChannelIsActive(main) == ChannelState::Stopped)
                ended = true;
        } else {
            const std::int64_t want = std::min<std::int64_t>(length, tail);
            const std::int64_t n =
                want > 0 ? audio.ChannelGetData(main, buffer, static_cast<std::uint32_t>(want)) : 0;
            count = std::max<std::int64_t>(n, 0);
            player.feed.TailRemaining = tail - count;
            // Freed, the decoder reads as ended on the next call, which then
            // ends the stream: the next file starts the ordinary way.
            if (tail - count <= 0 || count == 0)
                audio.StreamFree(main);
        }
    }

    if (ended) {
        // A file of 3 s or less (or one freed after its tail was cut) never
        // hands over without a gap.
        const std::int64_t endingLength = audio.StreamGetLength(main);
        if (endingLength <= audio.ChannelSeconds2Bytes(main, 3.0)) {
            player.feed.Switched = true;
            player.feed.EndAction = EndAction::PlayNext;
            return static_cast<std::uint32_t>(count) | kStreamEnd;
        }
        PreparedNext* next = player.feed.nextEntry.take();
        if (next && next->afterSerial != player.feed.FileSerial.load()) {
            // Prepared for a file that has since ended: not ours to play.
            player.feed.nextEntry.handBack(next);
            next = nullptr;
        }
        if (next) {
            // The old file's last, partial block stays in the buffer; the
            // new file follows it.
            const std::int64_t switchPoint = player.feed.BytesDelivered + count;
            player.feed.Switched = true;
            player.feed.FileSerial.fetch_add(1);
            audio.StreamFree(main);
            audio.StreamFree(player.feed.MirrorDecoder);
            player.feed.MainDecoder = 0;
            player.feed.MirrorDecoder = 0;
            if (next->noNext || !SameFormat(player, *next) || next->length <= next->threeSeconds) {
                player.feed.EndAction = next->noNext ? EndAction::Stop : EndAction::PlayNext;
                player.feed.nextEntry.handBack(next);
                return static_cast<std::uint32_t>(count) | kStreamEnd;
            }
            player.feed.OpeningIndex = next->index;
            player.feed.MainCutsTail = next->cutsTail;
            player.feed.MirrorDecoder = next->mirror;
            player.feed.MainDecoder = next->main;
            SkipLead(player);
            const auto room = static_cast<std::uint32_t>(length - count);
            const std::int64_t n =
                room > 0 ? audio.ChannelGetData(next->main, bytes + count, room) : 0;
            count += std::max<std::int64_t>(n, 0);
            if (audio.ChannelIsActive(next->main) == ChannelState::Stopped)
                audio.StreamFree(next->main);
            player.feed.TailRemaining = -1;
            next->switchPoint = switchPoint;
            next->accepted = true;
            player.feed.SwitchPoint = switchPoint;
            // EndAction before the hand-back: the UI never holds a switch
            // without the request to follow it.
            player.feed.EndAction = EndAction::FollowSwitch;
            player.feed.nextEntry.handBack(next);
        }
        // Without a prepared file the UI has not decided yet (it decides right
        // after following the last switch): hand over what there is and ask
        // again on the next call, while the output plays what it holds.
    }

    player.feed.BytesDelivered += count;
    return static_cast<std::uint32_t>(count);
}

} // namespace kesto
