#include "core/model_names.h"

#include <functional>
#include <map>

#include "core/text_number.h"

namespace talvex {
namespace {

template <typename T>
NamedValue Number(const Assignable<T>& v) {
    if (!v.assigned()) return {""};
    if constexpr (std::is_same_v<T, float>) return {GeneralFormat(static_cast<double>(v.value()), 7)};
    return {GeneralFormat(static_cast<double>(v.value()))};
}
NamedValue Number(double v) {
    return {GeneralFormat(v)};
}
NamedValue Flag(bool b) {
    return {b ? "True" : "False"};
}

using Reader = std::function<NamedValue(const Model&, const std::vector<int>&)>;

struct Entry {
    std::size_t arity;
    Reader read;
};

const std::map<std::string, Entry>& Names() {
    static const std::map<std::string, Entry> names = [] {
        std::map<std::string, Entry> t;
        auto scalar = [&](const char* name, auto member) {
            t[name] = {0, [member](const Model& m, const std::vector<int>&) { return Number(m.*member); }};
        };
        auto flag = [&](const char* name, bool Model::*member) {
            t[name] = {0, [member](const Model& m, const std::vector<int>&) { return Flag(m.*member); }};
        };
        auto table = [&](const char* name, auto member) {
            t[name] = {1, [member](const Model& m, const std::vector<int>& i) { return Number((m.*member)(i[0])); }};
        };
        auto texts = [&](const char* name, auto member) {
            t[name] = {1,
                       [member](const Model& m, const std::vector<int>& i) { return NamedValue{(m.*member)(i[0])}; }};
        };
        auto table2 = [&](const char* name, auto member) {
            t[name] = {2, [member](const Model& m, const std::vector<int>& i) {
                           return Number(static_cast<double>((m.*member)(i[0], i[1])));
                       }};
        };
        scalar("Technique", &Model::Technique);
        scalar("Mechanism", &Model::Mechanism);
        scalar("Electrode", &Model::Electrode);
        flag("DigitalSim", &Model::DigitalSim);
        scalar("CaseCode", &Model::CaseCode);
        scalar("Estart", &Model::Estart);
        scalar("Eend", &Model::Eend);
        scalar("Estep", &Model::Estep);
        scalar("ScanRate", &Model::ScanRate);
        scalar("tpulse", &Model::tpulse);
        scalar("tdrop", &Model::tdrop);
        scalar("Epulse", &Model::Epulse);
        scalar("ScanCycles", &Model::ScanCycles);
        scalar("Noise", &Model::Noise);
        scalar("Cdl", &Model::Cdl);
        scalar("Ru", &Model::Ru);
        scalar("BackgroundI0", &Model::BackgroundI0);
        scalar("BackgroundI1", &Model::BackgroundI1);
        scalar("ElectrodeDistance", &Model::ElectrodeDistance);
        scalar("TempK", &Model::TempK);
        scalar("Area", &Model::Area);
        scalar("Radius", &Model::Radius);
        scalar("ElectrodeLength", &Model::ElectrodeLength);
        scalar("Volume", &Model::Volume);
        scalar("Omega", &Model::Omega);
        scalar("Viscosity", &Model::Viscosity);
        scalar("FoverRT", &Model::FoverRT);
        scalar("RToverF", &Model::RToverF);
        scalar("NSpecies", &Model::NSpecies);
        table("D", &Model::D);
        table("C", &Model::C);
        table("Cond", &Model::Cond);
        table("LigandOrder", &Model::LigandOrder);
        texts("SpeciesName", &Model::SpeciesName);
        scalar("NCharge", &Model::NCharge);
        table("ks", &Model::ks);
        table("Alpha", &Model::Alpha);
        table("n", &Model::n);
        table("E0", &Model::E0);
        table2("ChargeSpecies", &Model::ChargeSpecies);
        texts("ChargeLabel", &Model::ChargeLabel);
        scalar("NChem", &Model::NChem);
        scalar("NChem2", &Model::NChem2);
        table("kf", &Model::kf);
        table("kb", &Model::kb);
        table("Keq", &Model::Keq);
        table2("ChemSpecies", &Model::ChemSpecies);
        table2("Chem2Species", &Model::Chem2Species);
        texts("ChemLabel", &Model::ChemLabel);
        scalar("ElectrolyteC", &Model::ElectrolyteC);
        scalar("ElectrolyteCond", &Model::ElectrolyteCond);
        table("Xdata", &Model::Xdata);
        table2("Yplot", &Model::Yplot);
        table2("Ystore", &Model::Ystore);
        scalar("StoreCol", &Model::StoreCol);
        table2("Csurf", &Model::Csurf);
        scalar("NData", &Model::NData);
        scalar("IFirst", &Model::IFirst);
        scalar("ILast", &Model::ILast);
        scalar("NCurves", &Model::NCurves);
        scalar("CurCurve", &Model::CurCurve);
        scalar("NCurvesSaved", &Model::NCurvesSaved);
        scalar("PlotXmin", &Model::PlotXmin);
        scalar("PlotXmax", &Model::PlotXmax);
        scalar("PlotYmin", &Model::PlotYmin);
        scalar("PlotYmax", &Model::PlotYmax);
        flag("ShowGrid", &Model::ShowGrid);
        flag("OverlapPlot", &Model::OverlapPlot);
        table("LineStyle", &Model::LineStyle);
        flag("Fitting", &Model::Fitting);
        scalar("RunTime", &Model::RunTime);
        scalar("MaxIter", &Model::MaxIter);
        scalar("ScanDir", &Model::ScanDir);
        scalar("PointsPerSweep", &Model::PointsPerSweep);
        return t;
    }();
    return names;
}

}  // namespace

std::optional<NamedValue> ReadModelValue(const Model& m, const std::string& name, const std::vector<int>& indexes) {
    const auto& names = Names();
    const auto it = names.find(name);
    if (it == names.end() || it->second.arity != indexes.size()) return std::nullopt;
    return it->second.read(m, indexes);
}

}  // namespace talvex
