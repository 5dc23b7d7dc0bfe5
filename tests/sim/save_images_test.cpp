// --save-images: the four pictures land in the (created) directory as
// standard 24-bit files, and an unusable directory is refused up front.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "sim/command_registry.h"
#include "sim/vok_sim.h"
#include "sim_test_support.h"

namespace vok::sim {
namespace {

namespace fs = std::filesystem;

std::vector<char> readBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

using test::runSim;

// A 40 x 30 picture whose single transmission at P0 0.01 decodes without errors.
const fs::path kCase = fs::path(VOK_TEST_DATA_DIR) / "vectors" / "codec_small_nk2_sched";

TEST(SaveImages, WritesFourUprightPicturesIntoANewNestedDirectory) {
  const fs::path dir = fs::temp_directory_path() / "vok_sim_save_images" / "nested";
  fs::remove_all(dir.parent_path());
  const auto result =
      runSim({"run", "--dir", kCase.string(), "--p0", "0.01", "--save-images", dir.string()});
  ASSERT_EQ(result.exitCode, kExitOk) << result.err;

  const std::vector<char> input = readBytes(kCase / "pic.bmp");
  ASSERT_EQ(input.size(), 54u + 30u * 120u);
  for (const char* name : {"source.bmp", "channel.bmp", "decoded.bmp", "corrections.bmp"}) {
    const std::vector<char> file = readBytes(dir / name);
    ASSERT_EQ(file.size(), input.size()) << name;
    EXPECT_EQ(file[0], 'B') << name;
    EXPECT_EQ(file[1], 'M') << name;
  }
  // The unreduced picture is written back byte for byte, and this
  // transmission decodes to the source exactly; the channel picture differs.
  const std::vector<char> source = readBytes(dir / "source.bmp");
  EXPECT_TRUE(std::equal(source.begin() + 54, source.end(), input.begin() + 54));
  EXPECT_EQ(readBytes(dir / "decoded.bmp"), source);
  EXPECT_NE(readBytes(dir / "channel.bmp"), source);
  fs::remove_all(dir.parent_path());
}

TEST(SaveImages, DirectoryThatIsAFileIsRefusedBeforeTheRun) {
  const fs::path file = fs::temp_directory_path() / "vok_sim_save_images_file";
  std::ofstream(file) << "x";
  const auto result =
      runSim({"run", "--dir", kCase.string(), "--json", "--save-images", file.string()});
  EXPECT_EQ(result.exitCode, kExitBadArguments);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << result.err;
  fs::remove(file);
}

}  // namespace
}  // namespace vok::sim
