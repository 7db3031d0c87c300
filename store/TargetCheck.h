#pragma once
// Looks for targets off the caller's thread, each within a time limit: a path on a share
// that does not answer must not hold up a window. A few worker threads take the paths in
// turn; a path whose look-up runs past the limit counts as not checked, and its worker is
// left to finish on its own (it holds only what it shares with the checker, which lives
// as long as the last of them) while a new worker takes its place.

#include "HealthCheck.h"

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

namespace vs {

// How long a target may take to answer, and how many are looked for at once.
inline constexpr std::chrono::seconds kTargetTimeLimit{5};
inline constexpr unsigned kTargetWorkers = 8;

class TargetChecker {
public:
    using Clock = std::chrono::steady_clock;
    // Whether a target is there. Called on worker threads, at the same time for several
    // paths; it must hold no reference to anything that may go before it returns.
    using Probe = std::function<bool(const TargetPath& target)>;

    // Starts checking targets at once; now tells the time (tests pass their own clock).
    TargetChecker(std::vector<TargetPath> targets, Probe probe, Clock::duration limit, unsigned workers,
                  std::function<Clock::time_point()> now = Clock::now);
    ~TargetChecker();
    TargetChecker(const TargetChecker&) = delete;
    TargetChecker& operator=(const TargetChecker&) = delete;

    // Marks the paths whose look-up ran past the limit as not checked, starting a worker
    // in place of each; true once every path has its state.
    bool Poll();
    // Waits (Poll, then a short wait for a worker) until every path has its state.
    void Wait();
    std::vector<TargetState> States() const;

private:
    struct Shared;
    void StartWorker();

    std::shared_ptr<Shared> shared_;
    Clock::duration limit_;
    std::function<Clock::time_point()> now_;
};

// Looks for a target the way the running system sees it (Windows: file attributes and the
// program search of CreateProcessW).
bool TargetExists(const TargetPath& target);

} // namespace vs
