#include "player/nested_loop_gate.h"

namespace kesto {

void NestedLoopGate::whenOutside(std::function<void()> work) {
    if (!inside() && waiting_.empty()) {
        work();
        return;
    }
    waiting_.push_back(std::move(work));
    if (!inside())
        schedule(); // the loops have ended, but earlier work still waits its turn
}

void NestedLoopGate::leave() {
    --depth_;
    if (depth_ == 0 && !waiting_.empty())
        schedule();
}

void NestedLoopGate::schedule() {
    if (posted_)
        return;
    posted_ = true;
    post_([weak = std::weak_ptr<NestedLoopGate*>(self_)] {
        if (const auto self = weak.lock()) {
            (*self)->posted_ = false;
            (*self)->runWaiting();
        }
    });
}

void NestedLoopGate::runWaiting() {
    // A piece may run nested loops of its own; what arrives meanwhile joins
    // the end of the queue. Should a loop still run when a piece returns (it
    // was run from inside one), the end of that loop schedules the rest.
    while (!inside() && !waiting_.empty()) {
        std::function<void()> work = std::move(waiting_.front());
        waiting_.pop_front();
        work();
    }
}

} // namespace kesto
