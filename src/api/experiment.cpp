#include "api/experiment.h"

namespace talvex::api {
namespace {

struct Field {
    const char* name;
    double Experiment::*value;
};

constexpr Field kFields[] = {
    {"startPotential", &Experiment::startPotential},
    {"endPotential", &Experiment::endPotential},
    {"potentialStep", &Experiment::potentialStep},
    {"scanRate", &Experiment::scanRate},
    {"dropTime", &Experiment::dropTime},
    {"pulseTime", &Experiment::pulseTime},
    {"pulsePotential", &Experiment::pulsePotential},
    {"cycles", &Experiment::cycles},
    {"temperature", &Experiment::temperature},
    {"noise", &Experiment::noise},
    {"area", &Experiment::area},
    {"radius", &Experiment::radius},
    {"length", &Experiment::length},
    {"volume", &Experiment::volume},
    {"rotation", &Experiment::rotation},
    {"electrodeDistance", &Experiment::electrodeDistance},
    {"baselineStart", &Experiment::baselineStart},
    {"baselineEnd", &Experiment::baselineEnd},
    {"doubleLayerCapacitance", &Experiment::doubleLayerCapacitance},
    {"resistance", &Experiment::resistance},
    {"preconcentrationPotential", &Experiment::preconcentrationPotential},
    {"preconcentrationTime", &Experiment::preconcentrationTime},
    {"electrodeConstant", &Experiment::electrodeConstant},
    {"stirringRate", &Experiment::stirringRate},
};

}  // namespace

std::vector<std::pair<std::string, double>> ExperimentValues(const Experiment& e) {
    std::vector<std::pair<std::string, double>> values{
        {"technique", static_cast<double>(e.technique)},
        {"electrode", static_cast<double>(e.electrode)},
        {"preconcentration", e.preconcentration ? 1.0 : 0.0},
    };
    for (const Field& f : kFields) values.emplace_back(f.name, e.*f.value);
    return values;
}

Experiment ExperimentFromValues(const std::vector<std::pair<std::string, double>>& values) {
    Experiment e;
    for (const auto& [name, value] : values) {
        if (name == "technique" && value >= 1 && value <= 5)
            e.technique = static_cast<Technique>(static_cast<int>(value));
        if (name == "electrode" && value >= 1 && value <= 9)
            e.electrode = static_cast<Electrode>(static_cast<int>(value));
        if (name == "preconcentration") e.preconcentration = value != 0;
        for (const Field& f : kFields)
            if (name == f.name) e.*f.value = value;
    }
    return e;
}

}  // namespace talvex::api
