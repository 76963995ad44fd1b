#pragma once

#include <memory>

#include "core/command_table.h"
#include "core/model.h"
#include "core/platform.h"
#include "core/result_window.h"

namespace talvex {

class FormTech;
class FormMech;
class FormIns;
class FormExpr;
class FormOption;
class FormPlot;

// Everything one running program owns: the parameter model, the dialogs (created once, then only
// shown and hidden), the result and plot windows, and the platform services. Every command,
// handler and engine routine reaches what it needs through it; tests make as many as they like.
class Workbench {
    // Declared first: members are built in declaration order and the references below bind to it.
    std::unique_ptr<Model> modelStorage_;

public:
    explicit Workbench(Platform& platform);
    ~Workbench();
    Workbench(const Workbench&) = delete;
    Workbench& operator=(const Workbench&) = delete;

    Platform& platform;
    Model& model;
    ResultWindow formResult;

private:
    struct Parts;
    std::unique_ptr<Parts> parts_;  // the dialogs and windows, built after the model

public:
    FormTech& formTech;
    FormMech& formMech;
    FormIns& formIns;
    FormExpr& formExpr;
    FormOption& formOption;
    FormPlot& formPlot;

    // The main window's menu tree with its enabled flags.
    CommandTable menu;
    // Folder of the application, where the manual page lives.
    std::string applicationDirectory = ".";

    // Runs a menu command as a user choosing it would; false (and nothing run) when the item is
    // disabled or has no command.
    bool RunCommand(const std::string& name);

    // Shows the message box of an operation's error trap.
    void Message(const std::string& text) { platform.MessageBox(text); }
};

}  // namespace talvex
