#pragma once
// The line's results reach the window thread through a Qt object's event queue.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QObject>
#include <chrono>
#include <thread>

#include "device/session.h"

namespace qv::app {

// Delivers each result as a queued call on context's thread; results still
// queued when context is destroyed are dropped with it.
inline qv::device::Line::Post postTo(QObject* context) {
    return [context](std::function<void()> f) { QMetaObject::invokeMethod(context, std::move(f), Qt::QueuedConnection); };
}

// Hands over the connection's results until nothing runs, and nothing else
// (no timer, no input): for tests that step the program exchange by exchange.
inline void waitForLine(const qv::device::Session& session, QObject* context, int timeoutMs = 30000) {
    QElapsedTimer t;
    t.start();
    while (!session.idle() && t.elapsed() < timeoutMs) {
        QCoreApplication::sendPostedEvents(context, QEvent::MetaCall);
        if (!session.idle()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

}  // namespace qv::app
