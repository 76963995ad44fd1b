#include "gui/dialog_layouts.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <map>
#include <utility>
#include <vector>

#include "core/codes.h"
#include "dialogs/form_expr.h"
#include "dialogs/form_ins.h"
#include "dialogs/form_mech.h"
#include "dialogs/form_tech.h"
#include "gui/dialog_view.h"
#include "plot/form_option.h"

namespace talvex::gui {
namespace {

// The OK button and Cancel, at the right of the dialog's last row.
void AddButtonRow(DialogView& view, QBoxLayout* layout, QPushButton* button) {
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    button->setMinimumWidth(90);
    row->addWidget(button);
    QPushButton* cancel = view.MakeCancelButton();
    cancel->setMinimumWidth(90);
    row->addWidget(cancel);
    layout->addLayout(row);
}

// Caption at the left, field at the right, one row.
void AddField(QGridLayout* grid, int row, ControlBinder& b, TextBox& box, int column = 0) {
    grid->addWidget(b.Caption(box), row, column);
    grid->addWidget(b.Edit(box), row, column + 1);
}

QVBoxLayout* TopLayout(DialogView& view) {
    auto* top = new QVBoxLayout(&view);
    // The dialog is as large as its contents, and grows or shrinks as rows come and go.
    top->setSizeConstraint(QLayout::SetFixedSize);
    return top;
}

void BuildTechniques(DialogView& view, FormTech& f) {
    ControlBinder& b = view.binder();
    auto* top = TopLayout(view);
    QGroupBox* frame = b.Group(f.Frame1);
    auto* options = new QVBoxLayout(frame);
    for (int i = f.optTech.first(); i <= f.optTech.last(); ++i) options->addWidget(b.Option(f.optTech(i)));
    top->addWidget(frame);
    AddButtonRow(view, top, b.Button(f.cmdOK));
}

void BuildMechanism(DialogView& view, FormMech& f) {
    ControlBinder& b = view.binder();
    b.fieldCharacters = 6;
    auto* top = TopLayout(view);
    top->addWidget(b.Check(f.CheckDigital));

    QGroupBox* analytical = b.Group(f.FrameAnalytical);
    auto* list = new QVBoxLayout(analytical);
    for (int i = f.mech.first(); i <= f.mech.last(); ++i) list->addWidget(b.Option(f.mech(i)));
    top->addWidget(analytical);

    // The reaction editor: charge-transfer rows "charge + NEL e = charge" at the left, chemical
    // rows "chem = chem" and "chem2 + chem2 = chem2 + chem2" at the right.
    QGroupBox* editor = b.Group(f.FrameEditor);
    auto* sides = new QHBoxLayout(editor);
    auto* charge = new QGridLayout;
    charge->addWidget(b.Text(f.LabelCharge), 0, 0, 1, 5);
    for (int r = 1; r <= 3; ++r) {
        charge->addWidget(b.Edit(f.charge(2 * r - 1)), r, 0);
        charge->addWidget(b.Text(f.LabelChargePlus(r)), r, 1);
        charge->addWidget(b.Combo(f.NEL(r)), r, 2);
        charge->addWidget(b.Text(f.LabelElectron(r)), r, 3);
        charge->addWidget(b.Edit(f.charge(2 * r)), r, 4);
    }
    charge->setRowStretch(8, 1);
    sides->addLayout(charge);
    sides->addSpacing(24);
    auto* chemical = new QGridLayout;
    chemical->addWidget(b.Text(f.LabelChemical), 0, 0, 1, 7);
    for (int r = 1; r <= 4; ++r) {
        chemical->addWidget(b.Edit(f.chem(2 * r - 1)), r, 0);
        chemical->addWidget(b.Text(f.LabelChemEqual(r)), r, 1);
        chemical->addWidget(b.Edit(f.chem(2 * r)), r, 2);
    }
    for (int r = 1; r <= 3; ++r) {
        const int row = 4 + r;
        chemical->addWidget(b.Edit(f.chem2(4 * r - 3)), row, 0);
        chemical->addWidget(b.Text(f.LabelChem2Plus(2 * r - 1)), row, 1);
        chemical->addWidget(b.Edit(f.chem2(4 * r - 2)), row, 2);
        chemical->addWidget(b.Text(f.LabelChem2Equal(r)), row, 3);
        chemical->addWidget(b.Edit(f.chem2(4 * r - 1)), row, 4);
        chemical->addWidget(b.Text(f.LabelChem2Plus(2 * r)), row, 5);
        chemical->addWidget(b.Edit(f.chem2(4 * r)), row, 6);
    }
    sides->addLayout(chemical);
    top->addWidget(editor);
    AddButtonRow(view, top, b.Button(f.Command1));
}

void BuildInstrument(DialogView& view, FormIns& f) {
    ControlBinder& b = view.binder();
    auto* top = TopLayout(view);
    auto* columns = new QHBoxLayout;
    top->addLayout(columns);

    QGroupBox* instrument = b.Group(f.FrameInstrument);
    auto* settings = new QGridLayout(instrument);
    int row = 0;
    for (TextBox* box : {&f.Estart, &f.Eend, &f.Estep, &f.V, &f.td, &f.tp, &f.Epulse, &f.TextF, &f.txttemp, &f.Noise})
        AddField(settings, row++, b, *box);
    settings->addWidget(b.Caption(f.ComboScan), row, 0);
    settings->addWidget(b.Combo(f.ComboScan), row, 1);
    settings->setRowStretch(row + 1, 1);
    columns->addWidget(instrument, 0, Qt::AlignTop);

    QGroupBox* electrode = b.Group(f.FrameElectrode);
    auto* geometry = new QGridLayout(electrode);
    for (int k = 1; k <= electrode::kCount; ++k) geometry->addWidget(b.Option(f.optElectrode(k)), k - 1, 0);
    geometry->setColumnMinimumWidth(1, 12);
    row = 0;
    for (TextBox* box : {&f.ARE, &f.radius, &f.leng, &f.TextRrate, &f.TextDis}) AddField(geometry, row++, b, *box, 2);
    columns->addWidget(electrode, 0, Qt::AlignTop);

    auto* right = new QVBoxLayout;
    QGroupBox* baseline = b.Group(f.FrameBaseline);
    auto* corrections = new QGridLayout(baseline);
    row = 0;
    for (TextBox* box : {&f.TxtI0, &f.TxtI1, &f.Cdl, &f.txtRu}) AddField(corrections, row++, b, *box);
    corrections->addWidget(b.Text(f.LabelOhm), row - 1, 2);  // the unit of R u
    corrections->addWidget(b.Check(f.CheckFitBaseline), row, 0, 1, 2);
    right->addWidget(baseline);
    right->addWidget(b.Check(f.CheckPreCon));
    QGroupBox* pre = b.Group(f.FramePre);
    auto* preconcentration = new QGridLayout(pre);
    row = 0;
    for (TextBox* box : {&f.txtEPre, &f.txtTPre, &f.txtPconst, &f.txtRStir, &f.txtTpreconst})
        AddField(preconcentration, row++, b, *box);
    right->addWidget(pre);
    right->addStretch(1);
    columns->addLayout(right);

    AddButtonRow(view, top, b.Button(f.cmdOK));
}

void BuildChemicals(DialogView& view, FormExpr& f) {
    ControlBinder& b = view.binder();
    // Rows of species and reactions come and go with the mechanism; what is hidden gives its place.
    b.retainHidden = false;
    b.fieldCharacters = 7;
    auto* top = TopLayout(view);
    auto heading = [&](int h) {
        QLabel* label = b.Text(f.LabelColumn(h));
        label->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
        return label;
    };
    // A fit check box shows the fitted value as its caption after a fit: room for a number.
    auto fitted = [&](int k) {
        QCheckBox* check = b.Check(f.CheckFitted(k));
        check->setMinimumWidth(check->fontMetrics().horizontalAdvance(QStringLiteral("-0.000e-00")) + 24);
        return check;
    };
    // Columns keep a field's width even while no row shows their fields.
    const int fieldWidth = FieldEdit(b.fieldCharacters).sizeHint().width();
    auto columnWidths = [fieldWidth](QGridLayout* grid, int columns) {
        for (int c = 1; c < columns; ++c) grid->setColumnMinimumWidth(c, fieldWidth);
        grid->setColumnStretch(columns, 1);
    };
    // The fit columns of parameter k: fitted box, min, max, from `column` on.
    auto fitColumns = [&](QGridLayout* grid, int row, int column, int k) {
        grid->addWidget(fitted(k), row, column);
        grid->addWidget(b.Edit(f.TextCmin(k)), row, column + 1);
        grid->addWidget(b.Edit(f.TextCmax(k)), row, column + 2);
    };

    QGroupBox* electrolyte = b.Group(f.FrameElectrolyte);
    auto* line = new QHBoxLayout(electrolyte);
    const std::pair<int, TextBox*> fields[] = {{1, &f.TextElectrolyteC}, {2, &f.TextElectrolyteCond}, {3, &f.TextVis}};
    for (const auto& [h, box] : fields) {
        line->addWidget(b.Text(f.LabelColumn(h)));
        line->addWidget(b.Edit(*box));
        line->addSpacing(12);
    }
    line->addWidget(b.Check(f.CheckPreEqu));
    line->addStretch(1);
    top->addWidget(electrolyte);

    QGroupBox* species = b.Group(f.FrameSpecies);
    auto* table = new QGridLayout(species);
    for (int h = 4; h <= 12; ++h) table->addWidget(heading(h), 0, h - 3);
    for (int i = 1; i <= kMaxSpecies; ++i) {
        table->addWidget(b.Text(f.specie(i)), i, 0);
        table->addWidget(b.Edit(f.D(i)), i, 1);
        table->addWidget(b.Edit(f.C(i)), i, 2);
        table->addWidget(b.Text(f.Cinit(i)), i, 3);
        fitColumns(table, i, 4, fit::C + i);
        fitColumns(table, i, 7, fit::D + i);
    }
    columnWidths(table, 10);
    top->addWidget(species);

    QGroupBox* heter = b.Group(f.FrameHeter);
    table = new QGridLayout(heter);
    for (int h = 13; h <= 24; ++h) table->addWidget(heading(h), 0, h - 12);
    for (int r = 1; r <= kMaxCharge; ++r) {
        table->addWidget(b.Text(f.heter(r)), r, 0);
        table->addWidget(b.Edit(f.Eze(r)), r, 1);
        table->addWidget(b.Edit(f.alph(r)), r, 2);
        table->addWidget(b.Edit(f.ks(r)), r, 3);
        fitColumns(table, r, 4, fit::ks + r);
        fitColumns(table, r, 7, fit::Alpha + r);
        fitColumns(table, r, 10, fit::E0 + r);
    }
    columnWidths(table, 13);
    top->addWidget(heter);

    QGroupBox* homo = b.Group(f.FrameHomo);
    table = new QGridLayout(homo);
    for (int h = 25; h <= 33; ++h) table->addWidget(heading(h), 0, h - 24);
    for (int j = 1; j <= kMaxChem; ++j) {
        table->addWidget(b.Text(f.homo(j)), j, 0);
        table->addWidget(b.Edit(f.kf(j)), j, 1);
        table->addWidget(b.Edit(f.kb(j)), j, 2);
        table->addWidget(b.Text(f.LabelKeq(j)), j, 3);
        fitColumns(table, j, 4, fit::kf + j);
        fitColumns(table, j, 7, fit::kb + j);
    }
    columnWidths(table, 10);
    top->addWidget(homo);

    AddButtonRow(view, top, b.Button(f.cmdOK));
}

void BuildOption(DialogView& view, FormOption& f) {
    ControlBinder& b = view.binder();
    auto* top = TopLayout(view);
    auto* columns = new QHBoxLayout;
    top->addLayout(columns);

    auto* left = new QVBoxLayout;
    left->addWidget(b.Check(f.CheckGrid));
    left->addWidget(b.Check(f.overlap));
    QGroupBox* axis = b.Group(f.FrameAxis);
    auto* quantity = new QVBoxLayout(axis);
    quantity->addWidget(b.Combo(f.ComboY));
    left->addWidget(axis);
    left->addWidget(b.Check(f.CheckXdir));
    auto range = [&](CheckBox& automatic, Label& maxLabel, TextBox& max, Label& minLabel, TextBox& min) {
        left->addWidget(b.Check(automatic));
        auto* grid = new QGridLayout;
        grid->setContentsMargins(20, 0, 0, 0);
        grid->addWidget(b.Text(maxLabel), 0, 0);
        grid->addWidget(b.Edit(max), 0, 1);
        grid->addWidget(b.Text(minLabel), 1, 0);
        grid->addWidget(b.Edit(min), 1, 1);
        left->addLayout(grid);
    };
    range(f.Xauto, f.LabelXmax, f.XmaxText, f.LabelXmin, f.XminText);
    range(f.Yauto, f.LabelYmax, f.YmaxText, f.LabelYmin, f.YminText);
    left->addStretch(1);
    columns->addLayout(left);

    QGroupBox* styles = b.Group(f.FrameLineStyle);
    auto* curves = new QVBoxLayout(styles);
    for (int i = 0; i <= 4; ++i) {
        QGroupBox* curve = b.Group(f.FrameCurve(i));
        auto* buttons = new QHBoxLayout(curve);
        buttons->addWidget(b.Option(f.linestyle0(i)));
        buttons->addWidget(b.Option(f.linestyle1(i)));
        buttons->addWidget(b.Option(f.linestyle2(i)));
        buttons->addWidget(b.Option(f.linestyle3(i)));
        curves->addWidget(curve);
    }
    columns->addWidget(styles);

    AddButtonRow(view, top, b.Button(f.cmdOK));
}

// Any other dialog: its frames as group boxes in the order they were made, each holding its
// controls (a text box with its caption beside it); controls outside a frame above them.
void BuildGeneric(DialogView& view) {
    ControlBinder& b = view.binder();
    auto* top = TopLayout(view);
    auto* loose = new QGridLayout;
    top->addLayout(loose);
    std::map<const Control*, QGridLayout*> grids{{nullptr, loose}};
    std::map<const QGridLayout*, int> rows;
    auto gridOf = [&](const Control& c) { return grids.count(c.container) ? grids[c.container] : loose; };
    std::vector<std::pair<Control*, QGroupBox*>> frames;
    for (Control* c : view.form().controls()) {
        if (c->kind() != ControlKind::Frame) continue;
        QGroupBox* group = b.Group(static_cast<Frame&>(*c));
        grids[c] = new QGridLayout(group);
        frames.emplace_back(c, group);
    }
    for (auto& [frame, group] : frames) {
        QGridLayout* grid = gridOf(*frame);
        grid->addWidget(group, rows[grid]++, 0, 1, 2);
    }
    for (Control* c : view.form().controls()) {
        if (c->kind() == ControlKind::Frame) continue;
        QGridLayout* grid = gridOf(*c);
        const int row = rows[grid]++;
        if (c->kind() == ControlKind::TextBox)
            AddField(grid, row, b, static_cast<TextBox&>(*c));
        else
            grid->addWidget(b.Widget(*c), row, 0, 1, 2);
    }
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(view.MakeCancelButton());
    top->addLayout(row);
}

}  // namespace

void BuildDialogLayout(DialogView& view) {
    Form& form = view.form();
    if (auto* tech = dynamic_cast<FormTech*>(&form))
        BuildTechniques(view, *tech);
    else if (auto* mech = dynamic_cast<FormMech*>(&form))
        BuildMechanism(view, *mech);
    else if (auto* ins = dynamic_cast<FormIns*>(&form))
        BuildInstrument(view, *ins);
    else if (auto* expr = dynamic_cast<FormExpr*>(&form))
        BuildChemicals(view, *expr);
    else if (auto* option = dynamic_cast<FormOption*>(&form))
        BuildOption(view, *option);
    else
        BuildGeneric(view);
}

}  // namespace talvex::gui
