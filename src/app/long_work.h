#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace talvex {

class Workbench;

// Where long work stands, as its worker last said: the fit's iteration, its least square, the
// free values and the fitted currents (every curve's, one after another) at the best point so far.
struct WorkProgress {
    int iteration = 0;
    double ssq = 0;
    std::vector<double> values;
    std::vector<double> fitted;
};

// Work a command hands off so that the window stays responsive while it runs: a fit, a global fit,
// a digital run. The command prepares it on the workbench; `compute` runs on a thread of its own
// and touches nothing but what it captured (copies of the inputs) and this object; `finish` runs
// afterwards where the command ran, and its changes and the command's are one step of the undo
// history. While it runs, `show` (where the command ran) draws the progress it posted.
class LongWork {
  public:
    std::string label;  // the command's caption, "Auto Fit"
    std::function<void(LongWork&)> compute;
    std::function<void(Workbench&)> finish;
    std::function<void(Workbench&, const WorkProgress&)> show;

    // The worker: the latest progress (an earlier one not yet shown is dropped).
    void Post(WorkProgress progress);
    // Where the command ran: the progress posted since the last call, if any.
    std::optional<WorkProgress> TakeProgress();

    // Asks the worker to end at its best point so far; it looks at the flag between iterations (a
    // fit) or points (a digital run).
    void Stop() { stop_.store(true); }
    bool StopRequested() const { return stop_.load(); }
    const std::atomic<bool>& stopFlag() const { return stop_; }

    // Runs `compute`, then marks the work done (also when it threw: the error is kept for
    // `finish`'s caller).
    void Run();
    bool Done() const { return done_.load(); }
    // Waits up to `limit` for the work to be done; true when it is.
    bool WaitFor(std::chrono::milliseconds limit);
    // What escaped `compute`, rethrown where the command ran.
    void RethrowFailure() const;

  private:
    std::mutex mutex_;
    std::condition_variable doneChanged_;
    std::optional<WorkProgress> progress_;
    std::exception_ptr failure_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> done_{false};
};

}  // namespace talvex
