#pragma once
// The one owner of the serial line. A thread of its own runs every exchange
// with the meter, so the window never waits for the wire; the window thread
// says what to send and gets the outcome back through `post`.
//
// Rules of the line, all kept on the window thread:
//  - run(): a page command. Queued behind whatever runs; it holds the line
//    from its first read to the end of its `then` (a message box shown there
//    keeps the line until it is closed).
//  - tryRun(): the poll. Runs only on a free line, otherwise it is skipped.
// Every command's messages come at its end, so no command needs to be split.
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "core/link/serial_link.h"

namespace qv::link {

class Line {
public:
    using Work = std::function<void(LinkSlot&)>;  // on the line's thread
    using Then = std::function<void()>;           // on the window thread, the line still held
    // Runs a function on the window thread, later (never inside the call).
    using Post = std::function<void(std::function<void()>)>;

    Line(LinkSlot& slot, Post post);
    ~Line();  // waits for the work that runs; what is queued is dropped
    Line(const Line&) = delete;
    Line& operator=(const Line&) = delete;

    void run(Work work, Then then = {});
    bool tryRun(Work work, Then then = {});

    // Something runs, waits in the queue, or a `then` is still busy.
    bool busy() const { return state_ != State::Free || !queue_.empty(); }
    // A `then` is busy (a message box of a command may be open in it).
    bool inThen() const { return state_ == State::Finishing; }
    // Called on the window thread each time the line has become free.
    void setOnFree(std::function<void()> f) { onFree_ = std::move(f); }

    // The slot, for the window thread while the line is not busy (or from a
    // `then`): the line's thread touches it only inside a Work.
    LinkSlot& slot() { return slot_; }

private:
    struct Job {
        Work work;
        Then then;
    };
    enum class State { Free, Running, Finishing };
    void start(Job job);
    void finished();
    void loop();

    LinkSlot& slot_;
    Post post_;
    // Window thread only.
    State state_ = State::Free;
    std::deque<Job> queue_;
    Then then_;
    std::function<void()> onFree_;
    // Between the threads.
    std::mutex mutex_;
    std::condition_variable wake_;
    Work inbox_;
    bool stopping_ = false;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
    std::thread thread_;
};

}  // namespace qv::link
