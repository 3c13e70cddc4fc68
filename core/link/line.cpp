#include "core/link/line.h"

namespace qv::link {

Line::Line(LinkSlot& slot, Post post) : slot_(slot), post_(std::move(post)) {
    thread_ = std::thread([this] { loop(); });
}

Line::~Line() {
    {
        std::lock_guard<std::mutex> guard(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void Line::run(Work work, Then then) {
    Job job{std::move(work), std::move(then)};
    if (state_ == State::Free && queue_.empty())
        start(std::move(job));
    else
        queue_.push_back(std::move(job));
}

bool Line::tryRun(Work work, Then then) {
    if (busy()) return false;
    start({std::move(work), std::move(then)});
    return true;
}

void Line::start(Job job) {
    state_ = State::Running;
    then_ = std::move(job.then);
    {
        std::lock_guard<std::mutex> guard(mutex_);
        inbox_ = job.work ? std::move(job.work) : Work([](LinkSlot&) {});
    }
    wake_.notify_one();
}

void Line::finished() {
    state_ = State::Finishing;
    if (Then then = std::move(then_)) then();
    if (!queue_.empty()) {
        Job follow = std::move(queue_.front());
        queue_.pop_front();
        start(std::move(follow));
        return;
    }
    state_ = State::Free;
    if (onFree_) onFree_();
}

void Line::loop() {
    for (;;) {
        Work work;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || inbox_; });
            if (stopping_) return;
            work = std::move(inbox_);
            inbox_ = nullptr;
        }
        work(slot_);
        {
            std::lock_guard<std::mutex> guard(mutex_);
            if (stopping_) return;
        }
        // A result that arrives after the line is gone is dropped.
        post_([this, alive = std::weak_ptr<int>(alive_)] {
            if (alive.lock()) finished();
        });
    }
}

}  // namespace qv::link
