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
        AudioHandle handle = nextHandle;
        // Skip 0 and anything still alive after the counter wraps.
        while (handle == 0 || channels.count(handle) || dspOwners.count(handle))
            ++handle;
        nextHandle = handle + 1;
        channels.emplace(handle, make(handle));
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

    std::mutex sinkMutex;
    std::vector<SinkInfo> sinkCache; // guarded by sinkMutex
};

} // namespace kesto
