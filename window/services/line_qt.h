#pragma once
// The line's results reach the window thread through a Qt object's event queue.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QObject>
#include <chrono>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "core/link/session.h"

#if defined(__SANITIZE_THREAD__)
extern "C" void __tsan_acquire(void* addr);
extern "C" void __tsan_release(void* addr);
#endif

namespace qv::window {

// Takes the line's results in order, one event each, on its own thread. The
// results wait in a queue of ours behind a std::mutex, so a thread checker
// sees the hand-over that Qt's own (unchecked) event queue would hide.
class LineDelivery : public QObject {
public:
    static constexpr QEvent::Type kType = QEvent::Type(QEvent::User + 740);
    explicit LineDelivery(QObject* parent) : QObject(parent) {}

    void post(std::function<void()> f) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            waiting_.push_back(std::move(f));
        }
        auto* e = new QEvent(kType);
#if defined(__SANITIZE_THREAD__)
        __tsan_release(&order_);  // the event's construction, too, comes before its delivery
#endif
        QCoreApplication::postEvent(this, e);
    }

protected:
    bool event(QEvent* e) override {
#if defined(__SANITIZE_THREAD__)
        __tsan_acquire(&order_);
#endif
        if (e->type() != kType) return QObject::event(e);
        // One result per event: a message box a result opens runs the next
        // ones in its own loop, still in order.
        std::function<void()> f;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (waiting_.empty()) return true;
            f = std::move(waiting_.front());
            waiting_.pop_front();
        }
        f();
        return true;
    }

private:
    std::mutex mutex_;
    std::deque<std::function<void()>> waiting_;
    char order_ = 0;
};

// Delivers each result as a queued call on context's thread; results still
// queued when context is destroyed are dropped with it.
inline qv::link::Line::Post postTo(QObject* context) {
    auto* delivery = new LineDelivery(context);
    return [delivery](std::function<void()> f) { delivery->post(std::move(f)); };
}

// Hands over the connection's results until nothing runs, and nothing else
// (no timer, no input): for tests that step the program exchange by exchange.
inline void waitForLine(const qv::link::Session& session, QObject* context, int timeoutMs = 30000) {
    QElapsedTimer t;
    t.start();
    const auto deliveries = context->findChildren<LineDelivery*>(Qt::FindDirectChildrenOnly);
    while (!session.idle() && t.elapsed() < timeoutMs) {
        for (LineDelivery* d : deliveries) QCoreApplication::sendPostedEvents(d, LineDelivery::kType);
        if (!session.idle()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

}  // namespace qv::window
