#pragma once
// The text of status panel 2 after a click on a single marked MP3 entry.
#include <string>

#include "core/mp3/tinfo.h"
#include "gui/main_window.h"

namespace sonavex {

// "MPEG1, Layer3, 128KBit/s, 44100Hz, Joint Stereo, 03:25"; empty for a file
// that is not an MP3 file.
std::u32string MpegSummary(const TInfo& info);

// Loads the file through the window's session (giving an untagged MP3
// file its empty tag, as the grid does) and returns its summary; a read
// failure goes to the window's reporter.
MainWindow::FileSummary MpegSummaryLoader(MainWindow& window);

}  // namespace sonavex
