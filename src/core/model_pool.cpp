#include "core/model_pool.h"

#include <mutex>
#include <vector>

namespace talvex {
namespace {

// Enough for a fit of sixteen curves on two threads, with its setups (some 40 MB at most).
constexpr std::size_t kKept = 48;

std::mutex& PoolMutex() {
    static std::mutex mutex;
    return mutex;
}

std::vector<Model*>& Kept() {
    // Never destroyed: models may come back while the program ends.
    static auto* kept = new std::vector<Model*>();
    return *kept;
}

}  // namespace

void ReturnToPool::operator()(Model* m) const {
    if (m == nullptr) return;
    {
        const std::lock_guard lock(PoolMutex());
        std::vector<Model*>& kept = Kept();
        if (kept.size() < kKept) {
            kept.push_back(m);
            return;
        }
    }
    delete m;
}

PooledModel AcquireModel(const Model& from) {
    Model* m = nullptr;
    {
        const std::lock_guard lock(PoolMutex());
        std::vector<Model*>& kept = Kept();
        if (!kept.empty()) {
            m = kept.back();
            kept.pop_back();
        }
    }
    if (m == nullptr) return PooledModel(new Model(from));
    *m = from;
    return PooledModel(m);
}

PooledModel AcquireFreshModel() {
    static const Model fresh;
    return AcquireModel(fresh);
}

}  // namespace talvex
