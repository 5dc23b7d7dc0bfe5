// UTF-8 to Windows-1251: decodes code points and looks each one up in the
// code page's upper half.
#include "common/text_encoding.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace vok {
namespace {

// Code points of the bytes 0x80..0xBF; 0 marks the one unassigned byte (0x98).
// The bytes 0xC0..0xFF are U+0410..U+044F in order.
constexpr std::array<char32_t, 64> kUpperHalf = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 0x88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x0000, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 0x98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // 0xA0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // 0xA8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // 0xB0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // 0xB8
};

char toCp1251(char32_t codePoint) {
  if (codePoint < 0x80) return static_cast<char>(codePoint);
  if (codePoint >= 0x0410 && codePoint <= 0x044F) {
    return static_cast<char>(0xC0 + (codePoint - 0x0410));
  }
  for (std::size_t i = 0; i < kUpperHalf.size(); ++i) {
    if (kUpperHalf[i] == codePoint) return static_cast<char>(0x80 + i);
  }
  return '?';
}

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Decodes one UTF-8 sequence at utf8[pos]. On success stores the code point
// and returns the sequence length; on a malformed sequence returns the
// number of bytes to skip (the lead byte and the continuation bytes that
// were valid so far) and stores nothing.
std::size_t decodeOne(std::string_view utf8, std::size_t pos, char32_t& codePoint, bool& valid) {
  const auto lead = static_cast<unsigned char>(utf8[pos]);
  valid = false;
  std::size_t length = 0;
  char32_t value = 0;
  char32_t minimum = 0;
  if (lead < 0x80) {
    codePoint = lead;
    valid = true;
    return 1;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    value = lead & 0x1F;
    minimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    value = lead & 0x0F;
    minimum = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    value = lead & 0x07;
    minimum = 0x10000;
  } else {
    return 1;  // stray continuation byte or an impossible lead byte
  }
  std::size_t used = 1;
  while (used < length) {
    if (pos + used >= utf8.size()) return used;
    const auto byte = static_cast<unsigned char>(utf8[pos + used]);
    if (!isContinuation(byte)) return used;
    value = (value << 6) | (byte & 0x3F);
    ++used;
  }
  if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
    return used;  // overlong form, beyond Unicode, or a surrogate
  }
  codePoint = value;
  valid = true;
  return used;
}

}  // namespace

std::string utf8ToCp1251(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    char32_t codePoint = 0;
    bool valid = false;
    pos += decodeOne(utf8, pos, codePoint, valid);
    out.push_back(valid ? toCp1251(codePoint) : '?');
  }
  return out;
}

}  // namespace vok
