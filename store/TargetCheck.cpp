#include "TargetCheck.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace vs {

struct TargetChecker::Shared {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<TargetPath> targets;
    std::vector<TargetState> states;
    // When each path's look-up began; set while it runs.
    std::vector<Clock::time_point> started;
    std::vector<bool> running;
    std::size_t next = 0; // the next path no worker has taken
    Probe probe;
    bool stopping = false;
};

TargetChecker::TargetChecker(std::vector<TargetPath> targets, Probe probe, Clock::duration limit,
                             unsigned workers, std::function<Clock::time_point()> now)
    : shared_(std::make_shared<Shared>()), limit_(limit), now_(std::move(now)) {
    shared_->states.assign(targets.size(), TargetState::Pending);
    shared_->started.assign(targets.size(), Clock::time_point());
    shared_->running.assign(targets.size(), false);
    shared_->targets = std::move(targets);
    shared_->probe = std::move(probe);
    for (unsigned i = 0; i < workers && i < shared_->targets.size(); ++i)
        StartWorker();
}

TargetChecker::~TargetChecker() {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->stopping = true; // workers take no further path
}

void TargetChecker::StartWorker() {
    std::thread([shared = shared_, now = now_] {
        std::unique_lock<std::mutex> lock(shared->mutex);
        while (!shared->stopping && shared->next < shared->targets.size()) {
            const std::size_t index = shared->next++;
            shared->running[index] = true;
            shared->started[index] = now();
            const TargetPath target = shared->targets[index];
            lock.unlock();
            const bool present = shared->probe(target);
            lock.lock();
            shared->running[index] = false;
            // A path already given up on keeps its state, and its worker has been replaced.
            if (shared->states[index] != TargetState::Pending)
                break;
            shared->states[index] = present ? TargetState::Present : TargetState::Missing;
            shared->changed.notify_all();
        }
    }).detach();
}

bool TargetChecker::Poll() {
    unsigned late = 0;
    bool done = true;
    {
        std::lock_guard<std::mutex> lock(shared_->mutex);
        const Clock::time_point time = now_();
        for (std::size_t i = 0; i < shared_->states.size(); ++i) {
            if (shared_->states[i] != TargetState::Pending)
                continue;
            if (shared_->running[i] && time - shared_->started[i] > limit_) {
                shared_->states[i] = TargetState::NotChecked;
                ++late;
                continue;
            }
            done = false;
        }
    }
    for (unsigned i = 0; i < late; ++i)
        StartWorker();
    return done;
}

void TargetChecker::Wait() {
    while (!Poll()) {
        // Woken by the last answer, or after a while to look for paths past their limit.
        std::unique_lock<std::mutex> lock(shared_->mutex);
        shared_->changed.wait_for(lock, std::chrono::milliseconds(50), [this] {
            return std::none_of(shared_->states.begin(), shared_->states.end(),
                                [](TargetState state) { return state == TargetState::Pending; });
        });
    }
}

std::vector<TargetState> TargetChecker::States() const {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    return shared_->states;
}

} // namespace vs
