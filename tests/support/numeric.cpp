#include "support/numeric.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace talvex::testing {

const std::vector<double>& CsvTable::operator[](const std::string& name) const {
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i] == name) return columns[i];
    throw std::runtime_error("no column " + name);
}

CsvTable ReadCsv(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot open " + path);
    CsvTable t;
    std::string line;
    std::getline(in, line);
    std::stringstream header(line);
    for (std::string name; std::getline(header, name, ',');) t.names.push_back(name);
    t.columns.resize(t.names.size());
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        std::stringstream row(line);
        std::size_t c = 0;
        for (std::string field; std::getline(row, field, ',') && c < t.columns.size(); ++c)
            t.columns[c].push_back(std::stod(field));
    }
    return t;
}

std::string DataPath(const std::string& relative) {
    return std::string(TALVEX_TEST_DATA) + "/" + relative;
}

}  // namespace talvex::testing
