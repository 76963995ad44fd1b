#include "files/parameter_file.h"

#include <gtest/gtest.h>

#include "core/workbench.h"
#include "files/temp_folder.h"
#include "simulation/simulation_driver.h"
#include "support/experiments.h"
#include "support/fake_platform.h"
#include "support/numeric.h"

namespace talvex {
namespace {

using testing::ReadWhole;

class ParameterFileTest : public ::testing::Test {
  protected:
    ParameterFileTest() : wb(platform), m(wb.model) {}
    std::string Save(const std::string& name = "run.par") {
        platform.fileAnswers.push_back(folder.Path(name));
        WriteParameterFile(wb);
        EXPECT_EQ(platform.filters.back(), "parameter (*.par)|*.par|all|*.*");
        return ReadWhole(folder.Path(name));
    }
    static std::string Golden(const std::string& name) {
        return ReadWhole(testing::DataPath("files/" + name));
    }
    testing::FakePlatform platform;
    Workbench wb;
    Model& m;
    testing::TempFolder folder;
};

// The golden files are written by hand from the file format, not produced by this code. Species
// 2 of the three-species file shows the reaction constants going by species index.
TEST_F(ParameterFileTest, GoldenFiles) {
    EXPECT_EQ(Save(), Golden("startup.par"));  // only the electrode and the species count print
    testing::DefaultExperiment(m);
    RunSimulation(wb);
    EXPECT_EQ(Save(), Golden("default_simulation.par"));
    m.NSpecies = 3;
    m.ks(2) = 0.01;
    m.Alpha(2) = 0.45;
    m.n(2) = 2;
    m.E0(2) = -0.25;
    m.D(3) = 2.5e-6;
    m.C(3) = 5e-4;
    EXPECT_EQ(Save(), Golden("three_species.par"));
    EXPECT_TRUE(platform.messages.empty());
    EXPECT_EQ(folder.Entries(), 1);
}

// A failed save must say so and must not cost the user the file already there.
TEST_F(ParameterFileTest, FailedSaveReportsAndKeepsOldFile) {
    const std::string old = folder.Path("old.par");
    const std::string precious(3000, 'p');  // longer than what replaces it
    testing::WriteWhole(old, precious);
    std::filesystem::create_directory(folder.Path("dir"));
    platform.fileAnswers = {folder.Path("dir"), folder.Path("missing/run.par"), std::nullopt};
    for (int i = 0; i < 3; ++i) WriteParameterFile(wb);  // the third is cancelled: no message
    EXPECT_EQ(platform.messages, (std::vector<std::string>{"Save Error: Path/File access error",
                                                           "Save Error: Path not found"}));
    EXPECT_EQ(ReadWhole(old), precious);
    // A read-only file stays protected, unless the user may write it anyway (root).
    std::filesystem::permissions(old, std::filesystem::perms::owner_read);
    const std::string after = Save("old.par");
    if (platform.messages.size() == 3) {
        EXPECT_EQ(platform.messages.back(), "Save Error: Permission denied");
        EXPECT_EQ(after, precious);
    } else {
        EXPECT_EQ(after, Golden("startup.par"));
    }
    EXPECT_EQ(folder.Entries(), 2);  // no temporary file left behind
}

}  // namespace
}  // namespace talvex
