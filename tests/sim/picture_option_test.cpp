// --picture: a picture file of another format gives the run and the sweep
// exactly what the BMP of the same pixels gives, and its failures carry
// their own status and message.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QImage>
#include <filesystem>
#include <fstream>
#include <string>

#include "import/picture_import.h"
#include "picture/picture.h"
#include "sim/picture_reading.h"
#include "sim_test_support.h"

namespace vok::sim {
namespace {

namespace fs = std::filesystem;
using test::runSim;

const fs::path kSample = fs::path(VOK_SAMPLE_DATA_DIR);

class PictureOption : public ::testing::Test {
 protected:
  void SetUp() override {
    setImportModulePath(VOK_IMPORT_MODULE_PATH);
    dir = fs::temp_directory_path() / ("vok_sim_picture_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    // The sample picture as a PNG.
    LoadedPicture sample;
    ASSERT_EQ(loadPicture((kSample / "pic.bmp").string(), std::nullopt, sample),
              PictureLoadStatus::Loaded);
    png = (dir / "sample.png").string();
    ASSERT_TRUE(imageOf(sample.sourceImage.data(), sample.picture.width, sample.picture.height)
                    .save(QString::fromStdString(png)));
  }
  void TearDown() override { fs::remove_all(dir); }

  fs::path dir;
  std::string png;
};

TEST_F(PictureOption, RunOnAPngReportsWhatTheBmpReports) {
  const auto bmp = runSim({"run", "--dir", kSample.string(), "--pane", "200x150", "--json"});
  const auto fromPng =
      runSim({"run", "--dir", kSample.string(), "--picture", png, "--pane", "200x150", "--json"});
  ASSERT_EQ(bmp.exitCode, 0) << bmp.err;
  ASSERT_EQ(fromPng.exitCode, 0) << fromPng.err;
  EXPECT_EQ(fromPng.out, bmp.out);
}

TEST_F(PictureOption, SweepOnAPngCountsWhatTheBmpCounts) {
  const auto csvBmp = (dir / "bmp.csv").string();
  const auto csvPng = (dir / "png.csv").string();
  const auto bmp = runSim({"sweep", "--dir", kSample.string(), "--p0", "0.2,0.3", "--blocks", "2",
                           "--threads", "1", "--csv", csvBmp});
  const auto fromPng = runSim({"sweep", "--dir", kSample.string(), "--picture", png, "--p0",
                               "0.2,0.3", "--blocks", "2", "--threads", "1", "--csv", csvPng});
  ASSERT_EQ(bmp.exitCode, 0) << bmp.err;
  ASSERT_EQ(fromPng.exitCode, 0) << fromPng.err;
  // Every line but the last column (throughput, which is a timing).
  auto read = [](const std::string& path) {
    std::ifstream in(path);
    std::string text;
    for (std::string line; std::getline(in, line);) text += line.substr(0, line.rfind(',')) + '\n';
    return text;
  };
  EXPECT_EQ(read(csvPng), read(csvBmp));
}

TEST_F(PictureOption, FailuresNameTheFileAndConflictsAreRefused) {
  const std::string broken = (dir / "broken.webp").string();
  std::ofstream(broken) << "not a picture";
  const auto run = runSim({"run", "--picture", broken, "--json"});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_NE(run.out.find("\"status\":\"PictureUnreadable\""), std::string::npos) << run.out;
  EXPECT_NE(run.err.find("broken.webp"), std::string::npos);

  const auto missing = runSim({"run", "--picture", (dir / "gone.png").string()});
  EXPECT_EQ(missing.exitCode, 2);
  EXPECT_NE(missing.err.find("Файл gone.png не найден"), std::string::npos);

  const auto both = runSim({"sweep", "--random", "100", "--picture", png, "--p0", "0.1"});
  EXPECT_EQ(both.exitCode, 1);
  EXPECT_NE(both.err.find("--picture"), std::string::npos);
}

}  // namespace
}  // namespace vok::sim
