#include "core/model_pool.h"

#include "core/kept_objects.h"

namespace talvex {
namespace {

// Enough for a fit of sixteen curves on two threads, with its setups (some 40 MB at most).
KeptObjects<Model>& Kept() {
    static auto* kept = new KeptObjects<Model>(48);
    return *kept;
}

}  // namespace

void ReturnToPool::operator()(Model* m) const {
    if (m != nullptr && !Kept().Give(m)) delete m;
}

PooledModel AcquireModel(const Model& from) {
    Model* m = Kept().Take([](const Model&) { return true; });
    if (m == nullptr) return PooledModel(new Model(from));
    *m = from;
    return PooledModel(m);
}

PooledModel AcquireFreshModel() {
    static const Model fresh;
    return AcquireModel(fresh);
}

}  // namespace talvex
