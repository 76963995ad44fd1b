#include "fitting/worker_team.h"

#include <algorithm>

namespace talvex {

WorkerTeam::WorkerTeam(int threads) {
    const int wanted = threads > 0 ? threads : std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    for (int w = 1; w < wanted; ++w) threads_.emplace_back([this, w] { Loop(w); });
}

WorkerTeam::~WorkerTeam() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : threads_) t.join();
}

// Takes tasks of the current call until none is left; the lock is held between tasks only.
void WorkerTeam::Work(std::unique_lock<std::mutex>& lock, int worker) {
    while (next_ < count_) {
        const int task = next_++;
        lock.unlock();
        (*task_)(task, worker);
        lock.lock();
        if (--unfinished_ == 0) done_.notify_all();
    }
}

void WorkerTeam::Loop(int worker) {
    unsigned seen = 0;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return stop_ || generation_ != seen; });
        if (stop_) return;
        seen = generation_;
        Work(lock, worker);
    }
}

void WorkerTeam::Run(int count, const std::function<void(int, int)>& task) {
    if (count <= 0) return;
    if (threads_.empty() || count == 1) {
        for (int i = 0; i < count; ++i) task(i, 0);
        return;
    }
    std::unique_lock<std::mutex> lock(mutex_);
    task_ = &task;
    count_ = count;
    next_ = 0;
    unfinished_ = count;
    ++generation_;
    wake_.notify_all();
    Work(lock, 0);
    done_.wait(lock, [&] { return unfinished_ == 0; });
    task_ = nullptr;
}

}  // namespace talvex
