#include "gui/mpeg_summary.h"

#include "core/apply/tag_on_read.h"
#include "core/fs/fs.h"
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
      const PathParts parts = SplitPath(path);
      window.reporter().Report(MessageKind::Error,
                               FailureMessageText(ec, DecodeUtf8(parts.directory),
                                                  DecodeUtf8(parts.name)));
      return {};
    }
    return MpegSummary(info);
  };
}

}  // namespace sonavex
