// The `Codec` knows the code: it holds the code description, the decoder
// schedule and the decoder's registers, and offers encoding, loading of a
// received block (syndrome forming) and the iterative threshold decoder.
//
// Symbols are int32 values in 0..Q-1; positions in a branch are cyclic.
// A block is nk information branches and nr check branches of
// branchLength() symbols each, owned by the caller and passed as arrays of
// branch pointers.
#ifndef VOK_CODEC_CODEC_H_
#define VOK_CODEC_CODEC_H_

#include <cstdint>
#include <string>
#include <vector>

#include "codec/code_description.h"
#include "codec/decoder_schedule.h"

namespace vok {

class Codec {
 public:
  // Reads the code from `codePath` and the schedule from `schedulePath`; a
  // file that cannot be opened is replaced by the built-in one. When the code
  // description does not parse, the schedule is not read. loaded() tells the
  // outcome. REQUIRES: symbolCount >= 1.
  Codec(const std::string& codePath, const std::string& schedulePath, std::int32_t symbolCount);

  // Uses the given code and schedule (the schedule is bounded here).
  // loaded() is false when nk or nr is outside 1..16 or itert is negative.
  Codec(const CodeDescription& code, const DecoderSchedule& schedule, std::int32_t symbolCount);

  Codec(const Codec&) = delete;
  Codec& operator=(const Codec&) = delete;

  // No other operation may be used while this is false.
  bool loaded() const { return loaded_; }

  // REQUIRES: q >= 2. Must be set before encode/loadReceived/iterate.
  void setQ(std::int32_t q) { q_ = q; }
  std::int32_t q() const { return q_; }

  // nk / (nk + nr) as a float.
  float codeRate() const;
  int iterationCount() const { return schedule_.itert; }
  int nk() const { return code_.nk; }
  int nr() const { return code_.nr; }
  // L = ceil(N / nk).
  std::int32_t branchLength() const { return length_; }

  const CodeDescription& code() const { return code_; }
  // The schedule in force, with p and i bounded.
  const DecoderSchedule& schedule() const { return schedule_; }

  // check[j][x] = sum over i, d in taps[i][j] of info[i][x + d], mod Q.
  // Leaves the codec unchanged.
  void encode(const std::int32_t* const* info, std::int32_t* const* check) const;

  // U = received information, D = 0, S = recomputed check minus received
  // check, mod Q. Starts a fresh decoding.
  void loadReceived(const std::int32_t* const* info, const std::int32_t* const* check);

  // One decoding pass with the schedule entries of iteration k. Allocates
  // nothing. REQUIRES: 0 <= k < iterationCount().
  void iterate(int k);

  // out[i][x] = U[i][x] for every information branch i < nk.
  void copyDecisions(std::int32_t* const* out) const;

  // The registers, one array of branchLength() symbols per branch.
  const std::int32_t* decision(int i) const;    // U[i], i < nk
  const std::int32_t* difference(int i) const;  // D[i], i < nk
  const std::int32_t* syndrome(int j) const;    // S[j], j < nr

 private:
  // Checks the code and schedule, bounds the schedule, reduces the delays,
  // sizes the registers and sets the loaded flag.
  void initialise(std::int32_t symbolCount);

  CodeDescription code_;
  // The same taps with every delay reduced into 0..L-1.
  CodeDescription reduced_;
  DecoderSchedule schedule_;
  std::int32_t symbolCount_ = 0;
  std::int32_t length_ = 0;
  std::int32_t q_ = 256;
  bool loaded_ = false;
  // Registers, branch after branch: U and D (nk * L each), S (nr * L).
  std::vector<std::int32_t> decisions_;
  std::vector<std::int32_t> differences_;
  std::vector<std::int32_t> syndromes_;
  // voteScratch: candidate values and counts, voteScratchCapacity() each.
  // Counts are 64-bit so that any weight w from a file adds up safely.
  std::vector<std::int32_t> voteValues_;
  std::vector<std::int64_t> voteCounts_;
};

}  // namespace vok

#endif  // VOK_CODEC_CODEC_H_
