#include "core/workbench.h"

#include "dialogs/form_expr.h"
#include "dialogs/form_ins.h"
#include "dialogs/form_mech.h"
#include "dialogs/form_tech.h"
#include "plot/form_option.h"
#include "plot/form_plot.h"

namespace talvex {

struct Workbench::Parts {
    explicit Parts(Workbench& wb) : tech(wb), mech(wb), ins(wb), expr(wb), option(wb), plot(wb) {}
    FormTech tech;
    FormMech mech;
    FormIns ins;
    FormExpr expr;
    FormOption option;
    FormPlot plot;
};

Workbench::Workbench(Platform& platformServices)
    : modelStorage_(std::make_unique<Model>()),
      platform(platformServices),
      model(*modelStorage_),
      parts_(std::make_unique<Parts>(*this)),
      formTech(parts_->tech),
      formMech(parts_->mech),
      formIns(parts_->ins),
      formExpr(parts_->expr),
      formOption(parts_->option),
      formPlot(parts_->plot) {
    RegisterCommands(menu);
}

bool Workbench::RunCommand(const std::string& name) {
    const MenuItem* item = menu.Find(name);
    if (!item || !item->handler || !menu.IsAvailable(name)) return false;
    const auto handler = item->handler;  // the table may change while the command runs
    handler(*this);
    return true;
}

Workbench::~Workbench() = default;

}  // namespace talvex
