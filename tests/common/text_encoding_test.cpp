// UTF-8 to Windows-1251: the Cyrillic letters and the code page's other
// characters map to their bytes, everything else to '?'.
#include "common/text_encoding.h"

#include <gtest/gtest.h>

#include <string>

namespace vok {
namespace {

TEST(Utf8ToCp1251, AsciiPassesUnchanged) {
  const std::string ascii = "P0=2.50e-001\n\t kst=-7 ~";
  EXPECT_EQ(utf8ToCp1251(ascii), ascii);
  EXPECT_EQ(utf8ToCp1251(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(Utf8ToCp1251, WholeCyrillicAlphabetIncludingYo) {
  EXPECT_EQ(utf8ToCp1251("АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ"),
            "\xC0\xC1\xC2\xC3\xC4\xC5\xC6\xC7\xC8\xC9\xCA\xCB\xCC\xCD\xCE\xCF"
            "\xD0\xD1\xD2\xD3\xD4\xD5\xD6\xD7\xD8\xD9\xDA\xDB\xDC\xDD\xDE\xDF");
  EXPECT_EQ(utf8ToCp1251("абвгдежзийклмнопрстуфхцчшщъыьэюя"),
            "\xE0\xE1\xE2\xE3\xE4\xE5\xE6\xE7\xE8\xE9\xEA\xEB\xEC\xED\xEE\xEF"
            "\xF0\xF1\xF2\xF3\xF4\xF5\xF6\xF7\xF8\xF9\xFA\xFB\xFC\xFD\xFE\xFF");
  EXPECT_EQ(utf8ToCp1251("Ёё"), "\xA8\xB8");
}

TEST(Utf8ToCp1251, OtherCodePageCharacters) {
  EXPECT_EQ(utf8ToCp1251("Ђ‚€…—™№«»°±"), "\x80\x82\x88\x85\x97\x99\xB9\xAB\xBB\xB0\xB1");
  EXPECT_EQ(utf8ToCp1251("ЎўЈҐґІіЇїЄєЅѕџ"),
            "\xA1\xA2\xA3\xA5\xB4\xB2\xB3\xAF\xBF\xAA\xBA\xBD\xBE\x9F");
  EXPECT_EQ(utf8ToCp1251("\u00A0\u00AD"), "\xA0\xAD");
}

TEST(Utf8ToCp1251, CharactersOutsideTheCodePageBecomeQuestionMarks) {
  EXPECT_EQ(utf8ToCp1251("é中😀"), "???");
  EXPECT_EQ(utf8ToCp1251("\u0098"), "?");  // U+0098 is not byte 0x98, which is unassigned
}

TEST(Utf8ToCp1251, MalformedSequencesBecomeOneQuestionMarkEach) {
  EXPECT_EQ(utf8ToCp1251("\x80x"), "?x");            // stray continuation byte
  EXPECT_EQ(utf8ToCp1251("\xD0"), "?");              // truncated at the end
  EXPECT_EQ(utf8ToCp1251("\xD0x"), "?x");            // continuation missing
  EXPECT_EQ(utf8ToCp1251("\xC0\xAF"), "??");         // overlong lead byte, then a stray byte
  EXPECT_EQ(utf8ToCp1251("\xE0\x80\xAF"), "?");      // overlong three-byte form
  EXPECT_EQ(utf8ToCp1251("\xED\xA0\x80"), "?");      // surrogate
  EXPECT_EQ(utf8ToCp1251("\xF4\x90\x80\x80"), "?");  // beyond U+10FFFF
  EXPECT_EQ(utf8ToCp1251("\xFFЯ"), "?\xDF");
}

}  // namespace
}  // namespace vok
