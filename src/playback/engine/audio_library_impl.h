#pragma once

// The inside of AudioLibrary, shared by its two source files.
//
// Locks: tableMutex_ guards the handle table and is held only to look up,
// add or remove an entry — never while a stream or decoder runs. Calls work
// on shared_ptr copies, so a handle freed by another thread stays valid until
// the call that is using it returns. deviceMutex_ serialises Init and Free
// of the device; nothing waits for a stream while holding it, so a fill
// callback may create streams while the UI thread initialises.

#include "playback/engine/audio_library.h"
#include "playback/engine/decoder_stream.h"
#include "playback/engine/error_registry.h"
#include "playback/engine/feeder_threads.h"
#include "playback/engine/library_settings.h"
#include "playback/engine/output_device.h"
#include "playback/engine/output_selection.h"
#include "playback/engine/output_stream.h"
#include "playback/engine/pulse_connection.h"
#include "playback/engine/url_download.h"

#include <atomic>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace kesto {

struct Channel {
    std::shared_ptr<DecoderStream> decoder;
    std::shared_ptr<OutputStream> output;
    explicit operator bool() const { return decoder || output; }
};

struct AudioLibrary::Impl {
    explicit Impl(Options options);

    // Records the calling thread's result and passes `value` through.
    template <typename T> T fail(AudioError error, T value) {
        errors.set(error);
        return value;
    }
    void ok() { errors.set(AudioError::Ok); }

    Channel lookup(AudioHandle handle);
    // Runs `act(output, error)` on the output stream behind `handle`, with
    // the library's error rules: a bad handle, a decoder where an output was
    // wanted, or the error `act` reports.
    template <typename Act> bool onOutput(AudioHandle handle, Act act) {
        Channel c = lookup(handle);
        if (!c)
            return fail(AudioError::BadHandle, false);
        if (!c.output)
            return fail(AudioError::NotAvailable, false);
        AudioError error = AudioError::Ok;
        const bool done = act(*c.output, error);
        errors.set(error);
        return done;
    }
    AudioHandle insert(Channel channel) {
        return insertWith([&](AudioHandle) { return std::move(channel); });
    }
    // Allocates a handle and stores what `make` builds for it.
    template <typename Make> AudioHandle insertWith(Make make) {
        std::lock_guard lock(tableMutex);
        const AudioHandle handle = takeHandle();
        channels.emplace(handle, make(handle));
        return handle;
    }
    // As insert, unless Free has run since `generation` was read: 0 then.
    AudioHandle insertUnlessFreed(Channel channel, std::uint64_t generation) {
        std::lock_guard lock(tableMutex);
        if (frees.load() != generation)
            return 0;
        const AudioHandle handle = takeHandle();
        channels.emplace(handle, std::move(channel));
        return handle;
    }
    // With tableMutex held. Skips 0 and anything still alive after the counter wraps.
    AudioHandle takeHandle() {
        AudioHandle handle = nextHandle;
        while (handle == 0 || channels.count(handle) || dspOwners.count(handle))
            ++handle;
        nextHandle = handle + 1;
        return handle;
    }
    Channel remove(AudioHandle handle);
    std::shared_ptr<OutputDevice> currentDevice();

    Options options;
    OutputSelection selection;
    ErrorRegistry errors;
    std::shared_ptr<LibrarySettings> settings = std::make_shared<LibrarySettings>();
    FeederThreads feeders;
    std::atomic<bool> closing{false};

    std::mutex tableMutex;
    // Guarded by tableMutex:
    std::unordered_map<AudioHandle, Channel> channels;
    std::unordered_map<AudioHandle, AudioHandle> dspOwners; // DSP handle -> its output stream
    AudioHandle nextHandle = 1;

    std::mutex deviceMutex;
    // Guarded by deviceMutex:
    std::shared_ptr<OutputDevice> device;
    std::shared_ptr<PulseConnection> pulse;
    bool wavStarted = false; // the first Init truncates the WAV file, later ones append

    // Internet streams still connecting, so that Free can end them; a leaf lock.
    std::mutex connectMutex;
    std::vector<std::weak_ptr<UrlDownload>> connecting; // guarded by connectMutex
    // Counts Free calls: a connect that began before one does not outlive it.
    std::atomic<std::uint64_t> frees{0};

    std::mutex sinkMutex;
    std::vector<SinkInfo> sinkCache; // guarded by sinkMutex
};

} // namespace kesto
