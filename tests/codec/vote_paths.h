// The ways the fast decoder can vote, as the differential tests run each of
// them against the reference, with what each needs of the processor. Each
// test prints whether its path ran here or was skipped and why, so that a
// green run on a processor without AVX-512 is not read as covering the
// AVX-512 paths. A new path is one more entry in votePaths().
#ifndef VOK_TESTS_CODEC_VOTE_PATHS_H_
#define VOK_TESTS_CODEC_VOTE_PATHS_H_

#include <ostream>
#include <string>
#include <vector>

namespace vok::test {

struct VotePath {
  const char* name;  // also the last part of the test's name
  bool vectorVotes;  // the AVX-512 votes on
  bool blockVotes;   // votes of 16 positions at once
  // Why this processor cannot run the path ("" when it can), e.g.
  // "no AVX-512 on this processor".
  std::string (*missing)();
  // What else the path reports when it ran (a part of it that depends on
  // further processor features), or nullptr.
  std::string (*detail)();
};

// Every vote path, in the order the tests list them.
const std::vector<VotePath>& votePaths();

// The line a test prints for its path: "vote path Avx2Blocks: ran" or
// "vote path Avx512Blocks: skipped: no AVX-512 on this processor".
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
  bool savedVector_;
  bool savedBlocks_;
};

// For gtest's names of the parameterised cases.
inline void PrintTo(const VotePath& path, std::ostream* out) { *out << path.name; }

}  // namespace vok::test

#endif  // VOK_TESTS_CODEC_VOTE_PATHS_H_
