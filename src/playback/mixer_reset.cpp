// The sink half of the mixer reset: the default PulseAudio sink to 100 % and
// unmuted, on a connection of its own that lives only for the two requests.

#include "playback/engine/pulse_connection.h"
#include "playback/volume.h"

#include <pulse/pulseaudio.h>
#include <pulse/rtclock.h>

namespace kesto {

namespace {

// Touched by the loop thread only with the loop lock held, which the waiting
// thread holds whenever it is not inside pa_threaded_mainloop_wait.
struct Pending {
    pa_threaded_mainloop* loop;
    int answered = 0;
    int succeeded = 0;
    bool timedOut = false;
};

void onAnswer(pa_context*, int success, void* data) {
    auto* pending = static_cast<Pending*>(data);
    ++pending->answered;
    if (success)
        ++pending->succeeded;
    pa_threaded_mainloop_signal(pending->loop, 0);
}

void onTimeout(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* data) {
    auto* pending = static_cast<Pending*>(data);
    pending->timedOut = true;
    pa_threaded_mainloop_signal(pending->loop, 0);
}

} // namespace

bool resetDefaultSink(const std::string& server, int timeoutMs) {
    // Declared before the connection, so it outlives the connection's
    // teardown, which cancels any answer still on its way.
    Pending pending{nullptr};
    AudioError error = AudioError::Ok;
    auto pulse = PulseConnection::connect(server, timeoutMs, error);
    if (!pulse)
        return false;
    pa_context* context = pulse->context();
    pending.loop = pulse->loop();
    PulseLock lock(pulse->loop());
    pa_time_event* deadline = pa_context_rttime_new(
        context, pa_rtclock_now() + pa_usec_t(timeoutMs) * 1000, onTimeout, &pending);

    // A one-channel volume sets every channel of the sink alike.
    pa_cvolume volume;
    pa_cvolume_set(&volume, 1, PA_VOLUME_NORM);
    int sent = 0;
    for (pa_operation* op :
         {pa_context_set_sink_volume_by_name(context, "@DEFAULT_SINK@", &volume, onAnswer,
                                             &pending),
          pa_context_set_sink_mute_by_name(context, "@DEFAULT_SINK@", 0, onAnswer, &pending)}) {
        if (op) {
            ++sent;
            pa_operation_unref(op);
        }
    }
    // The connection's state callback also wakes us, so a server that goes
    // away ends the wait as well as the deadline does.
    while (pending.answered < sent && !pending.timedOut &&
           PA_CONTEXT_IS_GOOD(pa_context_get_state(context)))
        pa_threaded_mainloop_wait(pulse->loop());
    if (deadline)
        pa_threaded_mainloop_get_api(pulse->loop())->time_free(deadline);
    return sent == 2 && pending.succeeded == 2;
}

} // namespace kesto
