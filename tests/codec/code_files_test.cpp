// Reading of the code-description and schedule files, the built-in code and
// schedule, the bounding of p and i, and the sizes derived from them.
#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "codec/code_description.h"
#include "codec/codec.h"
#include "codec/decoder_schedule.h"
#include "codec_test_util.h"

namespace vok {
namespace {

using test::TempDir;

// A valid two-by-one code: nk = 2, nr = 1.
constexpr const char* kSmallCode = "nk=2  nr=1\n  i=0  v=0 2 0 5\n  i=1  v=0 1 3\n";

bool parsesCode(std::string_view text, CodeDescription* out = nullptr) {
  CodeDescription code;
  const bool ok = parseCodeDescription(text, code);
  if (out != nullptr) *out = code;
  return ok;
}

bool parsesSchedule(std::string_view text, DecoderSchedule* out = nullptr) {
  DecoderSchedule schedule;
  const bool ok = parseDecoderSchedule(text, schedule);
  if (out != nullptr) *out = schedule;
  return ok;
}

TEST(BuiltInCode, IsTheSelfOrthogonalRateHalfCode) {
  const CodeDescription code = CodeDescription::builtIn();
  EXPECT_EQ(code.nk, 8);
  EXPECT_EQ(code.nr, 8);
  EXPECT_EQ(code.voteScratchCapacity(), 17);
  for (int i = 0; i < 8; ++i) {
    int total = 0;
    for (int j = 0; j < 8; ++j) total += code.taps[i][j].count();
    EXPECT_EQ(total, 16) << "information branch " << i;
  }
  EXPECT_EQ(code.taps[0][7].delays, (std::vector<std::int32_t>{15, 222, 433, 872}));
  EXPECT_EQ(code.taps[2][2].delays, (std::vector<std::int32_t>{955, 994}));
  EXPECT_TRUE(code.taps[3][1].delays.empty());
}

TEST(CodecFiles, NeitherFilePresentGivesBuiltInCodeAndBoundedSchedule) {
  TempDir dir;
  Codec codec(dir.missing("encoder.vok"), dir.missing("decoder.vok"), 100000);
  ASSERT_TRUE(codec.loaded());
  EXPECT_EQ(codec.nk(), 8);
  EXPECT_EQ(codec.nr(), 8);
  EXPECT_EQ(codec.iterationCount(), 20);
  EXPECT_EQ(codec.codeRate(), 0.5f);
  EXPECT_EQ(codec.code(), CodeDescription::builtIn());
  const DecoderSchedule& s = codec.schedule();
  for (int k = 0; k < 20; ++k) {
    EXPECT_EQ(s.p[k], k < 15 ? 7 : 8) << k;
    EXPECT_EQ(s.i[k], 8) << k;
  }
  EXPECT_EQ(s.c, (std::vector<int>{2, 2, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(s.w, DecoderSchedule::builtIn().w);
}

TEST(CodecFiles, SampleFilesDescribeExactlyTheBuiltIns) {
  const std::string dir = VOK_SAMPLE_DATA_DIR;
  CodeDescription code;
  ASSERT_EQ(readCodeDescription(dir + "/encoder.vok", code), CodeFileStatus::kRead);
  EXPECT_EQ(code, CodeDescription::builtIn());
  DecoderSchedule schedule;
  ASSERT_EQ(readDecoderSchedule(dir + "/decoder.vok", schedule), CodeFileStatus::kRead);
  EXPECT_EQ(schedule, DecoderSchedule::builtIn());

  TempDir empty;
  Codec fromFiles(dir + "/encoder.vok", dir + "/decoder.vok", 30000);
  Codec builtIn(empty.missing("encoder.vok"), empty.missing("decoder.vok"), 30000);
  ASSERT_TRUE(fromFiles.loaded());
  EXPECT_EQ(fromFiles.code(), builtIn.code());
  EXPECT_EQ(fromFiles.schedule(), builtIn.schedule());
}

TEST(CodeFileParsing, WhiteSpaceRunsOfAnyKindOrNoneAreAccepted) {
  CodeDescription code;
  ASSERT_TRUE(parsesCode("nk=2nr=1i=0v=0 2 0 5i=1v=0 1 3", &code));
  CodeDescription spaced;
  ASSERT_TRUE(parsesCode("nk=\t2\r\n\v\f nr=  +1\r\n i=0 v=0\n2\n0\n5 i=1 v=0 1 3", &spaced));
  EXPECT_EQ(code, spaced);
  EXPECT_EQ(code.taps[0][0].delays, (std::vector<std::int32_t>{0, 5}));
  EXPECT_EQ(code.taps[1][0].delays, (std::vector<std::int32_t>{3}));
}

TEST(CodeFileParsing, LabelsAreReadButEntriesAreTakenInFileOrder) {
  CodeDescription code;
  ASSERT_TRUE(parsesCode("nk=2 nr=1 i=7 v=9 1 4 i=-3 v=0 1 6", &code));
  EXPECT_EQ(code.taps[0][0].delays, (std::vector<std::int32_t>{4}));
  EXPECT_EQ(code.taps[1][0].delays, (std::vector<std::int32_t>{6}));
}

TEST(CodeFileParsing, CheckBranchIsOuterLoop) {
  CodeDescription code;
  ASSERT_TRUE(parsesCode("nk=2 nr=2 i=0 v=0 1 10 i=1 v=0 1 11 i=0 v=1 1 12 i=1 v=1 1 13", &code));
  EXPECT_EQ(code.taps[1][0].delays, (std::vector<std::int32_t>{11}));
  EXPECT_EQ(code.taps[0][1].delays, (std::vector<std::int32_t>{12}));
}

TEST(CodeFileParsing, NegativeAndExtremeDelaysAreRead) {
  CodeDescription code;
  ASSERT_TRUE(parsesCode("nk=1 nr=1 i=0 v=0 3 -7 -2147483648 2147483647", &code));
  EXPECT_EQ(code.taps[0][0].delays, (std::vector<std::int32_t>{-7, INT32_MIN, INT32_MAX}));
}

TEST(CodeFileParsing, BrokenFilesAreRefused) {
  EXPECT_TRUE(parsesCode(kSmallCode));
  EXPECT_FALSE(parsesCode(""));
  EXPECT_FALSE(parsesCode(" nk=2  nr=1 i=0 v=0 0 i=1 v=0 0")) << "must begin with nk=";
  EXPECT_FALSE(parsesCode("NK=2  nr=1 i=0 v=0 0 i=1 v=0 0"));
  EXPECT_FALSE(parsesCode("nk =2  nr=1 i=0 v=0 0 i=1 v=0 0"));
  EXPECT_FALSE(parsesCode("nk=2  nr=1 i=0 v=0 2 0")) << "ends inside a tap list";
  EXPECT_FALSE(parsesCode("nk=2  nr=1 i=0 v=0 2 0 5")) << "ends before the last cell";
  EXPECT_FALSE(parsesCode("nk=2  nr=1 i=0 v=0 2 0 x i=1 v=0 0"));
  EXPECT_FALSE(parsesCode("nk=2  nr=1 i=0 v=0 2 0 - i=1 v=0 0")) << "a sign without digits";
  EXPECT_FALSE(parsesCode("nk=2  nr=1 i=0 w=0 0 i=1 v=0 0"));
  EXPECT_FALSE(parsesCode("nk=2  nr=1 i=0 v= 0 i=1 v=0 0")) << "count missing";
}

TEST(CodeFileParsing, OutOfRangeNumbersAreRefused) {
  EXPECT_FALSE(parsesCode("nk=0 nr=1"));
  EXPECT_FALSE(parsesCode("nk=17 nr=1"));
  EXPECT_FALSE(parsesCode("nk=1 nr=0"));
  EXPECT_FALSE(parsesCode("nk=1 nr=17"));
  EXPECT_FALSE(parsesCode("nk=-1 nr=1"));
  EXPECT_FALSE(parsesCode("nk=1 nr=1 i=0 v=0 -1"));
  EXPECT_FALSE(parsesCode("nk=1 nr=1 i=0 v=0 1 2147483648"));
  EXPECT_FALSE(parsesCode("nk=1 nr=1 i=0 v=0 1 -2147483649"));
  EXPECT_FALSE(parsesCode("nk=1 nr=1 i=0 v=0 2147483647 1")) << "huge count, short file";
  EXPECT_FALSE(parsesCode("nk=4294967297 nr=1 i=0 v=0 0"));
  EXPECT_TRUE(parsesCode("nk=16 nr=16" + [] {
    std::string cells;
    for (int c = 0; c < 256; ++c) cells += " i=0 v=0 0";
    return cells;
  }()));
}

TEST(ScheduleFileParsing, MinimalTwoIterationFileLoads) {
  DecoderSchedule s;
  ASSERT_TRUE(parsesSchedule("itert=2\nw 1 1\nt 0 0\nc 0 0\no 0 0\np 0 0\ni 0 0\n", &s));
  EXPECT_EQ(s.itert, 2);
  EXPECT_EQ(s.w, (std::vector<int>{1, 1}));
  EXPECT_EQ(s.p, (std::vector<int>{0, 0})) << "parsing does not bound";
}

TEST(ScheduleFileParsing, MarkerIsFirstLetterAnywhereAndMayTouchTheNumber) {
  DecoderSchedule s;
  ASSERT_TRUE(parsesSchedule("itert=2 xyzw-1+2 t3 4 %c5 6o7 8 ### p -9 10 i11 12", &s));
  EXPECT_EQ(s.w, (std::vector<int>{-1, 2}));
  EXPECT_EQ(s.t, (std::vector<int>{3, 4}));
  EXPECT_EQ(s.c, (std::vector<int>{5, 6}));
  EXPECT_EQ(s.o, (std::vector<int>{7, 8}));
  EXPECT_EQ(s.p, (std::vector<int>{-9, 10}));
  EXPECT_EQ(s.i, (std::vector<int>{11, 12}));
  // "weights" puts its 'w' first, so the numbers are read from "eights".
  EXPECT_FALSE(parsesSchedule("itert=1 weights 1 t 0 c 0 o 0 p 0 i 0"));
}

TEST(ScheduleFileParsing, BrokenFilesAreRefused) {
  EXPECT_FALSE(parsesSchedule(""));
  EXPECT_FALSE(parsesSchedule(" itert=1 w1 t0 c0 o0 p0 i0")) << "must begin with itert=";
  EXPECT_FALSE(parsesSchedule("itert= w1 t0 c0 o0 p0 i0"));
  EXPECT_FALSE(parsesSchedule("itert=1 w1 c0 o0 p0 i0")) << "no t marker: search hits the end";
  EXPECT_FALSE(parsesSchedule("itert=2 w1 1 t0 0 c0 0 o0 0 p0 0 i0")) << "one number short";
  EXPECT_FALSE(parsesSchedule("itert=-1 w t c o p i"));
  EXPECT_FALSE(parsesSchedule("itert=100001 w t c o p i"));
  EXPECT_FALSE(parsesSchedule("itert=1 w2147483648 t0 c0 o0 p0 i0"));
}

TEST(ScheduleFileParsing, ZeroIterationsReadNoNumbers) {
  DecoderSchedule s;
  ASSERT_TRUE(parsesSchedule("itert=0", &s));
  EXPECT_EQ(s.itert, 0);
  EXPECT_TRUE(s.w.empty());
  EXPECT_TRUE(s.i.empty());
}

TEST(ScheduleFileWriting, WrittenScheduleReadsBackUnchanged) {
  DecoderSchedule s = DecoderSchedule::builtIn();
  s.t[3] = 12;
  s.w[0] = -4;  // the file format takes any int
  s.i[19] = 5;
  DecoderSchedule back;
  ASSERT_TRUE(parseDecoderSchedule(formatDecoderSchedule(s), back));
  EXPECT_EQ(back, s);
  DecoderSchedule none;
  ASSERT_TRUE(parseDecoderSchedule(formatDecoderSchedule(none), back));
  EXPECT_EQ(back.itert, 0);
}

TEST(ScheduleBounding, ZeroMeansAllLargerIsCutNegativeStays) {
  DecoderSchedule s = test::uniformSchedule(5, 1, 0, 0, 0);
  s.p = {0, 3, 8, 9, -2};
  s.i = {0, 1, 4, 100, -1};
  s.bound(4, 8);
  EXPECT_EQ(s.p, (std::vector<int>{8, 3, 8, 8, -2}));
  EXPECT_EQ(s.i, (std::vector<int>{4, 1, 4, 4, -1}));
}

TEST(CodecFiles, BuiltInScheduleIsBoundedByTheCodeFromTheFile) {
  TempDir dir;
  Codec codec(dir.write("encoder.vok", kSmallCode), dir.missing("decoder.vok"), 10);
  ASSERT_TRUE(codec.loaded());
  EXPECT_EQ(codec.iterationCount(), 20);
  EXPECT_EQ(codec.schedule().p[0], 1);
  EXPECT_EQ(codec.schedule().i[0], 2);
  EXPECT_EQ(codec.branchLength(), 5);
  EXPECT_EQ(codec.codeRate(), static_cast<float>(2.0 / 3.0));
}

TEST(CodecFiles, ScheduleFromFileIsUsedWithTheBuiltInCode) {
  TempDir dir;
  Codec codec(dir.missing("encoder.vok"),
              dir.write("decoder.vok",
                        "itert=3\nw 1 0 2\nt 0 1 2\nc 0 0 0\no 0 0 0\n"
                        "p 0 20 -1\ni 3 0 -4\n"),
              9);
  ASSERT_TRUE(codec.loaded());
  EXPECT_EQ(codec.code(), CodeDescription::builtIn());
  EXPECT_EQ(codec.schedule().p, (std::vector<int>{8, 8, -1}));
  EXPECT_EQ(codec.schedule().i, (std::vector<int>{3, 8, -4}));
  EXPECT_EQ(codec.branchLength(), 2) << "N = 9 with nk = 8";
}

TEST(CodecFiles, BrokenCodeFileFailsWithoutFallingBackToBuiltIns) {
  TempDir dir;
  // Truncated after a few tap lists; the schedule is missing, so a fallback to
  // any default would have loaded.
  Codec truncated(dir.write("encoder.vok", "nk=8\n  nr=8\n  i=0  v=0 2 0 780\n  i=1  v=0 2 971"),
                  dir.missing("decoder.vok"), 1000);
  EXPECT_FALSE(truncated.loaded());
  Codec emptySchedule(dir.missing("none.vok"), dir.write("empty.vok", ""), 1000);
  EXPECT_FALSE(emptySchedule.loaded());
  Codec noIterations(dir.missing("none.vok"), dir.write("zero.vok", "itert=0\n"), 1000);
  ASSERT_TRUE(noIterations.loaded());
  EXPECT_EQ(noIterations.iterationCount(), 0);
}

TEST(CodecFiles, UnreadablePathCountsAsMissing) {
  TempDir dir;
  const std::string directory = dir.missing("sub");
  std::filesystem::create_directories(directory);
  CodeDescription code;
  EXPECT_EQ(readCodeDescription(directory, code), CodeFileStatus::kMissing);
  EXPECT_EQ(readCodeDescription(dir.missing("none"), code), CodeFileStatus::kMissing);
  DecoderSchedule schedule;
  EXPECT_EQ(readDecoderSchedule(directory, schedule), CodeFileStatus::kMissing);
}

TEST(CodecConstruction, InvalidInMemoryCodeOrScheduleIsNotLoaded) {
  CodeDescription code = CodeDescription::builtIn();
  const DecoderSchedule schedule = DecoderSchedule::builtIn();
  EXPECT_TRUE(Codec(code, schedule, 1).loaded());
  EXPECT_FALSE(Codec(code, schedule, 0).loaded());
  code.nk = 17;
  EXPECT_FALSE(Codec(code, schedule, 100).loaded());
  DecoderSchedule ragged = schedule;
  ragged.t.pop_back();
  EXPECT_FALSE(Codec(CodeDescription::builtIn(), ragged, 100).loaded());
}

TEST(CodecConstruction, BranchLengthRoundsUp) {
  const CodeDescription code = CodeDescription::builtIn();
  const DecoderSchedule schedule = DecoderSchedule::builtIn();
  EXPECT_EQ(Codec(code, schedule, 1).branchLength(), 1);
  EXPECT_EQ(Codec(code, schedule, 8).branchLength(), 1);
  EXPECT_EQ(Codec(code, schedule, 9).branchLength(), 2);
  EXPECT_EQ(Codec(code, schedule, 3000000).branchLength(), 375000);
}

std::string sampleText(const std::string& name) {
  std::ifstream in(std::string(VOK_SAMPLE_DATA_DIR) + "/" + name, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(CodecFiles, DamagedFilesNeverCrashAndLoadOnlyWhenWellFormed) {
  const std::string code = sampleText("encoder.vok");
  const std::string schedule = sampleText("decoder.vok");
  ASSERT_FALSE(code.empty());
  std::mt19937 gen(11);
  const char alphabet[] = "0123456789-+ \t\n=ikrnvwtcop\0x";
  for (int round = 0; round < 3000; ++round) {
    std::string damagedCode = code;
    std::string damagedSchedule = schedule;
    for (std::string* text : {&damagedCode, &damagedSchedule}) {
      const int edits = 1 + static_cast<int>(gen() % 4);
      for (int e = 0; e < edits; ++e) {
        const std::size_t at = gen() % text->size();
        switch (gen() % 4) {
          case 0:
            (*text)[at] = alphabet[gen() % (sizeof alphabet - 1)];
            break;
          case 1:
            text->erase(at, 1 + gen() % 8);
            break;
          case 2:
            text->insert(at, 1, alphabet[gen() % (sizeof alphabet - 1)]);
            break;
          default:
            text->resize(at);
            break;
        }
        if (text->empty()) text->assign(1, 'x');
      }
    }
    CodeDescription parsedCode;
    if (parseCodeDescription(damagedCode, parsedCode)) {
      ASSERT_GE(parsedCode.nk, 1);
      ASSERT_LE(parsedCode.nr, kMaxBranches);
    }
    DecoderSchedule parsedSchedule;
    if (parseDecoderSchedule(damagedSchedule, parsedSchedule)) {
      ASSERT_EQ(parsedSchedule.p.size(), static_cast<std::size_t>(parsedSchedule.itert));
    }
  }
}

}  // namespace
}  // namespace vok
