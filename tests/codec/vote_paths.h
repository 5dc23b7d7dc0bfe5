// The ways the fast decoder can vote, as the differential tests run each of
// them against the reference, with what each needs of the processor. Each
// test prints whether its path ran here or was skipped and why, so that a
// green run on a processor without AVX-512 is not read as covering the
// AVX-512 path. A new path is one more entry in votePaths().
#ifndef VOK_TESTS_CODEC_VOTE_PATHS_H_
#define VOK_TESTS_CODEC_VOTE_PATHS_H_

#include <ostream>
#include <string>
#include <vector>

namespace vok::test {

struct VotePath {
  const char* name;  // also the last part of the test's name
  bool avx512;       // the 64-lane AVX-512 pass allowed
  bool blockVotes;   // the block passes on
  int width;         // the block width the decoder must then use (0: one by one)
  // Why this processor cannot run the path ("" when it can), e.g.
  // "no AVX-512 on this processor".
  std::string (*missing)();
};

// Every vote path, in the order the tests list them.
const std::vector<VotePath>& votePaths();

// The line a test prints for its path: "vote path Bytes32LanesAvx2: ran" or
// "vote path Bytes64LanesAvx512: skipped: no AVX-512 (F and BW) on this
// processor".
std::string votePathLine(const VotePath& path, bool ran);

// Switches the decoder to the path for the life of the object and back.
// REQUIRES: path.missing() is empty.
class VotePathInForce {
 public:
  explicit VotePathInForce(const VotePath& path);
  ~VotePathInForce();
  VotePathInForce(const VotePathInForce&) = delete;
  VotePathInForce& operator=(const VotePathInForce&) = delete;

 private:
  bool savedAvx512_;
  bool savedBlocks_;
};

// For gtest's names of the parameterised cases.
inline void PrintTo(const VotePath& path, std::ostream* out) { *out << path.name; }

}  // namespace vok::test

#endif  // VOK_TESTS_CODEC_VOTE_PATHS_H_
