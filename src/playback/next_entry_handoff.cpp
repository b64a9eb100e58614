#include "playback/next_entry_handoff.h"

#include <algorithm>

namespace kesto {

NextEntryHandoff::~NextEntryHandoff() {
    // The player frees the engine first, so no callback runs any more; the
    // decoders of what is left died with the engine.
    delete prepared_.exchange(nullptr);
    collect();
}

std::unique_ptr<PreparedNext> NextEntryHandoff::publish(std::unique_ptr<PreparedNext> next) {
    return std::unique_ptr<PreparedNext>(
        prepared_.exchange(next.release(), std::memory_order_acq_rel));
}

void NextEntryHandoff::handBack(PreparedNext* next) {
    PreparedNext* head = mailbox_.load(std::memory_order_relaxed);
    do {
        next->nextInMailbox = head;
    } while (!mailbox_.compare_exchange_weak(head, next, std::memory_order_release,
                                             std::memory_order_relaxed));
}

std::vector<std::unique_ptr<PreparedNext>> NextEntryHandoff::collect() {
    std::vector<std::unique_ptr<PreparedNext>> out;
    PreparedNext* head = mailbox_.exchange(nullptr, std::memory_order_acquire);
    while (head) {
        PreparedNext* next = head->nextInMailbox;
        head->nextInMailbox = nullptr;
        out.emplace_back(head);
        head = next;
    }
    std::reverse(out.begin(), out.end());
    return out;
}

} // namespace kesto
