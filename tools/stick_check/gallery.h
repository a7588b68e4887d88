// The gallery: every screen of a start (AllScreens) in every language of the
// stick, shown through the launcher's own code and photographed from the
// screen, with an index.html that shows them in a grid, one row per
// language, with the checker's findings beside each picture.
#ifndef QUILLON_TOOLS_STICK_CHECK_GALLERY_H_
#define QUILLON_TOOLS_STICK_CHECK_GALLERY_H_

#include <string>

namespace stick_check {

// Runs from the root of the stick's drive (the program's own drive is the
// stick). Writes <row>-<screen>.bmp for every picture, index.html (which
// names them as .png) and findings.txt into |out_folder|. Shows dialogs and
// writes the user's data folder and registry as a start would: for a
// throwaway Wine prefix only. 0 when every picture was taken and every
// dialog showed the texts that the checker expects, 1 otherwise, 2 when
// nothing could be written. With |pseudo|, the pseudo-translation is written
// into the stick first (MakePseudoLanguage; 2 when it is refused); its row,
// like any row of LANGID 0x0501, is marked as not for users.
int RunGallery(const std::wstring& out_folder, bool pseudo);

}  // namespace stick_check

#endif  // QUILLON_TOOLS_STICK_CHECK_GALLERY_H_
