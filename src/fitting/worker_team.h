#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace talvex {

// A fixed team of threads for the simulations of a fit: each call hands over a number of
// independent tasks, the team (the calling thread among it) runs each once, and the call returns
// when all are done. Worker w runs only on what belongs to worker w, so no state is shared between
// tasks; which worker runs which task does not change any result.
class WorkerTeam {
  public:
    // `threads` workers in all, the calling thread counted; 0: one per core of the machine.
    explicit WorkerTeam(int threads);
    ~WorkerTeam();
    WorkerTeam(const WorkerTeam&) = delete;
    WorkerTeam& operator=(const WorkerTeam&) = delete;

    int size() const { return static_cast<int>(threads_.size()) + 1; }

    // Runs task(i, worker) for every i in [0, count); the task must not throw.
    void Run(int count, const std::function<void(int task, int worker)>& task);

  private:
    void Work(std::unique_lock<std::mutex>& lock, int worker);
    void Loop(int worker);

    std::vector<std::thread> threads_;
    std::mutex mutex_;
    std::condition_variable wake_, done_;
    const std::function<void(int, int)>* task_ = nullptr;
    int count_ = 0, next_ = 0;
    // Changed under the mutex only; atomic so that a thread may look at them without it while it
    // waits a moment before going to sleep.
    std::atomic<int> unfinished_{0};
    std::atomic<unsigned> generation_{0};
    std::atomic<bool> stop_{false};
};

// A team lent for one fit and taken back afterwards: its threads wait for the next fit instead of
// being started again (starting two threads took longer than a simulation). Safe from any thread;
// a team is never lent to two holders at once.
struct ReturnTeam {
    void operator()(WorkerTeam* team) const;
};
using TeamLease = std::unique_ptr<WorkerTeam, ReturnTeam>;

// A team of `threads` workers as WorkerTeam(threads) would make one.
TeamLease LeaseTeam(int threads);

}  // namespace talvex
