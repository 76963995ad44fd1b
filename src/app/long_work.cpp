#include "app/long_work.h"

#include <exception>
#include <utility>

namespace talvex {

void LongWork::Post(WorkProgress progress) {
    const std::lock_guard lock(mutex_);
    progress_ = std::move(progress);
}

std::optional<WorkProgress> LongWork::TakeProgress() {
    const std::lock_guard lock(mutex_);
    std::optional<WorkProgress> taken = std::move(progress_);
    progress_.reset();
    return taken;
}

void LongWork::Run() {
    std::exception_ptr failure;
    try {
        if (compute) compute(*this);
    } catch (...) {
        failure = std::current_exception();
    }
    {
        const std::lock_guard lock(mutex_);
        failure_ = failure;
        done_.store(true);
    }
    doneChanged_.notify_all();
}

bool LongWork::WaitFor(std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    return doneChanged_.wait_for(lock, limit, [this] { return done_.load(); });
}

void LongWork::RethrowFailure() const {
    if (failure_) std::rethrow_exception(failure_);
}

}  // namespace talvex
