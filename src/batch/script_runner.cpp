#include "batch/script_runner.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <vector>

#include "app/file_commands.h"
#include "app/workbench.h"
#include "batch/batch_platform.h"
#include "core/model_names.h"
#include "plot/form_plot.h"

namespace talvex {
namespace {

// A line the runner cannot understand; ends the script with exit status 2.
struct ScriptError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

// Splits off the first word; the rest keeps its inner blanks (one separating blank removed).
std::string_view FirstWord(std::string_view& rest) {
    rest = Trim(rest);
    const auto end = rest.find_first_of(" \t");
    std::string_view word = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
    return word;
}

// "Yplot(10,1)" -> name and indexes; no value when the text is not of that shape.
std::optional<std::pair<std::string, std::vector<int>>> ParseIndexed(std::string_view text) {
    const auto open = text.find('(');
    if (open == std::string_view::npos) {
        if (text.empty()) return std::nullopt;
        return std::make_pair(std::string(text), std::vector<int>{});
    }
    if (text.back() != ')' || open == 0) return std::nullopt;
    std::vector<int> indexes;
    std::string_view inner = text.substr(open + 1, text.size() - open - 2);
    while (true) {
        const auto comma = inner.find(',');
        std::string_view part = Trim(inner.substr(0, comma));
        int value = 0;
        const auto [ptr, ec] = std::from_chars(part.data(), part.data() + part.size(), value);
        if (part.empty() || ec != std::errc() || ptr != part.data() + part.size()) return std::nullopt;
        indexes.push_back(value);
        if (comma == std::string_view::npos) break;
        inner = inner.substr(comma + 1);
    }
    return std::make_pair(std::string(text.substr(0, open)), indexes);
}

class Runner {
  public:
    Runner(std::ostream& out) : out_(out), platform_(out), wb_(platform_) {
        wb_.formResult.onLine = [this](const std::string& line) { out_ << line << std::endl; };
        wb_.applicationDirectory = std::filesystem::current_path().string();
        platform_.plot = &wb_.formPlot;
    }

    bool exitRequested() const { return platform_.exitRequested; }

    void Execute(std::string_view line) {
        std::string_view rest = line;
        const std::string verb(FirstWord(rest));
        if (verb == "set") {
            TextBox& box = As<TextBox>(Control(FirstWord(rest)), "a text box");
            if (!wb_.Type(box, std::string(rest))) out_ << "Locked: " << Name(box) << std::endl;
        } else if (verb == "click") {
            Click(Control(FirstWord(rest)));
            NoMore(rest);
        } else if (verb == "select") {
            ComboBox& combo = As<ComboBox>(Control(FirstWord(rest)), "a combo box");
            const std::string entry(Trim(rest));
            bool known = false;
            for (const auto& item : combo.list) known = known || item == entry;
            if (!known) throw ScriptError("no entry '" + entry + "' in " + Name(combo));
            if (!wb_.Choose(combo, entry)) out_ << "Disabled: " << Name(combo) << std::endl;
        } else if (verb == "menu") {
            const std::string name(FirstWord(rest));
            NoMore(rest);
            const MenuItem* item = wb_.menu.Find(name);
            if (!item || !item->handler) throw ScriptError("unknown menu command '" + name + "'");
            if (!wb_.RunCommand(name)) out_ << "Menu " << name << " is disabled" << std::endl;
        } else if (verb == "answer") {
            const std::string answer(Trim(rest));
            if (answer.empty()) throw ScriptError("answer needs a path, a choice or 'cancel'");
            if (answer == "cancel")
                platform_.QueueAnswer(std::nullopt);
            else
                platform_.QueueAnswer(answer);  // a path is made absolute when a file dialog takes it
        } else if (verb == "print") {
            const std::string_view what = Trim(rest);
            const auto parsed = ParseIndexed(what);
            if (!parsed) throw ScriptError("cannot read the model value '" + std::string(what) + "'");
            const auto value = ReadModelValue(wb_.model, parsed->first, parsed->second);
            if (!value) throw ScriptError("unknown model value '" + std::string(what) + "'");
            out_ << what << " = " << value->text << std::endl;
        } else if (verb == "show") {
            Show(Control(FirstWord(rest)));
            NoMore(rest);
        } else if (verb == "activate" || verb == "close") {
            Form& form = FindForm(std::string(FirstWord(rest)));
            NoMore(rest);
            if (verb == "activate")
                wb_.Activate(form);
            else
                wb_.Close(form);
        } else if (verb == "plot") {
            const std::string path(Trim(rest));
            if (path.empty()) throw ScriptError("plot needs a file name");
            if (!WritePlot(path)) out_ << "Plot could not be written to " << path << std::endl;
        } else {
            throw ScriptError("unknown command '" + verb + "'");
        }
    }

  private:
    // An SVG document, or a PNG picture or PDF document when the name ends in .png or .pdf and the
    // desktop build is there.
    bool WritePlot(const std::string& path) {
        const std::string format = PictureFormatOf(path);
        if (format != "png" && format != "pdf") return wb_.formPlot.WriteSvg(path);
        return platform_.WritePlotPicture(path, format, kPlotPictureWidth, kPlotPictureHeight);
    }

    static void NoMore(std::string_view rest) {
        if (!Trim(rest).empty()) throw ScriptError("unexpected text '" + std::string(Trim(rest)) + "'");
    }

    Form& FindForm(const std::string& name) {
        if (Form* form = wb_.FindForm(name)) return *form;
        throw ScriptError("unknown dialog '" + name + "'");
    }

    talvex::Control& Control(std::string_view qualified) {
        const auto dot = qualified.find('.');
        if (dot == std::string_view::npos)
            throw ScriptError("expected Form.control, got '" + std::string(qualified) + "'");
        Form& form = FindForm(std::string(qualified.substr(0, dot)));
        talvex::Control* c = form.FindByFullName(qualified.substr(dot + 1));
        if (!c) throw ScriptError("unknown control '" + std::string(qualified) + "'");
        return *c;
    }

    static std::string Name(const talvex::Control& c) { return c.form()->name() + "." + c.FullName(); }

    template <typename T>
    static T& As(talvex::Control& c, const char* what) {
        T* t = dynamic_cast<T*>(&c);
        if (!t) throw ScriptError(Name(c) + " is not " + what);
        return *t;
    }

    void Click(talvex::Control& c) {
        const ControlKind kind = c.kind();
        if (kind != ControlKind::CheckBox && kind != ControlKind::OptionButton && kind != ControlKind::CommandButton)
            throw ScriptError(Name(c) + " cannot be clicked");
        if (!wb_.Click(c)) out_ << "Disabled: " << Name(c) << std::endl;
    }

    void Show(const talvex::Control& c) {
        std::string text, state;
        if (auto* box = dynamic_cast<const TextBox*>(&c))
            text = box->text();
        else if (auto* label = dynamic_cast<const Label*>(&c))
            text = label->caption();
        else if (auto* check = dynamic_cast<const CheckBox*>(&c)) {
            text = check->caption;
            state = check->checked() ? "checked" : "unchecked";
        } else if (auto* option = dynamic_cast<const OptionButton*>(&c)) {
            text = option->caption;
            state = option->selected() ? "selected" : "not selected";
        } else if (auto* combo = dynamic_cast<const ComboBox*>(&c))
            text = combo->text();
        else if (auto* frame = dynamic_cast<const Frame*>(&c))
            text = frame->caption;
        else if (auto* button = dynamic_cast<const CommandButton*>(&c))
            text = button->caption;
        out_ << Name(c) << " = \"" << text << "\"";
        if (!state.empty()) out_ << ", " << state;
        out_ << ", " << (c.ShownOnScreen() ? "visible" : "hidden");
        if (!c.enabled) out_ << ", disabled";
        if (c.locked) out_ << ", locked";
        out_ << std::endl;
    }

    std::ostream& out_;
    BatchPlatform platform_;
    Workbench wb_;
};

}  // namespace

int RunScript(std::istream& script, const std::string& fileName, std::ostream& out, std::ostream& err) {
    Runner runner(out);
    std::string line;
    int number = 0;
    while (std::getline(script, line)) {
        ++number;
        const std::string_view trimmed = Trim(line);
        if (trimmed.empty() || trimmed.front() == '#') continue;
        try {
            runner.Execute(trimmed);
        } catch (const ScriptError& e) {
            err << fileName << ":" << number << ": " << e.what() << std::endl;
            return 2;
        } catch (const RunError& e) {
            // Last resort: an error no operation trapped is reported like any other.
            out << "MessageBox: " << e.description() << std::endl;
        }
        if (runner.exitRequested()) break;
    }
    return 0;
}

}  // namespace talvex
