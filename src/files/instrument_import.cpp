#include "files/instrument_import.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <system_error>

#include "core/constants.h"
#include "core/run_error.h"
#include "core/text_number.h"
#include "files/file_replace.h"

namespace talvex {
namespace {

namespace fs = std::filesystem;

// ---- Messages -----------------------------------------------------------------------------------

[[noreturn]] void Fail(ErrorCode code, const std::string& text) {
    throw RunError(code, text);
}

std::string Count(std::size_t n) {
    return GeneralFormat(static_cast<double>(n));
}
std::string At(std::int64_t line) {
    return "line " + GeneralFormat(static_cast<double>(line)) + ": ";
}

void AppendUtf8(std::string& out, unsigned code) {
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

// File text as a message may show it: at most 40 characters, control characters as '?', and bytes
// that are not UTF-8 read as the Latin-1 the instruments' Windows software writes (0xB5 is µ).
std::string Shown(std::string_view s) {
    std::string out;
    std::size_t shown = 0, i = 0;
    while (i < s.size()) {
        if (++shown > 40) {
            out += "...";
            break;
        }
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x20 || c == 0x7F) {
            out.push_back('?');
            ++i;
        } else if (c < 0x80) {
            out.push_back(static_cast<char>(c));
            ++i;
        } else {
            std::size_t len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 0;
            if (c > 0xF4) len = 0;
            bool valid = len > 0 && i + len <= s.size();
            for (std::size_t k = 1; valid && k < len; ++k)
                valid = (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80;
            if (valid) {
                out.append(s.substr(i, len));
                i += len;
            } else {
                AppendUtf8(out, c);
                ++i;
            }
        }
    }
    return out;
}

std::string Quoted(std::string_view s) {
    std::string out(1, '\'');
    out += Shown(s);
    out += '\'';
    return out;
}

// ---- Lines and fields ---------------------------------------------------------------------------

struct Line {
    std::string_view text;
    std::int64_t number = 0;
    bool last = false;  // the file ends in this line without a line end: perhaps cut short
};

// Lines ended by CR LF, LF or CR, numbered from 1 as an editor numbers them.
class LineReader {
  public:
    explicit LineReader(std::string_view text) : text_(text) { FindLf(); }

    bool Next(Line& line) {
        if (pos_ >= text_.size()) return false;
        // The next LF is remembered, so that a file of CR line ends is not searched to its end
        // for every line.
        if (nextLf_ < pos_) FindLf();
        std::size_t end = nextLf_;
        if (const void* cr = std::memchr(text_.data() + pos_, '\r', end - pos_))
            end = static_cast<std::size_t>(static_cast<const char*>(cr) - text_.data());
        line.text = text_.substr(pos_, end - pos_);
        line.number = ++number_;
        line.last = end == text_.size();
        if (end < text_.size() && text_[end] == '\r' && end + 1 < text_.size() && text_[end + 1] == '\n') ++end;
        pos_ = end + 1;
        return true;
    }

    bool Peek(Line& line) const {
        LineReader copy = *this;
        return copy.Next(line);
    }

    std::int64_t number() const { return number_; }

  private:
    void FindLf() {
        nextLf_ = text_.size();
        if (pos_ >= text_.size()) return;
        const void* lf = std::memchr(text_.data() + pos_, '\n', text_.size() - pos_);
        nextLf_ = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - text_.data()) : text_.size();
    }

    std::string_view text_;
    std::size_t pos_ = 0, nextLf_ = 0;
    std::int64_t number_ = 0;
};

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// A cell without the blanks and the pair of double quotes some programs put around it.
std::string_view Cell(std::string_view s) {
    s = TrimBlanks(s);
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"') s = TrimBlanks(s.substr(1, s.size() - 2));
    return s;
}

bool IsBlankLine(std::string_view s) {
    return TrimBlanks(s).empty();
}

// Calls f(index, field) for each field; f returns false to stop early. Returns the number of
// fields seen.
template <typename F>
int ForEachField(std::string_view line, char sep, F&& f) {
    // A plain loop: the fields are short, a library search per field costs more than it saves.
    int index = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] != sep) continue;
        if (!f(index, line.substr(start, i - start))) return index + 1;
        ++index;
        start = i + 1;
    }
    f(index, line.substr(start));
    return index + 1;
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

// ---- Numbers ------------------------------------------------------------------------------------

enum class NumberRead { Ok, Empty, NotNumber, OutOfRange };

// A field as a number. Where the separator is not a comma a comma is the decimal sign, as
// instruments write in locales that use one.
NumberRead ReadNumber(std::string_view field, bool decimalComma, double& value) {
    std::string_view s = Cell(field);
    if (s.empty()) return NumberRead::Empty;
    // No number an instrument writes needs more; longer text is not read digit by digit.
    if (s.size() > 100) return NumberRead::NotNumber;
    char buffer[100];
    if (decimalComma && s.find(',') != std::string_view::npos) {
        for (std::size_t i = 0; i < s.size(); ++i) buffer[i] = s[i] == ',' ? '.' : s[i];
        s = std::string_view(buffer, s.size());
    }
    try {
        value = StrictNumber(s);
        return NumberRead::Ok;
    } catch (const RunError&) {
        return HasNumberForm(s) ? NumberRead::OutOfRange : NumberRead::NotNumber;
    }
}

// ---- Column names and units ---------------------------------------------------------------------

enum class Quantity { Potential, Current, Cycle };

struct Known {
    std::string_view name;
    Quantity quantity;
};

// In order of preference where a file has several: the potential the instrument's own software
// plots a voltammogram against (NOVA the applied staircase, EC-Lab Ewe, Gamry Vf) before the
// general names; EC-Lab's averaged current before its instantaneous one.
constexpr Known kKnownColumns[] = {
    {"Potential applied", Quantity::Potential},
    {"Ewe", Quantity::Potential},
    {"<Ewe>", Quantity::Potential},
    {"Vf", Quantity::Potential},
    {"WE(1).Potential", Quantity::Potential},
    {"Potential", Quantity::Potential},
    {"E", Quantity::Potential},
    {"<I>", Quantity::Current},
    {"I", Quantity::Current},
    {"Im", Quantity::Current},
    {"WE(1).Current", Quantity::Current},
    {"Current", Quantity::Current},
    {"cycle number", Quantity::Cycle},
    {"Cycle", Quantity::Cycle},
    {"Scan", Quantity::Cycle},
};

constexpr const char* kPotentialNames = "E, Ewe, Potential, Vf, WE(1).Potential, Potential applied";
constexpr const char* kCurrentNames = "I, <I>, Im, Current, WE(1).Current";

struct ColumnName {
    std::string_view name, unit;
};

// "Ewe/V", "<I>/mA", "WE(1).Potential (V)", "E [mV]", "Potential (V vs. Ag/AgCl)", or a bare name.
ColumnName SplitUnit(std::string_view cell) {
    if (!cell.empty() && (cell.back() == ')' || cell.back() == ']')) {
        const char open = cell.back() == ')' ? '(' : '[';
        const std::size_t at = cell.rfind(open);
        if (at != std::string_view::npos && at > 0)
            return {TrimBlanks(cell.substr(0, at)), TrimBlanks(cell.substr(at + 1, cell.size() - at - 2))};
    }
    const std::size_t slash = cell.find('/');
    if (slash != std::string_view::npos && slash > 0)
        return {TrimBlanks(cell.substr(0, slash)), TrimBlanks(cell.substr(slash + 1))};
    return {cell, {}};
}

// The first word of a unit: "V vs. Ref." is in volts.
std::string_view UnitWord(std::string_view unit) {
    unit = TrimBlanks(unit);
    std::size_t end = 0;
    while (end < unit.size() && !IsBlank(unit[end])) ++end;
    return unit.substr(0, end);
}

// How many of the unit make one volt or one ampere; 0 for a unit that is not one of them.
double PotentialDivisor(std::string_view unit) {
    const std::string_view u = UnitWord(unit);
    if (u.empty() || u == "V") return 1.0;
    if (u == "mV") return 1e3;
    return 0.0;
}

double CurrentDivisor(std::string_view unit) {
    const std::string_view u = UnitWord(unit);
    if (u.empty() || u == "A") return 1.0;
    if (u == "mA") return 1e3;
    // micro as u, as the micro sign or Greek mu in UTF-8, or as the Latin-1 byte of Windows files
    if (u == "uA" || u == "\xC2\xB5\x41" || u == "\xCE\xBC\x41" || u == "\xB5\x41") return 1e6;
    if (u == "nA") return 1e9;
    if (u == "pA") return 1e12;
    return 0.0;
}

struct Column {
    int index = -1;
    int rank = INT_MAX;
    std::string_view cell;
    ColumnName parts;
    bool found() const { return index >= 0; }
};

struct HeaderScan {
    Column potential, current, cycle;
    bool autolabNames = false, ecLabNames = false;
};

HeaderScan ScanHeader(std::string_view line, char sep) {
    HeaderScan h;
    ForEachField(line, sep, [&](int index, std::string_view field) {
        const std::string_view cell = Cell(field);
        const ColumnName parts = SplitUnit(cell);
        int rank = 0;
        for (const Known& k : kKnownColumns) {
            ++rank;
            if (!SameText(parts.name, k.name)) continue;
            Column& c = k.quantity == Quantity::Potential ? h.potential
                        : k.quantity == Quantity::Current ? h.current
                                                          : h.cycle;
            if (rank < c.rank) c = Column{index, rank, cell, parts};
            break;
        }
        if (parts.name.starts_with("WE(") || SameText(parts.name, "Potential applied")) h.autolabNames = true;
        if (SameText(parts.name, "Ewe") || SameText(parts.name, "<Ewe>") || parts.name == "<I>") h.ecLabNames = true;
        return true;
    });
    return h;
}

// The header cells for a message: "Time/s, <I>/mA, cycle number".
std::string CellList(std::string_view line, char sep) {
    std::string out;
    ForEachField(line, sep, [&](int, std::string_view field) {
        const std::string_view cell = Cell(field);
        if (cell.empty()) return true;
        if (out.size() > 200) {
            out += ", ...";
            return false;
        }
        if (!out.empty()) out += ", ";
        out += Shown(cell);
        return true;
    });
    return out;
}

// ---- The table being read -----------------------------------------------------------------------

struct Layout {
    char sep = '\t';
    bool decimalComma = true;
    int potential = -1, current = -1, cycle = -1;
    std::string potentialName, currentName, cycleName;
    std::string potentialUnit, currentUnit;
    double potentialDivisor = 1.0, currentDivisor = 1.0;
    std::string_view cyclePrefix = "cycle";
};

// Which columns of a header row hold what, with their units; refuses a row without a potential or
// a current column, and units that are not of a potential or a current.
Layout MakeLayout(const HeaderScan& h, std::string_view line, char sep, std::int64_t number,
                  std::string_view unitsLine = {}, bool separateUnits = false) {
    if (!h.potential.found())
        Fail(ErrorCode::InvalidProcedureCall,
             At(number) + "no potential column (" + kPotentialNames + ") among " + CellList(line, sep));
    if (!h.current.found())
        Fail(ErrorCode::InvalidProcedureCall,
             At(number) + "no current column (" + kCurrentNames + ") among " + CellList(line, sep));
    Layout L;
    L.sep = sep;
    L.decimalComma = sep != ',';
    L.potential = h.potential.index;
    L.current = h.current.index;
    L.cycle = h.cycle.index;
    L.potentialName = Shown(h.potential.cell);
    L.currentName = Shown(h.current.cell);
    if (h.cycle.found()) L.cycleName = Shown(h.cycle.cell);
    std::string_view potentialUnit = h.potential.parts.unit, currentUnit = h.current.parts.unit;
    if (separateUnits) {  // Gamry: the units stand in the line below the names
        potentialUnit = currentUnit = {};
        ForEachField(unitsLine, sep, [&](int index, std::string_view field) {
            if (index == L.potential) potentialUnit = Cell(field);
            if (index == L.current) currentUnit = Cell(field);
            return true;
        });
    }
    L.potentialDivisor = PotentialDivisor(potentialUnit);
    if (L.potentialDivisor == 0.0)
        Fail(ErrorCode::InvalidProcedureCall, At(number) + "column " + L.potentialName + ": " + Quoted(potentialUnit) +
                                                  " is not a unit of potential (V, mV)");
    L.potentialUnit = Shown(UnitWord(potentialUnit));
    L.currentDivisor = CurrentDivisor(currentUnit);
    if (L.currentDivisor == 0.0)
        Fail(ErrorCode::InvalidProcedureCall, At(number) + "column " + L.currentName + ": " + Quoted(currentUnit) +
                                                  " is not a unit of current (A, mA, µA, nA, pA)");
    L.currentUnit = Shown(UnitWord(currentUnit));
    if (h.cycle.found() && SameText(h.cycle.parts.name, "Scan")) L.cyclePrefix = "scan";
    return L;
}

struct CycleInfo {
    std::string label;
    std::int64_t firstLine = 0;
    std::size_t points = 0;
};

// Gathers the points of the whole file, each tagged with its cycle, within fixed bounds.
class Collector {
  public:
    // A new cycle from here on (the CURVE tables of a Gamry file).
    void StartCycle(std::string label, std::int64_t line) {
        if (cycles_.size() >= kMaxFileCycles)
            Fail(ErrorCode::SubscriptOutOfRange,
                 At(line) + "more than " + Count(kMaxFileCycles) + " cycles in the file");
        cycles_.push_back({std::move(label), 0, 0});
        active_ = cycles_.size() - 1;
    }

    // The points from here on belong to the cycle the cycle column names ("cycle 2", "scan 1").
    void SetCycleByValue(double value, std::string_view prefix, std::int64_t line) {
        if (haveLast_ && value == lastValue_) return;
        const auto found = byValue_.find(value);
        if (found != byValue_.end()) {
            active_ = found->second;
        } else {
            StartCycle(std::string(prefix) + " " + GeneralFormat(value), line);
            byValue_.emplace(value, active_);
        }
        haveLast_ = true;
        lastValue_ = value;
    }

    void Add(double e, double i, std::int64_t line) {
        if (potentials_.size() >= kMaxFilePoints)
            Fail(ErrorCode::SubscriptOutOfRange,
                 At(line) + "more than " + Count(kMaxFilePoints) + " points in the file");
        if (cycles_.empty()) StartCycle("all points", line);
        CycleInfo& c = cycles_[active_];
        if (c.points++ == 0) c.firstLine = line;
        potentials_.push_back(e);
        currents_.push_back(i);
        cycleOf_.push_back(static_cast<std::uint32_t>(active_));
    }

    std::size_t points() const { return potentials_.size(); }
    std::size_t PointsOfActiveCycle() const { return cycles_.empty() ? 0 : cycles_[active_].points; }

    // The cycles that hold points, in their order.
    std::vector<InstrumentCycle> Finish() const {
        std::vector<InstrumentCycle> out;
        std::vector<std::size_t> slot(cycles_.size(), 0);
        for (std::size_t c = 0; c < cycles_.size(); ++c) {
            if (cycles_[c].points == 0) continue;
            slot[c] = out.size();
            InstrumentCycle& k = out.emplace_back();
            k.label = cycles_[c].label;
            k.firstLine = cycles_[c].firstLine;
            k.potential.reserve(cycles_[c].points);
            k.current.reserve(cycles_[c].points);
        }
        for (std::size_t p = 0; p < potentials_.size(); ++p) {
            InstrumentCycle& k = out[slot[cycleOf_[p]]];
            k.potential.push_back(potentials_[p]);
            k.current.push_back(currents_[p]);
        }
        return out;
    }

  private:
    std::vector<CycleInfo> cycles_;
    std::size_t active_ = 0;
    std::map<double, std::size_t> byValue_;
    bool haveLast_ = false;
    double lastValue_ = 0.0;
    std::vector<double> potentials_, currents_;
    std::vector<std::uint32_t> cycleOf_;
};

// ---- Rows ---------------------------------------------------------------------------------------

std::string CutShort(const Line& line) {
    return line.last ? " (the file ends in this line: cut short?)" : "";
}

double Value(std::string_view field, const std::string& column, bool decimalComma, const Line& line) {
    double v = 0.0;
    switch (ReadNumber(field, decimalComma, v)) {
        case NumberRead::Ok:
            return v;
        case NumberRead::Empty:
            Fail(ErrorCode::TypeMismatch, At(line.number) + "no value in column " + column + CutShort(line));
        case NumberRead::NotNumber:
            Fail(ErrorCode::TypeMismatch,
                 At(line.number) + Quoted(Cell(field)) + " is not a number in column " + column + CutShort(line));
        case NumberRead::OutOfRange:
            Fail(ErrorCode::Overflow, At(line.number) + Quoted(Cell(field)) +
                                          " is beyond the range of numbers in column " + column + CutShort(line));
    }
    return v;
}

void ReadRow(const Line& line, const Layout& L, Collector& c) {
    std::string_view fields[3];
    bool got[3] = {false, false, false};
    const int need = std::max({L.potential, L.current, L.cycle});
    const int seen = ForEachField(line.text, L.sep, [&](int index, std::string_view field) {
        if (index == L.potential) fields[0] = field, got[0] = true;
        if (index == L.current) fields[1] = field, got[1] = true;
        if (index == L.cycle) fields[2] = field, got[2] = true;
        return index < need;
    });
    if (!got[0] || !got[1] || (L.cycle >= 0 && !got[2])) {
        // Name the first column the row does not reach.
        int missing = INT_MAX;
        const std::string* name = nullptr;
        const auto consider = [&](bool present, int index, const std::string& column) {
            if (!present && index >= 0 && index < missing) missing = index, name = &column;
        };
        consider(got[0], L.potential, L.potentialName);
        consider(got[1], L.current, L.currentName);
        consider(got[2], L.cycle, L.cycleName);
        Fail(ErrorCode::InputPastEnd, At(line.number) + "the row ends after " + Count(static_cast<std::size_t>(seen)) +
                                          (seen == 1 ? " field" : " fields") + "; column " + *name + " is field " +
                                          Count(static_cast<std::size_t>(missing) + 1) + CutShort(line));
    }
    const double e = Value(fields[0], L.potentialName, L.decimalComma, line);
    const double i = Value(fields[1], L.currentName, L.decimalComma, line);
    if (L.cycle >= 0)
        c.SetCycleByValue(Value(fields[2], L.cycleName, L.decimalComma, line), L.cyclePrefix, line.number);
    // The divisors are powers of ten at least 1: the quotient is correctly rounded and finite.
    c.Add(e / L.potentialDivisor, i / L.currentDivisor, line.number);
}

// The rows to the end of the file; blank lines are skipped.
void ReadRows(LineReader& lines, const Layout& L, Collector& c) {
    Line line;
    while (lines.Next(line))
        if (!IsBlankLine(line.text)) ReadRow(line, L, c);
}

InstrumentData Assemble(InstrumentFormat format, const Layout& L, const Collector& c) {
    InstrumentData d;
    d.format = format;
    d.potentialColumn = L.potentialName;
    d.currentColumn = L.currentName;
    d.potentialUnit = L.potentialUnit;
    d.currentUnit = L.currentUnit;
    d.cycleColumn = L.cycleName;
    d.cycles = c.Finish();
    // The conventions each family's software writes by default.
    switch (format) {
        case InstrumentFormat::ECLab:
            d.sign = CurrentSign::CathodicNegative;
            d.signNote = "EC-Lab writes oxidation (anodic) current as positive, the IUPAC convention";
            break;
        case InstrumentFormat::Gamry:
            d.sign = CurrentSign::CathodicNegative;
            d.signNote = "Gamry writes oxidation (anodic) current as positive, the IUPAC convention";
            break;
        case InstrumentFormat::Autolab:
            d.sign = CurrentSign::CathodicNegative;
            d.signNote = "NOVA writes oxidation (anodic) current as positive, the IUPAC convention";
            break;
        case InstrumentFormat::CHInstruments:
            d.sign = CurrentSign::CathodicPositive;
            d.signNote =
                "CH Instruments software writes reduction (cathodic) current as positive unless "
                "set to the IUPAC convention";
            break;
        case InstrumentFormat::Table:
            d.sign = CurrentSign::Unknown;
            d.signNote = "the file does not say which sign its current has";
            break;
    }
    return d;
}

// ---- The families -------------------------------------------------------------------------------

// A table without header row: only two columns, as the plain data file, can be told apart.
InstrumentData ReadBareColumns(std::string_view content, const Line& first, char sep) {
    Layout L;
    L.sep = sep;
    L.decimalComma = sep != ',';
    L.potential = 0;
    L.current = 1;
    L.potentialName = "column 1";
    L.currentName = "column 2";
    int columns = ForEachField(first.text, sep, [](int, std::string_view) { return true; });
    if (columns > 2 && IsBlankLine(first.text.substr(first.text.rfind(sep) + 1))) --columns;
    if (columns != 2)
        Fail(ErrorCode::InvalidProcedureCall,
             At(first.number) + Count(static_cast<std::size_t>(columns)) +
                 " columns of numbers and no header row naming them: which is the potential, "
                 "which the current?");
    LineReader lines(content);
    Line line;
    while (lines.number() < first.number - 1) lines.Next(line);
    Collector c;
    ReadRows(lines, L, c);
    return Assemble(InstrumentFormat::Table, L, c);
}

// The separator under which every field of the line is a number, if any.
bool NumbersOnly(const Line& line, char& sep) {
    for (char s : {'\t', ';', ','}) {
        if (line.text.find(s) == std::string_view::npos) continue;
        bool all = true;
        int fields = 0;
        ForEachField(line.text, s, [&](int, std::string_view field) {
            double v = 0.0;
            const NumberRead r = ReadNumber(field, s != ',', v);
            ++fields;
            // a separator after the last field leaves an empty one
            all = r == NumberRead::Ok || (r == NumberRead::Empty && fields > 1);
            return all;
        });
        if (all) {
            sep = s;
            return true;
        }
    }
    return false;
}

// Delimited text: a block of header lines, a header row naming the columns, the rows.
InstrumentData ReadTable(std::string_view content) {
    LineReader lines(content);
    Line line, partialLine;
    bool first = true, chiMarks = false, havePartial = false;
    char partialSep = ',';
    HeaderScan partial;
    while (lines.Next(line)) {
        if (IsBlankLine(line.text)) continue;
        if (first) {
            first = false;
            char sep = ',';
            if (NumbersOnly(line, sep)) return ReadBareColumns(content, line, sep);
        }
        const std::string_view t = TrimBlanks(line.text);
        if ((t.starts_with("Instrument Model:") && t.find("CHI") != std::string_view::npos) ||
            t.starts_with("Init E (V)"))
            chiMarks = true;
        for (char sep : {'\t', ';', ','}) {
            if (line.text.find(sep) == std::string_view::npos) continue;
            const HeaderScan h = ScanHeader(line.text, sep);
            if (h.potential.found() && h.current.found()) {
                const Layout L = MakeLayout(h, line.text, sep, line.number);
                Collector c;
                ReadRows(lines, L, c);
                if (c.points() == 0)
                    Fail(ErrorCode::InputPastEnd, At(line.number) + "the header row is followed by no data");
                const bool gamryNames = SameText(h.potential.parts.name, "Vf") && SameText(h.current.parts.name, "Im");
                const InstrumentFormat format = chiMarks         ? InstrumentFormat::CHInstruments
                                                : h.autolabNames ? InstrumentFormat::Autolab
                                                : h.ecLabNames   ? InstrumentFormat::ECLab
                                                : gamryNames     ? InstrumentFormat::Gamry
                                                                 : InstrumentFormat::Table;
                return Assemble(format, L, c);
            }
            if (!havePartial && (h.potential.found() || h.current.found())) {
                havePartial = true;
                partial = h;
                partialLine = line;
                partialSep = sep;
            }
        }
    }
    // A row that names one of the two is the header row missing the other.
    if (havePartial) MakeLayout(partial, partialLine.text, partialSep, partialLine.number);
    Fail(ErrorCode::InvalidProcedureCall, std::string("no header row names a potential column (") + kPotentialNames +
                                              ") and a current column (" + kCurrentNames + ")");
}

// EC-Lab: the banner, "Nb header lines : N", and the column names in line N, tab separated.
InstrumentData ReadECLab(std::string_view content) {
    LineReader lines(content);
    Line line;
    lines.Next(line);
    if (!lines.Next(line)) Fail(ErrorCode::InputPastEnd, At(1) + "the EC-Lab banner is the whole file (cut short?)");
    constexpr std::string_view key = "Nb header lines";
    std::string_view t = TrimBlanks(line.text);
    const bool keyed = t.starts_with(key) && TrimBlanks(t.substr(key.size())).starts_with(":");
    if (!keyed)
        Fail(ErrorCode::InvalidProcedureCall,
             At(line.number) + "'Nb header lines : N' expected after the EC-Lab banner");
    t = TrimBlanks(TrimBlanks(t.substr(key.size())).substr(1));
    double n = 0.0;
    if (ReadNumber(t, false, n) != NumberRead::Ok || n < 3 || n > 1e15 || n != std::floor(n))
        Fail(ErrorCode::InvalidProcedureCall,
             At(line.number) + Quoted(t) + " is not a count of header lines (3 or more)");
    const auto headerLines = static_cast<std::int64_t>(n);
    while (lines.number() < headerLines)
        if (!lines.Next(line))
            Fail(ErrorCode::InputPastEnd, "the EC-Lab header announces " + GeneralFormat(n) +
                                              " lines but the file ends at line " +
                                              GeneralFormat(static_cast<double>(lines.number())) + " (cut short?)");
    const Layout L = MakeLayout(ScanHeader(line.text, '\t'), line.text, '\t', line.number);
    Collector c;
    ReadRows(lines, L, c);
    if (c.points() == 0) Fail(ErrorCode::InputPastEnd, At(line.number) + "the column names are followed by no data");
    return Assemble(InstrumentFormat::ECLab, L, c);
}

bool InTable(const Line& line) {
    return !line.text.empty() && line.text.front() == '\t';
}

// Gamry: tagged lines; each "CURVEn<tab>TABLE[<tab>count]" is followed by a line of column names,
// a line of units and the rows, all starting with a tab. Each CURVE table is one cycle; the other
// tables (the open-circuit curve before the run) are not part of the voltammogram.
InstrumentData ReadGamry(std::string_view content) {
    LineReader lines(content);
    Line line;
    Collector c;
    Layout first;
    bool anyCurve = false;
    std::int64_t firstCurveLine = 0;
    std::string firstCurve;
    while (lines.Next(line)) {
        std::string_view key, type, count;
        ForEachField(line.text, '\t', [&](int index, std::string_view field) {
            (index == 0 ? key : index == 1 ? type : count) = field;
            return index < 2;
        });
        if (key.empty() || TrimBlanks(type) != "TABLE" || !key.starts_with("CURVE")) continue;
        const std::string name = Shown(key);
        Line names, units;
        if (!lines.Peek(names) || !InTable(names))
            Fail(ErrorCode::InputPastEnd,
                 At(line.number) + name + " is not followed by its column names" + CutShort(line));
        lines.Next(names);
        if (!lines.Peek(units) || !InTable(units))
            Fail(ErrorCode::InputPastEnd,
                 At(names.number) + name + ": no line of units follows the column names" + CutShort(names));
        lines.Next(units);
        Layout L = MakeLayout(ScanHeader(names.text, '\t'), names.text, '\t', names.number, units.text, true);
        L.cycle = -1;  // the tables are the cycles
        L.cycleName.clear();
        if (!anyCurve) {
            anyCurve = true;
            first = L;
            firstCurveLine = line.number;
            firstCurve = name;
        }
        c.StartCycle(name, line.number);
        Line row;
        while (lines.Peek(row) && InTable(row)) {
            lines.Next(row);
            if (!IsBlankLine(row.text)) ReadRow(row, L, c);
        }
        double announced = 0.0;
        const std::size_t held = c.PointsOfActiveCycle();
        if (ReadNumber(count, false, announced) == NumberRead::Ok && announced > static_cast<double>(held))
            Fail(ErrorCode::InputPastEnd, At(line.number) + name + " announces " + GeneralFormat(announced) +
                                              " points but holds " + Count(held) + " (cut short?)");
    }
    if (!anyCurve) Fail(ErrorCode::InvalidProcedureCall, "no CURVE table in this Gamry file");
    if (c.points() == 0) Fail(ErrorCode::InputPastEnd, At(firstCurveLine) + firstCurve + " holds no data");
    return Assemble(InstrumentFormat::Gamry, first, c);
}

std::int64_t LineOf(std::string_view content, std::size_t pos) {
    std::int64_t line = 1;
    for (std::size_t i = 0; i < pos; ++i)
        if (content[i] == '\n' || (content[i] == '\r' && (i + 1 >= content.size() || content[i + 1] != '\n'))) ++line;
    return line;
}

std::string_view WithoutByteOrderMark(std::string_view content) {
    if (content.starts_with("\xEF\xBB\xBF")) content.remove_prefix(3);
    return content;
}

}  // namespace

std::size_t InstrumentData::TotalPoints() const {
    std::size_t n = 0;
    for (const InstrumentCycle& c : cycles) n += c.potential.size();
    return n;
}

bool IsPlainDataLayout(std::string_view content) {
    // Only digits, signs, points, exponents and blanks: a field that was meant as a number, even
    // one too long or too large to read, so the plain reader's message is the one that fits.
    const auto numberLike = [](std::string_view field) {
        if (IsBlankLine(field)) return false;
        for (const char c : field)
            if (!((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.' || c == 'e' || c == 'E' || c == ' '))
                return false;
        return true;
    };
    LineReader lines(WithoutByteOrderMark(content));
    Line line;
    while (lines.Next(line)) {
        if (IsBlankLine(line.text)) continue;
        bool all = true;
        ForEachField(line.text, ',', [&](int, std::string_view field) {
            all = numberLike(field);
            return all;
        });
        return all;
    }
    return true;  // nothing but blank lines: the plain reader says the input ended
}

double StatedScanRate(std::string_view content) {
    LineReader lines(WithoutByteOrderMark(content));
    Line line;
    double ecLabRate = 0, ecLabScale = 1e-3;  // EC-Lab writes mV/s unless its unit line says V/s
    auto number = [](std::string_view field, double& value) {
        return ReadNumber(field, true, value) == NumberRead::Ok && value > 0 && std::isfinite(value);
    };
    // The header of any of these exports is far shorter; data lines stop the search.
    for (int read = 0; read < 300 && lines.Next(line); ++read) {
        const std::string_view text = TrimBlanks(line.text);
        double value = 0;
        if (text.starts_with("Scan Rate (V/s)")) {  // CH Instruments
            const auto eq = text.find('=');
            if (eq != std::string_view::npos && number(text.substr(eq + 1), value)) return value;
        } else if (text.starts_with("SCANRATE")) {  // Gamry: SCANRATE <tab> QUANT <tab> value, in mV/s
            int field = 0;
            bool found = false;
            ForEachField(text, '\t', [&](int index, std::string_view cell) {
                field = index;
                if (index == 2) found = number(cell, value);
                return index < 2;
            });
            if (found && field == 2) return value * 1e-3;
        } else if (text.starts_with("dE/dt unit")) {  // EC-Lab
            if (text.find("mV/s") == std::string_view::npos && text.find("V/s") != std::string_view::npos)
                ecLabScale = 1;
        } else if (text.starts_with("dE/dt")) {
            const std::string_view rest = TrimBlanks(text.substr(5));
            const auto end = rest.find_first_of(" \t");
            number(rest.substr(0, end), ecLabRate);
        }
    }
    return ecLabRate * ecLabScale;
}

InstrumentData ParseInstrumentData(std::string_view content) {
    if (content.starts_with("\xFF\xFE") || content.starts_with("\xFE\xFF"))
        Fail(ErrorCode::InvalidProcedureCall, "the file is UTF-16 text; save it as ANSI or UTF-8 text");
    content = WithoutByteOrderMark(content);
    if (content.starts_with("BIO-LOGIC MODULAR FILE"))
        Fail(ErrorCode::InvalidProcedureCall, "an EC-Lab binary file (.mpr); export it from EC-Lab as text (.mpt)");
    const std::size_t nul = content.find('\0');
    if (nul != std::string_view::npos)
        Fail(ErrorCode::TypeMismatch, At(LineOf(content, nul)) + "binary data, not text");
    LineReader lines(content);
    Line line;
    if (!lines.Next(line)) Fail(ErrorCode::InputPastEnd, "the file is empty");
    const std::string_view banner = TrimBlanks(line.text);
    InstrumentData data;
    if (banner == "EC-Lab ASCII FILE" || banner == "BT-Lab ASCII FILE") {
        data = ReadECLab(content);
    } else if (banner == "EXPLAIN") {
        data = ReadGamry(content);
    } else {
        bool found = false;
        do {
            if (!IsBlankLine(line.text)) {
                data = ReadTable(content);
                found = true;
                break;
            }
        } while (lines.Next(line));
        if (!found) Fail(ErrorCode::InputPastEnd, "the file holds only blank lines");
    }
    data.scanRate = StatedScanRate(content);
    return data;
}

std::string ReadImportFile(const std::string& path) {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (!fs::exists(status)) {
        const fs::path folder = fs::path(path).parent_path();
        Raise(folder.empty() || fs::is_directory(folder, ec) ? ErrorCode::FileNotFound : ErrorCode::PathNotFound);
    }
    // Folders, pipes and devices are no exports (a pipe would wait for a writer).
    if (!fs::is_regular_file(status)) Raise(ErrorCode::FileAccessError);
    const std::string tooLarge =
        "the file is larger than " + Count(kMaxImportBytes >> 20) + " MB, more than any export of a voltammogram";
    const std::uintmax_t size = fs::file_size(path, ec);
    if (!ec && size > kMaxImportBytes) Fail(ErrorCode::FileAccessError, tooLarge);
    errno = 0;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) Raise(FileErrorCode(std::error_code(errno, std::generic_category())));
    std::string bytes;
    bytes.resize(ec ? std::size_t{1} << 16 : static_cast<std::size_t>(size) + 1);
    std::size_t got = 0;
    for (;;) {
        if (got == bytes.size()) {
            if (bytes.size() > kMaxImportBytes) break;
            bytes.resize(std::min(bytes.size() * 2, kMaxImportBytes + 1));
        }
        const std::size_t n = std::fread(bytes.data() + got, 1, bytes.size() - got, f);
        got += n;
        if (n == 0) break;
    }
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) Raise(ErrorCode::DeviceIOError);
    if (got > kMaxImportBytes) Fail(ErrorCode::FileAccessError, tooLarge);  // it grew meanwhile
    bytes.resize(got);
    return bytes;
}

InstrumentData ReadInstrumentFile(const std::string& path) {
    return ParseInstrumentData(ReadImportFile(path));
}

std::size_t CyclePoints(const InstrumentData& data, int cycle) {
    if (cycle == 0) return data.TotalPoints();
    if (cycle < 0 || static_cast<std::size_t>(cycle) > data.cycles.size()) return 0;
    return data.cycles[static_cast<std::size_t>(cycle) - 1].potential.size();
}

int ThinningStep(std::size_t points) {
    const auto max = static_cast<std::size_t>(kMaxPoints);
    const std::size_t step = points <= max ? 1 : (points + max - 1) / max;
    return step > INT_MAX ? INT_MAX : static_cast<int>(step);
}

DataPairs SelectCycle(const InstrumentData& data, int cycle, bool flipSign, int step) {
    const std::size_t cycles = data.cycles.size();
    if (cycle < 0 || static_cast<std::size_t>(cycle) > cycles)
        Fail(ErrorCode::SubscriptOutOfRange, "there is no cycle " + GeneralFormat(static_cast<double>(cycle)) +
                                                 "; the file holds " + Count(cycles) +
                                                 (cycles == 1 ? " cycle" : " cycles"));
    if (step < 1) Fail(ErrorCode::InvalidProcedureCall, "a thinning step below 1");
    const std::size_t total = CyclePoints(data, cycle);
    const std::size_t kept = (total + static_cast<std::size_t>(step) - 1) / static_cast<std::size_t>(step);
    if (kept > static_cast<std::size_t>(kMaxPoints)) {
        const std::string what = cycle > 0     ? data.cycles[static_cast<std::size_t>(cycle) - 1].label + " holds "
                                 : cycles == 1 ? std::string("the file holds ")
                                               : "the " + Count(cycles) + " cycles hold ";
        Fail(ErrorCode::SubscriptOutOfRange, what + Count(total) + " points" +
                                                 (step > 1 ? ", " + Count(kept) + " when thinned" : "") + "; at most " +
                                                 Count(static_cast<std::size_t>(kMaxPoints)) + " can be imported");
    }
    DataPairs pairs;
    pairs.x.reserve(kept);
    pairs.y.reserve(kept);
    std::size_t index = 0;
    for (std::size_t k = 0; k < cycles; ++k) {
        if (cycle > 0 && k + 1 != static_cast<std::size_t>(cycle)) continue;
        const InstrumentCycle& c = data.cycles[k];
        for (std::size_t p = 0; p < c.potential.size(); ++p, ++index) {
            if (index % static_cast<std::size_t>(step) != 0) continue;
            pairs.x.push_back(c.potential[p]);
            pairs.y.push_back(flipSign ? 0.0 - c.current[p] : c.current[p]);
        }
    }
    return pairs;
}

const char* FormatName(InstrumentFormat format) {
    switch (format) {
        case InstrumentFormat::Table:
            return "delimited text table";
        case InstrumentFormat::ECLab:
            return "EC-Lab text export";
        case InstrumentFormat::Gamry:
            return "Gamry data file";
        case InstrumentFormat::CHInstruments:
            return "CH Instruments text export";
        case InstrumentFormat::Autolab:
            return "Autolab NOVA export";
    }
    return "";
}

std::vector<std::string> DescribeImport(const InstrumentData& data) {
    const auto unit = [](const std::string& u, const char* assumed) {
        return u.empty() ? std::string(assumed) + " (no unit given)" : u;
    };
    std::vector<std::string> lines;
    lines.push_back(std::string("Read as ") + FormatName(data.format));
    lines.push_back("Potential: column " + data.potentialColumn + ", in " + unit(data.potentialUnit, "V"));
    lines.push_back("Current: column " + data.currentColumn + ", in " + unit(data.currentUnit, "A"));
    const std::string points = Count(data.TotalPoints()) + " points";
    if (data.format == InstrumentFormat::Gamry)
        lines.push_back(points + " in " + Count(data.cycles.size()) + " CURVE tables");
    else if (!data.cycleColumn.empty())
        lines.push_back(points + " in " + Count(data.cycles.size()) + " cycles (column " + data.cycleColumn + ")");
    else
        lines.push_back(points);
    const char* sign = data.sign == CurrentSign::CathodicNegative   ? "cathodic current negative"
                       : data.sign == CurrentSign::CathodicPositive ? "cathodic current positive"
                                                                    : "sign of the current unknown";
    lines.push_back(std::string("Current sign: ") + sign + " (" + data.signNote + ")");
    return lines;
}

}  // namespace talvex
