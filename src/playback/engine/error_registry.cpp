#include "playback/engine/error_registry.h"

namespace kesto {

void ErrorRegistry::set(AudioError error) {
    const auto self = std::this_thread::get_id();
    std::lock_guard lock(mutex_);
    Slot* target = &slots_[0];
    for (Slot& slot : slots_) {
        if (slot.thread == self) {
            target = &slot;
            break;
        }
        if (slot.stamp < target->stamp)
            target = &slot;
    }
    target->thread = self;
    target->error = error;
    target->stamp = ++clock_;
}

AudioError ErrorRegistry::get() const {
    const auto self = std::this_thread::get_id();
    std::lock_guard lock(mutex_);
    for (const Slot& slot : slots_) {
        if (slot.thread == self)
            return slot.error;
    }
    return AudioError::Ok;
}

} // namespace kesto
