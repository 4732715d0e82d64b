#include "gui/mpeg_summary.h"

#include "core/session/session.h"

namespace sonavex {

std::u32string MpegSummary(const TInfo& info) {
  if (!info.IstMP3) return {};
  return U"MPEG" + info.MPEG + U", Layer" + info.Layer + U", " + info.Bitrate +
         U"KBit/s, " + info.SampFreq + U"Hz, " + info.Mode + U", " + info.Dauer;
}

MainWindow::FileSummary MpegSummaryLoader(MainWindow& window) {
  return [&window](const std::string& path) -> std::u32string {
    const ClickedFile clicked = window.session().ReadClickedFile(path, window.currentDirectory());
    if (clicked.tagged) window.refreshUndoTarget();
    return clicked.error ? std::u32string() : MpegSummary(clicked.info);
  };
}

}  // namespace sonavex
