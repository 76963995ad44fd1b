#include "files/workspace_file.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "core/codes.h"
#include "core/constants.h"
#include "core/run_error.h"
#include "core/text_number.h"

namespace talvex {
namespace {

using Json = nlohmann::json;

[[noreturn]] void Damaged(const std::string& what) {
    throw RunError(ErrorCode::InvalidProcedureCall, what);
}

// JSON's own spelling of a value: the library escapes strings and writes every number so that it
// reads back as the same double.
std::string Str(const std::string& s) {
    return Json(s).dump();
}
std::string Bool(bool b) {
    return b ? "true" : "false";
}
std::string Num(double x) {
    if (!std::isfinite(x)) Raise(ErrorCode::Overflow);  // JSON has no infinity; the store never holds one
    return Json(x).dump();
}
std::string Count(const std::optional<int>& v) {
    return v ? Json(*v).dump() : "null";
}

constexpr const char* kKindNames[] = {"simulated", "measured", "fitted"};  // by curve:: number

std::string ControlLine(const WorkspaceControl& c) {
    std::string s = "{\"name\": " + Str(c.name) + ", \"kind\": " + Str(c.kind);
    if (c.kind == "TextBox" || c.kind == "Label" || c.kind == "ComboBox") s += ", \"text\": " + Str(c.text);
    if (c.kind != "Label") s += ", \"caption\": " + Str(c.caption);
    if (c.kind == "CheckBox") s += ", \"checked\": " + Bool(c.state);
    if (c.kind == "OptionButton") s += ", \"selected\": " + Bool(c.state);
    if (c.kind == "ComboBox") s += ", \"listIndex\": " + GeneralFormat(c.listIndex);
    s += ", \"visible\": " + Bool(c.visible) + ", \"enabled\": " + Bool(c.enabled);
    if (c.kind == "TextBox") s += ", \"locked\": " + Bool(c.locked) + ", \"captionVisible\": " + Bool(c.captionVisible);
    return s + "}";
}

// A member's name in quotes. Appended piece by piece: GCC 12 warns wrongly (-Wrestrict) about
// "\"" + std::string(...) once inlined.
std::string Quoted(const char* key) {
    std::string s(1, '"');
    s.append(key);
    s.push_back('"');
    return s;
}

// Reading: every member is looked up and type-checked, so a damaged file names what it lacks.
const Json& Member(const Json& object, const char* key, const std::string& where) {
    if (!object.is_object()) Damaged(where + " is not an object");
    const auto it = object.find(key);
    if (it == object.end()) Damaged(where + " has no " + Quoted(key));
    return *it;
}

std::string ReadString(const Json& object, const char* key, const std::string& where) {
    const Json& v = Member(object, key, where);
    if (!v.is_string()) Damaged(Quoted(key) + " of " + where + " is not a text");
    return v.get<std::string>();
}

bool ReadBool(const Json& object, const char* key, const std::string& where) {
    const Json& v = Member(object, key, where);
    if (!v.is_boolean()) Damaged(Quoted(key) + " of " + where + " is not true or false");
    return v.get<bool>();
}

int ReadInt(const Json& v, const std::string& what, int lowest, int highest) {
    if (!v.is_number_integer()) Damaged(what + " is not a whole number");
    const auto n = v.get<long long>();
    if (n < lowest || n > highest)
        Damaged(what + " is " + GeneralFormat(static_cast<double>(n)) + ", outside " + GeneralFormat(lowest) + ".." +
                GeneralFormat(highest));
    return static_cast<int>(n);
}

std::optional<int> ReadCount(const Json& curves, const char* key, int highest) {
    const Json& v = Member(curves, key, "\"curves\"");
    if (v.is_null()) return std::nullopt;
    return ReadInt(v, Quoted(key) + " of \"curves\"", 0, highest);
}

double ReadNumber(const Json& v, const std::string& what) {
    if (!v.is_number()) Damaged(what + " is not a number");
    const double x = v.get<double>();
    if (!std::isfinite(x)) Damaged(what + " is beyond the range of numbers");
    return x;
}

WorkspaceControl ReadControl(const Json& j, const std::string& where) {
    WorkspaceControl c;
    c.name = ReadString(j, "name", where);
    const std::string at = where + ", control " + c.name;
    c.kind = ReadString(j, "kind", at);
    static const char* const kKinds[] = {"TextBox",  "Label", "CheckBox",     "OptionButton",
                                         "ComboBox", "Frame", "CommandButton"};
    bool known = false;
    for (const char* k : kKinds) known = known || c.kind == k;
    if (!known) Damaged(at + " is of an unknown kind \"" + c.kind + "\"");
    if (c.kind == "TextBox" || c.kind == "Label" || c.kind == "ComboBox") c.text = ReadString(j, "text", at);
    if (c.kind != "Label") c.caption = ReadString(j, "caption", at);
    if (c.kind == "CheckBox") c.state = ReadBool(j, "checked", at);
    if (c.kind == "OptionButton") c.state = ReadBool(j, "selected", at);
    if (c.kind == "ComboBox") c.listIndex = ReadInt(Member(j, "listIndex", at), at + " list index", -1, 1000000);
    c.visible = ReadBool(j, "visible", at);
    c.enabled = ReadBool(j, "enabled", at);
    if (c.kind == "TextBox") {
        c.locked = ReadBool(j, "locked", at);
        c.captionVisible = ReadBool(j, "captionVisible", at);
    }
    return c;
}

}  // namespace

std::string WorkspaceText(const Workspace& w) {
    std::string s = "{\n  \"format\": " + Str(kWorkspaceFormat) +
                    ",\n  \"version\": " + GeneralFormat(kWorkspaceVersion) + ",\n  \"dialogs\": [";
    for (std::size_t f = 0; f < w.forms.size(); ++f) {
        const WorkspaceForm& form = w.forms[f];
        s += f == 0 ? "\n" : ",\n";
        s += "    {\n      \"name\": " + Str(form.name) + ",\n      \"shown\": " + Bool(form.shown) +
             ",\n      \"controls\": [";
        for (std::size_t k = 0; k < form.controls.size(); ++k)
            s += (k == 0 ? "\n        " : ",\n        ") + ControlLine(form.controls[k]);
        s += "\n      ]\n    }";
    }
    s += "\n  ],\n  \"plot\": {\"caption\": " + Str(w.plotCaption) + "},\n  \"curves\": {\n";
    const WorkspaceCurves& c = w.curves;
    s += "    \"NData\": " + Count(c.NData) + ", \"IFirst\": " + Count(c.IFirst) + ", \"ILast\": " + Count(c.ILast) +
         ",\n    \"NCurves\": " + Count(c.NCurves) + ", \"CurCurve\": " + Count(c.CurCurve) +
         ", \"NCurvesSaved\": " + Count(c.NCurvesSaved) + ",\n";
    s += "    \"kinds\": [";
    for (int k = 0; k < kWorkspaceCurves; ++k) {
        const int kind = k < static_cast<int>(c.kinds.size()) ? c.kinds[static_cast<std::size_t>(k)] : curve::Simulated;
        if (kind < curve::Simulated || kind > curve::Fitted) Raise(ErrorCode::InvalidProcedureCall);
        s += (k == 0 ? "" : ", ") + Str(kKindNames[kind]);
    }
    s += "],\n";
    // What the legend and the axes say of each curve.
    auto listOf = [&](const char* key, auto item) {
        s += "    \"" + std::string(key) + "\": [";
        for (int k = 0; k < kWorkspaceCurves; ++k) s += (k == 0 ? "" : ", ") + item(static_cast<std::size_t>(k));
        s += "],\n";
    };
    listOf("names", [&](std::size_t k) { return Str(k < c.names.size() ? c.names[k] : std::string()); });
    listOf("orders", [&](std::size_t k) { return GeneralFormat(k < c.orders.size() ? c.orders[k] : 0); });
    listOf("factors", [&](std::size_t k) { return Num(k < c.factors.size() ? c.factors[k] : 1.0); });
    s += "    \"XFactor\": " + Num(c.XFactor) + ",\n";
    s +=
        "    \"columns\": [\"Xdata\", \"Yplot 1\", \"Yplot 2\", \"Yplot 3\", \"Yplot 4\", \"Yplot 5\", \"Yplot 6\"],\n";
    s += "    \"points\": [";
    for (std::size_t i = 0; i < c.Xdata.size(); ++i) {
        s += i == 0 ? "\n      [" : ",\n      [";
        s += Num(c.Xdata[i]);
        for (const auto& y : c.Yplot) s += ", " + Num(y[i]);
        s += "]";
    }
    s += c.Xdata.empty() ? "]\n  }" : "\n    ]\n  }";

    s += ",\n  \"measured\": {\n    \"columns\": [";
    for (int k = 0; k < kWorkspaceCurves; ++k) {
        const int r =
            k < static_cast<int>(w.measuredOfColumn.size()) ? w.measuredOfColumn[static_cast<std::size_t>(k)] : 0;
        s += (k == 0 ? "" : ", ") + GeneralFormat(r);
    }
    s += "],\n    \"curves\": [";
    for (std::size_t r = 0; r < w.measured.size(); ++r) {
        const WorkspaceMeasured& m = w.measured[r];
        s += (r == 0 ? "\n      {\"label\": " : ",\n      {\"label\": ") + Str(m.label) + ",\n       \"settings\": {";
        for (std::size_t k = 0; k < m.settings.size(); ++k)
            s += (k == 0 ? "" : ", ") + Str(m.settings[k].first) + ": " + Num(m.settings[k].second);
        s += "},\n       \"points\": [";
        for (std::size_t i = 0; i < m.potentials.size(); ++i)
            s += (i == 0 ? "[" : ", [") + Num(m.potentials[i]) + ", " + Num(m.currents[i]) + "]";
        s += "]}";
    }
    s += w.measured.empty() ? "]\n  }\n}\n" : "\n    ]\n  }\n}\n";
    return s;
}

Workspace ParseWorkspace(std::string_view text) {
    Json doc;
    try {
        doc = Json::parse(text.begin(), text.end());
    } catch (const Json::exception& e) {  // a syntax error, or a number beyond the double range
        // The library's message names the line and column of the fault after a technical tag.
        std::string detail = e.what();
        const auto tag = detail.find("] ");
        if (tag != std::string::npos) detail.erase(0, tag + 2);
        if (detail.find("unexpected end of input") != std::string::npos)
            Damaged("the file ends too early, it was cut short (" + detail + ")");
        Damaged("the file is not a Talvex workspace or is damaged (" + detail + ")");
    }
    if (!doc.is_object() || !doc.contains("format") || doc["format"] != kWorkspaceFormat)
        Damaged("the file is not a Talvex workspace");
    const Json& version = Member(doc, "version", "the file");
    if (!version.is_number_integer() || version.get<long long>() < 1) Damaged("the file's format version is not valid");
    if (version.get<long long>() > kWorkspaceVersion)
        Damaged("the file was written by a newer Talvex (workspace format " + version.dump() +
                "); this Talvex reads workspace format " + GeneralFormat(kWorkspaceVersion) + " only");

    Workspace w;
    const Json& dialogs = Member(doc, "dialogs", "the file");
    if (!dialogs.is_array()) Damaged("\"dialogs\" is not a list");
    for (const Json& d : dialogs) {
        WorkspaceForm form;
        form.name = ReadString(d, "name", "a dialog");
        const std::string where = "dialog " + form.name;
        form.shown = ReadBool(d, "shown", where);
        const Json& controls = Member(d, "controls", where);
        if (!controls.is_array()) Damaged("the controls of " + where + " are not a list");
        for (const Json& c : controls) form.controls.push_back(ReadControl(c, where));
        w.forms.push_back(std::move(form));
    }
    w.plotCaption = ReadString(Member(doc, "plot", "the file"), "caption", "\"plot\"");

    const Json& curves = Member(doc, "curves", "the file");
    WorkspaceCurves& c = w.curves;
    c.NData = ReadCount(curves, "NData", kMaxPoints);
    c.IFirst = ReadCount(curves, "IFirst", kMaxPoints);
    c.ILast = ReadCount(curves, "ILast", kMaxPoints);
    c.NCurves = ReadCount(curves, "NCurves", kWorkspaceCurves);
    c.CurCurve = ReadCount(curves, "CurCurve", kWorkspaceCurves);
    c.NCurvesSaved = ReadCount(curves, "NCurvesSaved", kWorkspaceCurves);
    // Format 1 did not tell measured curves from simulated ones.
    c.kinds.assign(kWorkspaceCurves, curve::Simulated);
    if (version.get<long long>() >= 2) {
        const Json& kinds = Member(curves, "kinds", "\"curves\"");
        if (!kinds.is_array() || kinds.size() != kWorkspaceCurves)
            Damaged("\"kinds\" of \"curves\" is not a list of " + GeneralFormat(kWorkspaceCurves) + " texts");
        for (std::size_t k = 0; k < kWorkspaceCurves; ++k) {
            int kind = -1;
            for (int n = curve::Simulated; n <= curve::Fitted; ++n)
                if (kinds[k].is_string() && kinds[k].get<std::string>() == kKindNames[n]) kind = n;
            if (kind < 0) Damaged("\"kinds\" of \"curves\" holds " + kinds[k].dump() + " where a curve kind belongs");
            c.kinds[k] = kind;
        }
    }
    // Names, orders and factors came later within format 2: a file without them has plain currents.
    c.names.assign(kWorkspaceCurves, std::string());
    c.orders.assign(kWorkspaceCurves, 0);
    c.factors.assign(kWorkspaceCurves, 1.0);
    auto readList = [&](const char* key, auto read) {
        if (!curves.contains(key)) return;
        const Json& list = curves[key];
        if (!list.is_array() || list.size() != kWorkspaceCurves)
            Damaged("\"" + std::string(key) + "\" of \"curves\" is not a list of " + GeneralFormat(kWorkspaceCurves) +
                    " entries");
        for (std::size_t k = 0; k < kWorkspaceCurves; ++k) read(k, list[k]);
    };
    readList("names", [&](std::size_t k, const Json& v) {
        if (!v.is_string()) Damaged("\"names\" of \"curves\" holds " + v.dump() + " where a name belongs");
        c.names[k] = v.get<std::string>();
    });
    readList("orders",
             [&](std::size_t k, const Json& v) { c.orders[k] = ReadInt(v, "\"orders\" of \"curves\"", -1000, 1000); });
    readList("factors", [&](std::size_t k, const Json& v) {
        c.factors[k] = ReadNumber(v, "\"factors\" of \"curves\"");
        if (c.factors[k] == 0) Damaged("\"factors\" of \"curves\" holds a factor of 0");
    });
    if (curves.contains("XFactor")) {
        c.XFactor = ReadNumber(curves["XFactor"], "\"XFactor\" of \"curves\"");
        if (c.XFactor == 0) Damaged("\"XFactor\" of \"curves\" is 0");
    }
    const Json& points = Member(curves, "points", "\"curves\"");
    if (!points.is_array()) Damaged("\"points\" is not a list");
    const std::size_t expected = static_cast<std::size_t>(c.NData.value_or(0));
    if (points.size() != expected)
        Damaged("\"points\" holds " + GeneralFormat(static_cast<double>(points.size())) + " points where NData is " +
                GeneralFormat(static_cast<double>(expected)));
    c.Yplot.assign(kWorkspaceCurves, std::vector<double>(expected));
    c.Xdata.resize(expected);
    for (std::size_t i = 0; i < expected; ++i) {
        const std::string what = "point " + GeneralFormat(static_cast<double>(i + 1));
        const Json& row = points[i];
        if (!row.is_array() || row.size() != kWorkspaceCurves + 1)
            Damaged(what + " does not hold a potential and " + GeneralFormat(kWorkspaceCurves) + " currents");
        c.Xdata[i] = ReadNumber(row[0], what);
        for (int k = 0; k < kWorkspaceCurves; ++k)
            c.Yplot[static_cast<std::size_t>(k)][i] = ReadNumber(row[static_cast<std::size_t>(k) + 1], what);
    }

    // The series of measured curves; a workspace from before it had none.
    w.measuredOfColumn.assign(kWorkspaceCurves, 0);
    if (doc.contains("measured")) {
        const Json& measured = doc["measured"];
        const Json& columns = Member(measured, "columns", "\"measured\"");
        const Json& list = Member(measured, "curves", "\"measured\"");
        if (!list.is_array() || list.size() > kWorkspaceMeasured)
            Damaged("\"curves\" of \"measured\" is not a list of at most " +
                    GeneralFormat(static_cast<double>(kWorkspaceMeasured)) + " curves");
        if (!columns.is_array() || columns.size() != kWorkspaceCurves)
            Damaged("\"columns\" of \"measured\" is not a list of " + GeneralFormat(kWorkspaceCurves) + " numbers");
        for (std::size_t k = 0; k < kWorkspaceCurves; ++k)
            w.measuredOfColumn[k] =
                ReadInt(columns[k], "column " + GeneralFormat(static_cast<double>(k + 1)) + " of \"measured\"", 0,
                        static_cast<int>(list.size()));
        for (const Json& item : list) {
            WorkspaceMeasured m;
            const std::string where = "a measured curve";
            m.label = ReadString(item, "label", where);
            const Json& settings = Member(item, "settings", where);
            if (!settings.is_object()) Damaged("the settings of " + where + " are not an object");
            for (auto it = settings.begin(); it != settings.end(); ++it)
                m.settings.emplace_back(it.key(), ReadNumber(it.value(), "setting " + it.key() + " of " + m.label));
            const Json& pairs = Member(item, "points", where);
            if (!pairs.is_array() || pairs.empty() || pairs.size() > kMaxPoints)
                Damaged("the points of " + m.label + " are not a list of 1 to " + GeneralFormat(kMaxPoints) +
                        " points");
            for (const Json& p : pairs) {
                if (!p.is_array() || p.size() != 2)
                    Damaged("a point of " + m.label + " is not a potential and a current");
                m.potentials.push_back(ReadNumber(p[0], "a potential of " + m.label));
                m.currents.push_back(ReadNumber(p[1], "a current of " + m.label));
            }
            w.measured.push_back(std::move(m));
        }
    }
    return w;
}

}  // namespace talvex
