#pragma once

// While a message box, a dialog or a long operation runs a nested event
// loop, the window goes on taking keys, hand-overs from a second start and
// drops, and the command that started the loop still holds lines of the
// playlist by their index. Work that would change the list meanwhile waits
// here, in the order it came, until the last nested loop has returned; then
// it runs from a later pass of the event loop, never from inside the scope
// that ended, whose caller may still be using its indexes.

#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <utility>

namespace kesto {

class NestedLoopGate {
public:
    // Hands work to the event loop, to run after the present event.
    using Post = std::function<void(std::function<void()>)>;
    explicit NestedLoopGate(Post post) : post_(std::move(post)) {}
    NestedLoopGate(const NestedLoopGate&) = delete;
    NestedLoopGate& operator=(const NestedLoopGate&) = delete;

    // Held for as long as a nested loop, or a command that may run one, runs.
    class [[nodiscard]] Scope {
    public:
        explicit Scope(NestedLoopGate& gate) : gate_(&gate) { ++gate.depth_; }
        Scope(Scope&& other) noexcept : gate_(std::exchange(other.gate_, nullptr)) {}
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;
        Scope& operator=(Scope&&) = delete;
        ~Scope() {
            if (gate_)
                gate_->leave();
        }

    private:
        NestedLoopGate* gate_;
    };
    Scope enter() { return Scope(*this); }

    bool inside() const { return depth_ > 0; }
    std::size_t waitingCount() const { return waiting_.size(); }

    // Runs `work` at once when no nested loop runs and nothing waits before
    // it; otherwise it waits its turn.
    void whenOutside(std::function<void()> work);

private:
    void leave();
    void schedule();
    void runWaiting();

    Post post_;
    int depth_ = 0;
    bool posted_ = false;
    std::deque<std::function<void()>> waiting_;
    // Work posted to the event loop finds out whether the gate still exists.
    std::shared_ptr<NestedLoopGate*> self_ = std::make_shared<NestedLoopGate*>(this);
};

} // namespace kesto
