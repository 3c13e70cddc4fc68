#pragma once
// The owner's thread of a line or session, as a queue the test drains itself.
#include <chrono>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace qv::test {

struct WindowQueue {
    std::mutex m;
    std::deque<std::function<void()>> posted;
    std::function<void(std::function<void()>)> post() {
        return [this](std::function<void()> f) {
            std::lock_guard<std::mutex> g(m);
            posted.push_back(std::move(f));
        };
    }
    // Runs what arrives until done() (5 s at most).
    void drainUntil(const std::function<bool()>& done) {
        for (int i = 0; i < 5000 && !done(); ++i) {
            std::function<void()> f;
            {
                std::lock_guard<std::mutex> g(m);
                if (!posted.empty()) {
                    f = std::move(posted.front());
                    posted.pop_front();
                }
            }
            if (f)
                f();
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
};

}  // namespace qv::test
