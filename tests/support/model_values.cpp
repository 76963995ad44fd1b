#include "support/model_values.h"

#include <sstream>

#include "core/model_names.h"

namespace talvex::testing {

std::string ModelValues(const Model& m, const std::string& names) {
    std::istringstream in(names);
    std::string out, name;
    for (bool first = true; in >> name; first = false) {
        std::vector<int> indexes;
        if (const auto open = name.find('('); open != std::string::npos) {
            std::istringstream list(name.substr(open + 1));
            for (int i; list >> i; list.ignore()) indexes.push_back(i);
            name.resize(open);
        }
        const auto value = ReadModelValue(m, name, indexes);
        out.append(first ? "" : " ").append(value ? value->text : "?");
    }
    return out;
}

std::vector<double> Curve(const Model& m, int column) {
    std::vector<double> y;
    for (int k = 1; k <= m.NData; ++k) y.push_back(m.Yplot(k, column));
    return y;
}

}  // namespace talvex::testing
