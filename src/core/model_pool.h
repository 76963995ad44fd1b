#pragma once

#include <memory>

#include "core/model.h"

namespace talvex {

// Models given back after a fit or a run, kept for the next. A model's tables take some 800 kB,
// and memory fresh from the system costs about ten times a copy into a model already used (the
// copies of a fit of four curves on two threads took longer than its simulations).
struct ReturnToPool {
    void operator()(Model* m) const;
};
using PooledModel = std::unique_ptr<Model, ReturnToPool>;

// A model equal to `from`, recycled where one is kept. Safe from any thread.
PooledModel AcquireModel(const Model& from);
// A model as a new one starts.
PooledModel AcquireFreshModel();

}  // namespace talvex
