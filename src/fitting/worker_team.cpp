#include "fitting/worker_team.h"

#include <algorithm>
#include <chrono>

#include "core/kept_objects.h"

namespace talvex {
namespace {

// A fit hands its team the next evaluation a few microseconds after the last, and waking a thread
// that went to sleep costs about as much as a small simulation: a thread first waits this long
// awake (yielding the core to anyone who needs it) for `ready` before it sleeps on its condition.
constexpr std::chrono::microseconds kWaitAwake{200};

template <typename Ready>
void WaitAwake(Ready ready) {
    const auto until = std::chrono::steady_clock::now() + kWaitAwake;
    while (!ready() && std::chrono::steady_clock::now() < until) std::this_thread::yield();
}

int TeamSize(int threads) {
    return threads > 0 ? threads : std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

// Teams given back; a few suffice (fits running at once on several threads of a program).
KeptObjects<WorkerTeam>& KeptTeams() {
    static auto* kept = new KeptObjects<WorkerTeam>(4);
    return *kept;
}

}  // namespace

WorkerTeam::WorkerTeam(int threads) {
    const int wanted = TeamSize(threads);
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
        lock.unlock();
        WaitAwake([&] { return stop_.load() || generation_.load() != seen; });
        lock.lock();
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
    if (unfinished_ != 0) {
        lock.unlock();
        WaitAwake([&] { return unfinished_.load() == 0; });
        lock.lock();
    }
    done_.wait(lock, [&] { return unfinished_ == 0; });
    task_ = nullptr;
}

void ReturnTeam::operator()(WorkerTeam* team) const {
    if (team != nullptr && !KeptTeams().Give(team)) delete team;
}

TeamLease LeaseTeam(int threads) {
    const int wanted = TeamSize(threads);
    if (WorkerTeam* team = KeptTeams().Take([wanted](const WorkerTeam& t) { return t.size() == wanted; }))
        return TeamLease(team);
    return TeamLease(new WorkerTeam(wanted));
}

}  // namespace talvex
