#pragma once

// One connection to a PulseAudio server (or PipeWire's pulse server) with a
// threaded main loop. Everything PulseAudio calls back runs on that loop's
// thread with the loop lock held; we take the same lock to talk to the
// server from other threads. Lock order: the loop lock may be taken while
// holding an output stream's control lock, never the other way round, and
// nothing the loop thread runs waits for a stream.

#include "playback/engine/audio_types.h"

#include <memory>
#include <string>
#include <vector>

struct pa_threaded_mainloop;
struct pa_context;

namespace kesto {

struct SinkInfo {
    std::string name;
    std::string description;
};

class PulseConnection {
public:
    // `server` empty = libpulse's own choice ($PULSE_SERVER, then the user's
    // server). Fails with Device when refused, Timeout when nobody answers.
    static std::shared_ptr<PulseConnection> connect(const std::string& server, int timeoutMs,
                                                    AudioError& error);
    ~PulseConnection();
    PulseConnection(const PulseConnection&) = delete;
    PulseConnection& operator=(const PulseConnection&) = delete;

    std::vector<SinkInfo> sinks(int timeoutMs);

    pa_threaded_mainloop* loop() const { return loop_; }
    pa_context* context() const { return context_; }

private:
    PulseConnection() = default;
    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    bool started_ = false;
};

// RAII for the loop lock.
class PulseLock {
public:
    explicit PulseLock(pa_threaded_mainloop* loop);
    ~PulseLock();
    PulseLock(const PulseLock&) = delete;
    PulseLock& operator=(const PulseLock&) = delete;

private:
    pa_threaded_mainloop* loop_;
};

} // namespace kesto
