// The command line of vok: the picture, the sample option, and refusals.
#include "app/command_line.h"

#include <gtest/gtest.h>

namespace vok {
namespace {

TEST(CommandLine, TakesOnePictureAndTheSampleOptionInAnyOrder) {
  std::string error;
  auto line = parseCommandLine({}, error);
  ASSERT_TRUE(line);
  EXPECT_FALSE(line->file);
  EXPECT_FALSE(line->sampleIfMissing);
  line = parseCommandLine({"photo.png", "--sample-if-missing"}, error);
  ASSERT_TRUE(line);
  EXPECT_EQ(line->file, "photo.png");
  EXPECT_TRUE(line->sampleIfMissing);
  // After "--" a name that starts with a dash is a file.
  line = parseCommandLine({"--", "-odd.png"}, error);
  ASSERT_TRUE(line);
  EXPECT_EQ(line->file, "-odd.png");
}

TEST(CommandLine, RefusesUnknownOptionsAndASecondFile) {
  std::string error;
  EXPECT_FALSE(parseCommandLine({"--sample"}, error));
  EXPECT_EQ(error, "unknown option --sample");
  EXPECT_FALSE(parseCommandLine({"a.png", "b.png"}, error));
  EXPECT_EQ(error, "only one picture file may be given");
}

TEST(CommandLine, HelpAndVersionAreFoundBeforeTheWindowSystemStarts) {
  char name[] = "vok";
  char help[] = "--help";
  char dashes[] = "--";
  char* withHelp[] = {name, help};
  char* afterDashes[] = {name, dashes, help};
  EXPECT_TRUE(asksForHelpOrVersion(2, withHelp));
  EXPECT_FALSE(asksForHelpOrVersion(3, afterDashes));
  EXPECT_NE(helpText().find("--sample-if-missing"), std::string::npos);
}

}  // namespace
}  // namespace vok
