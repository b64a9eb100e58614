#include "player/nested_loop_gate.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>

namespace kesto::test {
namespace {

// The gate with an event loop of its own: posted work runs when the test
// says the loop takes its next pass.
struct GateLoop {
    std::deque<std::function<void()>> posted;
    std::unique_ptr<NestedLoopGate> gate = std::make_unique<NestedLoopGate>(
        [this](std::function<void()> work) { posted.push_back(std::move(work)); });
    std::string ran;

    std::function<void()> mark(char c) {
        return [this, c] {
            ran += c;
        };
    }
    void nextPasses() {
        while (!posted.empty()) {
            auto work = std::move(posted.front());
            posted.pop_front();
            work();
        }
    }
};

TEST(NestedLoopGate, WorkOutsideAnyLoopRunsAtOnce) {
    GateLoop loop;
    loop.gate->whenOutside(loop.mark('a'));
    EXPECT_EQ(loop.ran, "a");
    EXPECT_TRUE(loop.posted.empty());
}

// While a loop runs, work waits in order; it runs from a later pass of the
// event loop, never from the end of the scope, whose caller may still hold
// lines by index.
TEST(NestedLoopGate, WorkWaitsForTheLastLoopAndRunsInOrderOnALaterPass) {
    GateLoop loop;
    {
        const auto outer = loop.gate->enter();
        loop.gate->whenOutside(loop.mark('a'));
        {
            const auto inner = loop.gate->enter();
            loop.gate->whenOutside(loop.mark('b'));
        }
        EXPECT_TRUE(loop.posted.empty()) << "an inner loop's end lets nothing run";
        loop.gate->whenOutside(loop.mark('c'));
        EXPECT_EQ(loop.ran, "");
    }
    EXPECT_EQ(loop.ran, "") << "the scope's end runs nothing itself";
    EXPECT_EQ(loop.gate->waitingCount(), 3u);
    // Work that comes after the loops ended but before the pass joins the end.
    loop.gate->whenOutside(loop.mark('d'));
    EXPECT_EQ(loop.ran, "");
    loop.nextPasses();
    EXPECT_EQ(loop.ran, "abcd");
    EXPECT_EQ(loop.gate->waitingCount(), 0u);
}

// A pass that comes while a new loop runs (the posted work is handled by
// that loop's own event processing) leaves everything waiting; the new
// loop's end brings it round again.
TEST(NestedLoopGate, APassInsideAnotherLoopWaitsForThatLoopToo) {
    GateLoop loop;
    {
        const auto first = loop.gate->enter();
        loop.gate->whenOutside(loop.mark('a'));
    }
    {
        const auto second = loop.gate->enter();
        loop.nextPasses();
        EXPECT_EQ(loop.ran, "");
    }
    loop.nextPasses();
    EXPECT_EQ(loop.ran, "a");
}

// Waiting work may run nested loops of its own; what arrives meanwhile
// waits behind the rest.
TEST(NestedLoopGate, WaitingWorkThatRunsALoopKeepsTheOrder) {
    GateLoop loop;
    {
        const auto busy = loop.gate->enter();
        loop.gate->whenOutside([&] {
            const auto box = loop.gate->enter();
            loop.ran += 'a';
            loop.gate->whenOutside(loop.mark('c'));
        });
        loop.gate->whenOutside(loop.mark('b'));
    }
    loop.nextPasses();
    EXPECT_EQ(loop.ran, "abc");
}

TEST(NestedLoopGate, AGateGoneBeforeThePassRunsNothing) {
    GateLoop loop;
    bool ran = false;
    {
        const auto busy = loop.gate->enter();
        loop.gate->whenOutside([&] { ran = true; });
    }
    loop.gate.reset();
    loop.nextPasses();
    EXPECT_FALSE(ran);
}

} // namespace
} // namespace kesto::test
