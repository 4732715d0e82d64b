#include "gui/mpeg_summary.h"

#include "core/apply/tag_on_read.h"
#include "core/text/encoding.h"

namespace sonavex {

std::u32string MpegSummary(const TInfo& info) {
  if (!info.IstMP3) return {};
  return U"MPEG" + info.MPEG + U", Layer" + info.Layer + U", " + info.Bitrate +
         U"KBit/s, " + info.SampFreq + U"Hz, " + info.Mode + U", " + info.Dauer;
}

MainWindow::FileSummary MpegSummaryLoader(MainWindow& window) {
  return [&window](const std::string& path) -> std::u32string {
    TInfo info;
    TagOnRead tags(window.executorContext());
    const std::error_code ec = info.SetDatei(path, tags.Appender());
    if (tags.End()) window.refreshUndoTarget();
    if (ec) {
      const std::size_t slash = path.rfind('/');
      const std::string directory = slash == std::string::npos ? std::string() : path.substr(0, slash);
      window.reporter().Report(MessageKind::Error,
                               FailureMessageText(ec, DecodeUtf8(directory),
                                                  DecodeUtf8(path.substr(slash + 1))));
      return {};
    }
    return MpegSummary(info);
  };
}

}  // namespace sonavex
