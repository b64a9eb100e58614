#include "playback/engine/pulse_connection.h"

#include <pulse/pulseaudio.h>
#include <pulse/rtclock.h>

namespace kesto {

PulseLock::PulseLock(pa_threaded_mainloop* loop) : loop_(loop) {
    pa_threaded_mainloop_lock(loop_);
}
PulseLock::~PulseLock() {
    pa_threaded_mainloop_unlock(loop_);
}

namespace {

// Lives on the waiting thread's stack; the loop thread touches it only with the loop lock held.
struct Waiter {
    pa_threaded_mainloop* loop = nullptr;
    bool timedOut = false;
    bool done = false;
    std::vector<SinkInfo>* sinks = nullptr;
};

void signalLoop(pa_context*, void* loop) {
    pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(loop), 0);
}

void onTimeout(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* waiter) {
    auto* w = static_cast<Waiter*>(waiter);
    w->timedOut = true;
    pa_threaded_mainloop_signal(w->loop, 0);
}

void onSink(pa_context*, const pa_sink_info* info, int eol, void* waiter) {
    auto* w = static_cast<Waiter*>(waiter);
    if (eol) {
        w->done = true;
        pa_threaded_mainloop_signal(w->loop, 0);
        return;
    }
    if (info && info->name)
        w->sinks->push_back({info->name, info->description ? info->description : info->name});
}

// A timer on the loop that wakes the waiting thread at the deadline. Made and
// freed with the loop lock held.
class Deadline {
public:
    Deadline(pa_threaded_mainloop* loop, pa_context* context, Waiter& waiter, int timeoutMs)
        : api_(pa_threaded_mainloop_get_api(loop)) {
        event_ = pa_context_rttime_new(context, pa_rtclock_now() + pa_usec_t(timeoutMs) * 1000,
                                       onTimeout, &waiter);
    }
    ~Deadline() {
        if (event_)
            api_->time_free(event_);
    }
    Deadline(const Deadline&) = delete;
    Deadline& operator=(const Deadline&) = delete;

private:
    pa_mainloop_api* api_;
    pa_time_event* event_ = nullptr;
};

} // namespace

std::shared_ptr<PulseConnection> PulseConnection::connect(const std::string& server, int timeoutMs,
                                                          AudioError& error) {
    std::shared_ptr<PulseConnection> c(new PulseConnection);
    error = AudioError::Device;
    c->loop_ = pa_threaded_mainloop_new();
    if (!c->loop_)
        return nullptr;
    pa_proplist* props = pa_proplist_new();
    pa_proplist_sets(props, PA_PROP_APPLICATION_NAME, "Kesto");
    pa_proplist_sets(props, PA_PROP_APPLICATION_ID, "org.kesto.Kesto");
    pa_proplist_sets(props, PA_PROP_MEDIA_ROLE, "music");
    c->context_ =
        pa_context_new_with_proplist(pa_threaded_mainloop_get_api(c->loop_), "Kesto", props);
    pa_proplist_free(props);
    if (!c->context_)
        return nullptr;
    pa_context_set_state_callback(c->context_, signalLoop, c->loop_);
    if (pa_context_connect(c->context_, server.empty() ? nullptr : server.c_str(),
                           PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        return nullptr;
    if (pa_threaded_mainloop_start(c->loop_) < 0)
        return nullptr;
    c->started_ = true;

    PulseLock lock(c->loop_);
    Waiter waiter{c->loop_};
    Deadline deadline(c->loop_, c->context_, waiter, timeoutMs);
    for (;;) {
        const pa_context_state_t state = pa_context_get_state(c->context_);
        if (state == PA_CONTEXT_READY)
            break;
        if (!PA_CONTEXT_IS_GOOD(state))
            return nullptr;
        if (waiter.timedOut) {
            error = AudioError::Timeout;
            return nullptr;
        }
        pa_threaded_mainloop_wait(c->loop_);
    }
    error = AudioError::Ok;
    return c;
}

PulseConnection::~PulseConnection() {
    if (context_) {
        if (started_) {
            PulseLock lock(loop_);
            pa_context_set_state_callback(context_, nullptr, nullptr);
            pa_context_disconnect(context_);
        } else {
            pa_context_disconnect(context_);
        }
    }
    if (started_)
        pa_threaded_mainloop_stop(loop_);
    if (context_)
        pa_context_unref(context_);
    if (loop_)
        pa_threaded_mainloop_free(loop_);
}

std::vector<SinkInfo> PulseConnection::sinks(int timeoutMs) {
    std::vector<SinkInfo> result;
    PulseLock lock(loop_);
    Waiter waiter{loop_};
    waiter.sinks = &result;
    pa_operation* op = pa_context_get_sink_info_list(context_, onSink, &waiter);
    if (!op)
        return result;
    {
        Deadline deadline(loop_, context_, waiter, timeoutMs);
        while (!waiter.done && !waiter.timedOut &&
               pa_operation_get_state(op) == PA_OPERATION_RUNNING)
            pa_threaded_mainloop_wait(loop_);
    }
    if (!waiter.done) {
        // The callback must not reach `waiter` once we return.
        pa_operation_cancel(op);
        result.clear();
    }
    pa_operation_unref(op);
    return result;
}

} // namespace kesto
