// The single-byte Cyrillic code page (Windows-1251) in which the channel's
// reports are written.
#ifndef VOK_COMMON_TEXT_ENCODING_H_
#define VOK_COMMON_TEXT_ENCODING_H_

#include <string>
#include <string_view>

namespace vok {

// Converts UTF-8 text to Windows-1251 bytes. ASCII passes unchanged; every
// character the code page lacks, and every malformed UTF-8 sequence, becomes
// '?'.
std::string utf8ToCp1251(std::string_view utf8);

}  // namespace vok

#endif  // VOK_COMMON_TEXT_ENCODING_H_
