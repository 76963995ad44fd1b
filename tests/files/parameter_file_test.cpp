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

using testing::FakePlatform;
using testing::ReadWhole;
using testing::TempFolder;
using testing::WriteWhole;

class ParameterFileTest : public ::testing::Test {
  protected:
    ParameterFileTest() : wb(platform), m(wb.model) {}
    // Saves through the menu path and returns what landed on disk.
    std::string Save() {
        const std::string path = folder.Path("run.par");
        platform.fileAnswers.push_back(path);
        WriteParameterFile(wb);
        EXPECT_EQ(platform.filters.back(), "parameter (*.par)|*.par|all|*.*");
        EXPECT_TRUE(platform.messages.empty());
        return ReadWhole(path);
    }
    FakePlatform platform;
    Workbench wb;
    Model& m;
    TempFolder folder;
};

// The golden files are written by hand from the file format, not produced by this code.
TEST_F(ParameterFileTest, AfterStartUpOnlyElectrodeAndSpeciesCountHaveValues) {
    EXPECT_EQ(Save(), ReadWhole(testing::DataPath("files/startup.par")));
}

TEST_F(ParameterFileTest, AfterDefaultSimulation) {
    testing::DefaultExperiment(m);
    RunSimulation(wb);
    ASSERT_EQ(m.NData, 121);
    EXPECT_EQ(Save(), ReadWhole(testing::DataPath("files/default_simulation.par")));
}

// Reaction constants go by species index: species 2 carries entry 2 of each reaction table and
// species 3 none, whatever NCharge is.
TEST_F(ParameterFileTest, ThreeSpeciesGiveSeventyFourLines) {
    testing::DefaultExperiment(m);
    RunSimulation(wb);
    m.NSpecies = 3;
    m.NCharge = 2;
    m.ks(2) = 0.01;
    m.Alpha(2) = 0.45;
    m.n(2) = 2;
    m.E0(2) = -0.25;
    m.D(3) = 2.5e-6;
    m.C(3) = 5e-4;
    EXPECT_EQ(Save(), ReadWhole(testing::DataPath("files/three_species.par")));
}

TEST_F(ParameterFileTest, CancelledDialogWritesNothing) {
    platform.fileAnswers.push_back(std::nullopt);
    WriteParameterFile(wb);
    EXPECT_TRUE(platform.messages.empty());
    EXPECT_EQ(folder.EntryCount(), 0u);
}

// A failed save must say so and must not cost the user the file already there.
TEST_F(ParameterFileTest, FailedSaveReportsAndKeepsOldFile) {
    const std::string old = folder.Path("old.par");
    WriteWhole(old, "precious");
    std::filesystem::create_directory(folder.Path("a folder"));
    platform.fileAnswers = {folder.Path("a folder"), folder.Path("missing/run.par")};
    WriteParameterFile(wb);
    WriteParameterFile(wb);
    EXPECT_EQ(platform.messages, (std::vector<std::string>{"Save Error: Path/File access error",
                                                           "Save Error: Path not found"}));
    EXPECT_EQ(ReadWhole(old), "precious");
    EXPECT_EQ(folder.EntryCount(), 2u);  // no temporary file left behind

    // A read-only file is refused unless the user may write it (root may).
    std::filesystem::permissions(old, std::filesystem::perms::owner_read);
    platform.fileAnswers = {old};
    WriteParameterFile(wb);
    if (platform.messages.size() == 3) {
        EXPECT_EQ(platform.messages.back(), "Save Error: Permission denied");
        EXPECT_EQ(ReadWhole(old), "precious");
    } else {
        EXPECT_EQ(ReadWhole(old), ReadWhole(testing::DataPath("files/startup.par")));
    }
    EXPECT_EQ(folder.EntryCount(), 2u);
}

TEST_F(ParameterFileTest, SaveReplacesLongerFileWhole) {
    const std::string path = folder.Path("run.par");
    WriteWhole(path, std::string(5000, 'x'));
    EXPECT_EQ(Save(), ReadWhole(testing::DataPath("files/startup.par")));
    EXPECT_EQ(folder.EntryCount(), 1u);
}

}  // namespace
}  // namespace talvex
