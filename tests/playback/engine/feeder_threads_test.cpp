// Feeder threads are lent to streams and taken back: a thread is started
// only when every earlier one is busy, a job's captures are gone before its
// waiter wakes, and a job knows its own thread.

#include "playback/engine/feeder_threads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <set>

namespace kesto {
namespace {

using namespace std::chrono_literals;

TEST(EngineFeederThreads, FinishedJobsLendTheirThreadToTheNext) {
    FeederThreads threads;
    std::set<std::thread::id> ran;
    for (int i = 0; i < 5; ++i) {
        std::thread::id id;
        auto job = threads.run([&] { id = std::this_thread::get_id(); });
        job->wait();
        ran.insert(id);
    }
    EXPECT_EQ(ran.size(), 1u);
    EXPECT_EQ(threads.threadCount(), 1u);
    EXPECT_EQ(ran.count(std::this_thread::get_id()), 0u);
}

TEST(EngineFeederThreads, BusyThreadsAreNotShared) {
    FeederThreads threads;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<int> running{0};
    auto first = threads.run([&] {
        ++running;
        released.wait();
    });
    auto second = threads.run([&] {
        ++running;
        released.wait();
    });
    // Both run at once, so neither waits for the other's thread.
    for (int i = 0; i < 500 && running.load() < 2; ++i)
        std::this_thread::sleep_for(1ms);
    EXPECT_EQ(running.load(), 2);
    EXPECT_EQ(threads.threadCount(), 2u);
    EXPECT_FALSE(first->finished());
    release.set_value();
    first->wait();
    second->wait();
    EXPECT_TRUE(first->finished());
    threads.run([] {})->wait();
    EXPECT_EQ(threads.threadCount(), 2u);
}

TEST(EngineFeederThreads, CapturesAreReleasedBeforeTheWaiterWakesAndTheJobKnowsItsThread) {
    FeederThreads threads;
    auto held = std::make_shared<int>(7);
    std::weak_ptr<int> watch = held;
    std::shared_ptr<FeederJob> job;
    std::promise<void> started;
    std::atomic<bool> insideRunsHere{false};
    std::promise<void> go;
    std::shared_future<void> goSignal = go.get_future().share();
    job = threads.run([held = std::move(held), &started, &insideRunsHere, goSignal, &job] {
        goSignal.wait();
        insideRunsHere = job->runsHere();
        started.set_value();
    });
    EXPECT_FALSE(job->runsHere());
    go.set_value();
    started.get_future().wait();
    job->wait();
    EXPECT_TRUE(insideRunsHere.load());
    EXPECT_TRUE(watch.expired());
    EXPECT_FALSE(job->runsHere());
}

TEST(EngineFeederThreads, ParkedThreadsEndWithThePool) {
    std::atomic<int> ran{0};
    {
        FeederThreads threads;
        auto a = threads.run([&] { ++ran; });
        auto b = threads.run([&] { ++ran; });
        a->wait();
        b->wait();
    } // joins both parked threads; a hang here fails by the test's time-out
    EXPECT_EQ(ran.load(), 2);
}

// A fill callback may free the library that runs it: the pool goes while
// one of its threads is still inside a job, which must then end cleanly.
TEST(EngineFeederThreads, APoolDestroyedFromItsOwnJobLetsThatJobEnd) {
    auto threads = std::make_unique<FeederThreads>();
    std::promise<void> gone;
    auto job = threads->run([&] {
        threads.reset();
        gone.set_value();
    });
    gone.get_future().wait();
    job->wait();
    EXPECT_TRUE(job->finished());
    EXPECT_EQ(threads, nullptr);
}

} // namespace
} // namespace kesto
