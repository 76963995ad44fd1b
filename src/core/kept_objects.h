#pragma once

#include <cstddef>
#include <iterator>
#include <mutex>
#include <vector>

namespace talvex {

// Objects given back after use and kept for the next user, at most `most` of them; any thread may
// give or take. Make one with new and never destroy it: objects may come back while the program ends.
template <typename T>
class KeptObjects {
  public:
    explicit KeptObjects(std::size_t most) : most_(most) {}

    // True when the object is kept; false: there is no room, and the caller deletes it.
    bool Give(T* object) {
        const std::lock_guard lock(mutex_);
        if (kept_.size() >= most_) return false;
        kept_.push_back(object);
        return true;
    }

    // The object given back last among those `fits` accepts, taken out; nullptr when there is none.
    template <typename Fits>
    T* Take(Fits fits) {
        const std::lock_guard lock(mutex_);
        for (auto it = kept_.rbegin(); it != kept_.rend(); ++it)
            if (fits(**it)) {
                T* object = *it;
                kept_.erase(std::next(it).base());
                return object;
            }
        return nullptr;
    }

  private:
    std::mutex mutex_;
    std::vector<T*> kept_;
    const std::size_t most_;
};

}  // namespace talvex
