#pragma once
// The one process-wide recursive lock around every exchange with the meter.
// Unlike a plain recursive mutex it can tell whether anyone holds it, which
// the timer tick needs: a tick that arrives inside a locked exchange (a
// message box lets timer messages in) must skip, not nest.
#include <atomic>
#include <mutex>

namespace qv::device {

class LinkLock {
public:
    void lock() {
        mutex_.lock();
        ++depth_;
    }
    void unlock() {
        --depth_;
        mutex_.unlock();
    }
    bool isHeld() const { return depth_.load() > 0; }

private:
    std::recursive_mutex mutex_;
    std::atomic<int> depth_{0};
};

using LinkGuard = std::lock_guard<LinkLock>;

}  // namespace qv::device
