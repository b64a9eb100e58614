#pragma once

// How the next file reaches the fill callback.
//
// The play order (the queue, the shuffle history, the playlist, entry tests)
// belongs to the UI thread, and the fill callback runs on the engine's feeder
// thread. The callback must never read a playlist string nor wait for the UI,
// so the UI thread decides the next entry ahead of time: whenever the current
// file, the play mode, the queue or the playlist changes it works out what
// NextIndex would answer, opens that file's two decoders, and publishes the
// result here as one immutable PreparedNext. At the end of a file the
// callback takes it with a single atomic exchange and never touches it
// again except to hand it back through the mailbox; the UI thread then
// applies the play-order changes the choice implied (queue head, rings,
// shuffle history) and frees what was not used.
//
// Ownership: a PreparedNext belongs to whoever holds the pointer. The UI
// thread creates and deletes them; the callback only moves them from the
// `prepared` slot to the mailbox. A prepared entry names the file it follows
// by `afterSerial`: the callback bumps Player::FileSerial at every switch and
// the UI at every open, so an entry prepared for a file that has already
// ended is never played after the wrong one.

#include "playback/engine/audio_types.h"
#include "player/modes.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kesto {

// One change to the play-order state that choosing an entry implies. They are
// recorded while choosing and applied on the UI thread, at once for a choice
// the UI makes itself and only once the callback has used a prepared one.
struct PlayOrderStep {
    enum Kind {
        TakeQueueHead,    // drop the queue's head, whose text was `text`
        PushQueueRecent,  // a queued entry was chosen
        AppendShuffle,    // an unplayable entry joins the shuffle history
        ClearShuffle,     // a shuffle pass ran out: the history starts again
        PopQueueRecent,   // previous: step QueueRecent back
        PopShuffleRecent, // previous: step ShuffleRecent back
    };
    Kind kind;
    std::string text;
    bool operator==(const PlayOrderStep&) const = default;
};

// Ten entry texts, newest in slot 0; empty slots hold the empty text.
struct RecentRing {
    static constexpr std::size_t kSize = 10;
    std::array<std::string, kSize> slots;
};

struct PreparedNext {
    // ---- Written by the UI thread before publishing; never changed after ----
    std::uint64_t afterSerial = 0; // the FileSerial of the file this one follows
    bool noNext = false;           // the play order ends after the current file
    int index = -1;
    std::string entry;
    AudioHandle main = 0;
    AudioHandle mirror = 0;
    ChannelInfo info;
    std::int64_t length = -1;      // bytes
    std::int64_t threeSeconds = 0; // bytes of 3 s in this file's format
    bool cutsTail = false;         // an MP3 whose quiet tail is cut (tailIsCut)
    std::vector<PlayOrderStep> steps;

    // What the choice depended on, so the UI can tell when it went stale.
    PlayMode mode = PlayMode::RepeatList;
    int fromIndex = -1;
    std::string fromText;
    std::size_t playlistSize = 0;
    std::vector<std::string> queueWalked; // the queue's head texts the choice looked at
    std::size_t queueSize = 0;
    std::size_t historySize = 0;

    // ---- Written by the callback before it hands the entry back ----
    std::atomic<bool> accepted{false}; // the output now plays this file
    std::int64_t switchPoint = -1;     // BytesDelivered where this file starts
    PreparedNext* nextInMailbox = nullptr;
};

class NextEntryHandoff {
public:
    NextEntryHandoff() = default;
    ~NextEntryHandoff();
    NextEntryHandoff(const NextEntryHandoff&) = delete;
    NextEntryHandoff& operator=(const NextEntryHandoff&) = delete;

    // UI thread: puts `next` in the slot and returns what it replaced, or
    // null when the slot was empty (nothing prepared, or the callback took it).
    std::unique_ptr<PreparedNext> publish(std::unique_ptr<PreparedNext> next);
    // UI thread: the entry in the slot, for checking it; only the UI deletes
    // entries, so it stays valid while the UI looks, even if the callback takes it.
    const PreparedNext* peek() const { return prepared_.load(std::memory_order_acquire); }

    // Feeder thread: takes the prepared entry, or null.
    PreparedNext* take() { return prepared_.exchange(nullptr, std::memory_order_acq_rel); }
    // Feeder thread: hands a taken entry back to the UI thread. Lock-free: the
    // UI only ever empties the whole mailbox at once, so no ABA can occur.
    void handBack(PreparedNext* next);

    // UI thread: every entry handed back since the last call, oldest first.
    std::vector<std::unique_ptr<PreparedNext>> collect();

private:
    std::atomic<PreparedNext*> prepared_{nullptr};
    std::atomic<PreparedNext*> mailbox_{nullptr};
};

} // namespace kesto
