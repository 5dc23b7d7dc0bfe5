// How vok-sim reads a picture file (--picture): a 24-bit BMP with the
// loader, any other format with Qt's decoder from the import module
// (vok-picture-import.so), loaded at the first picture that needs it.
// vok-sim itself links no Qt: loading Qt's libraries took most of the
// start of a short run.
#ifndef VOK_SIM_PICTURE_READING_H_
#define VOK_SIM_PICTURE_READING_H_

#include <optional>
#include <string>

#include "experiment/experiment.h"
#include "picture/picture.h"

namespace vok::sim {

// Reads the picture at `path` and reduces it for `pane` (not reduced when
// absent), as the window's import does; a picture that needs the module
// when it cannot be loaded is unreadable, with a message that says why.
PictureOutcome readPictureFile(const std::string& path, std::optional<PaneSize> pane,
                               LoadedPicture& out);

// readPictureFile of `path`, as the Experiment takes a picture.
PictureReader pictureFileReader(std::string path);

// Loads the import module from `path` rather than from beside the program
// or the installed library directory. Has no effect once a module is
// loaded (for tests, which do not run from the program's directory).
void setImportModulePath(std::string path);

}  // namespace vok::sim

#endif  // VOK_SIM_PICTURE_READING_H_
