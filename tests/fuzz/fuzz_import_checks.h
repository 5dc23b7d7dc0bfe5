// The fuzz check of the Qt path of picture reading (a library of its own,
// since it links Qt Gui and the other checks do not).
#ifndef VOK_TESTS_FUZZ_FUZZ_IMPORT_CHECKS_H_
#define VOK_TESTS_FUZZ_FUZZ_IMPORT_CHECKS_H_

#include <cstdint>
#include <span>

namespace vok::fuzz {

// A picture file of any format, after four bytes that give the pane sizes,
// read as the window reads a file it is given.
void checkPictureImport(std::span<const std::uint8_t> data);

}  // namespace vok::fuzz

#endif  // VOK_TESTS_FUZZ_FUZZ_IMPORT_CHECKS_H_
