#include "plot/display.h"

namespace talvex {

Display::Display(Model& m, ParameterDialogs& d, Reporter& r) : model(m), dialogs(d), reporter(r), formOption(*this) {}

}  // namespace talvex
