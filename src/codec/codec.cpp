// The Codec's construction, encoder and syndrome former.
#include "codec/codec.h"

#include <cstddef>

namespace vok {

namespace {

// The non-negative residue of `delay` modulo `length`, for any int32 delay.
std::int32_t reduceDelay(std::int32_t delay, std::int32_t length) {
  const std::int64_t r = std::int64_t{delay} % length;
  return static_cast<std::int32_t>(r < 0 ? r + length : r);
}

// (x + d) mod L for x and d in 0..L-1, without overflow.
std::int32_t ahead(std::int32_t x, std::int32_t d, std::int32_t length) {
  return x >= length - d ? x - (length - d) : x + d;
}

bool scheduleIsWellFormed(const DecoderSchedule& s) {
  if (s.itert < 0 || s.itert > kMaxIterations) return false;
  const std::size_t n = static_cast<std::size_t>(s.itert);
  return s.w.size() == n && s.t.size() == n && s.c.size() == n && s.o.size() == n &&
         s.p.size() == n && s.i.size() == n;
}

}  // namespace

Codec::Codec(const std::string& codePath, const std::string& schedulePath,
             std::int32_t symbolCount) {
  switch (readCodeDescription(codePath, code_)) {
    case CodeFileStatus::kRead:
      break;
    case CodeFileStatus::kMissing:
      code_ = CodeDescription::builtIn();
      break;
    case CodeFileStatus::kInvalid:
      return;  // the schedule is not read
  }
  switch (readDecoderSchedule(schedulePath, schedule_)) {
    case CodeFileStatus::kRead:
      break;
    case CodeFileStatus::kMissing:
      schedule_ = DecoderSchedule::builtIn();
      break;
    case CodeFileStatus::kInvalid:
      return;
  }
  initialise(symbolCount);
}

Codec::Codec(const CodeDescription& code, const DecoderSchedule& schedule, std::int32_t symbolCount)
    : code_(code), schedule_(schedule) {
  initialise(symbolCount);
}

void Codec::initialise(std::int32_t symbolCount) {
  if (code_.nk < 1 || code_.nk > kMaxBranches || code_.nr < 1 || code_.nr > kMaxBranches) return;
  if (!scheduleIsWellFormed(schedule_) || symbolCount < 1) return;
  symbolCount_ = symbolCount;
  length_ = symbolCount / code_.nk + (symbolCount % code_.nk != 0 ? 1 : 0);
  schedule_.bound(code_.nk, code_.nr);

  reduced_ = code_;
  for (int i = 0; i < code_.nk; ++i) {
    for (int j = 0; j < code_.nr; ++j) {
      for (std::int32_t& d : reduced_.taps[i][j].delays) d = reduceDelay(d, length_);
    }
  }

  const std::size_t length = static_cast<std::size_t>(length_);
  const std::size_t capacity = static_cast<std::size_t>(code_.voteScratchCapacity());
  voteValues_.assign(capacity, 0);
  voteCounts_.assign(capacity, 0);
  decisions_.assign(static_cast<std::size_t>(code_.nk) * length, 0);
  differences_.assign(static_cast<std::size_t>(code_.nk) * length, 0);
  syndromes_.assign(static_cast<std::size_t>(code_.nr) * length, 0);
  loaded_ = true;
}

float Codec::codeRate() const {
  return static_cast<float>(static_cast<double>(code_.nk) /
                            static_cast<double>(code_.nk + code_.nr));
}

void Codec::encode(const std::int32_t* const* info, std::int32_t* const* check) const {
  for (std::int32_t x = 0; x < length_; ++x) {
    for (int j = 0; j < code_.nr; ++j) {
      std::int64_t sum = 0;
      for (int i = 0; i < code_.nk; ++i) {
        for (std::int32_t d : reduced_.taps[i][j].delays) {
          sum += info[i][ahead(x, d, length_)];
        }
      }
      check[j][x] = static_cast<std::int32_t>(sum % q_);
    }
  }
}

void Codec::loadReceived(const std::int32_t* const* info, const std::int32_t* const* check) {
  const std::size_t length = static_cast<std::size_t>(length_);
  for (int i = 0; i < code_.nk; ++i) {
    for (std::size_t x = 0; x < length; ++x) {
      decisions_[i * length + x] = info[i][x];
      differences_[i * length + x] = 0;
    }
  }
  for (int j = 0; j < code_.nr; ++j) {
    for (std::size_t x = 0; x < length; ++x) syndromes_[j * length + x] = check[j][x];
  }
  for (std::int32_t x = 0; x < length_; ++x) {
    for (int j = 0; j < code_.nr; ++j) {
      std::int64_t sum = 0;
      for (int i = 0; i < code_.nk; ++i) {
        const std::int32_t* u = decision(i);
        for (std::int32_t d : reduced_.taps[i][j].delays) {
          sum += u[ahead(x, d, length_)];
        }
      }
      std::int32_t& s = syndromes_[j * length + static_cast<std::size_t>(x)];
      s = static_cast<std::int32_t>((q_ - s + sum) % q_);
    }
  }
}

void Codec::copyDecisions(std::int32_t* const* out) const {
  for (int i = 0; i < code_.nk; ++i) {
    const std::int32_t* u = decision(i);
    for (std::int32_t x = 0; x < length_; ++x) out[i][x] = u[x];
  }
}

const std::int32_t* Codec::decision(int i) const {
  return decisions_.data() + static_cast<std::size_t>(i) * static_cast<std::size_t>(length_);
}

const std::int32_t* Codec::difference(int i) const {
  return differences_.data() + static_cast<std::size_t>(i) * static_cast<std::size_t>(length_);
}

const std::int32_t* Codec::syndrome(int j) const {
  return syndromes_.data() + static_cast<std::size_t>(j) * static_cast<std::size_t>(length_);
}

}  // namespace vok
