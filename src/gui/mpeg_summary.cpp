#include "gui/mpeg_summary.h"

#include <memory>

#include "core/apply/tag_on_read.h"
#include "core/fs/fs.h"
#include "core/text/encoding.h"

namespace sonavex {

std::u32string MpegSummary(const TInfo& info) {
  if (!info.IstMP3) return {};
  return U"MPEG" + info.MPEG + U", Layer" + info.Layer + U", " + info.Bitrate +
         U"KBit/s, " + info.SampFreq + U"Hz, " + info.Mode + U", " + info.Dauer;
}

namespace {

// The folder whose clicks gave tags, and the batch that holds them.
struct ClickedTags {
  std::string directory;
  std::int64_t batch = 0;
};

// The tags the clicks of one visit of a folder give are one batch.
void JoinVisit(MainWindow& window, ClickedTags& visit) {
  if (visit.directory != window.currentDirectory()) {
    visit = {window.currentDirectory(), 0};
  }
  visit.batch = window.session().JoinTagsOnRead(visit.batch);
  window.refreshUndoTarget();
}

}  // namespace

MainWindow::FileSummary MpegSummaryLoader(MainWindow& window) {
  auto visit = std::make_shared<ClickedTags>();
  return [&window, visit](const std::string& path) -> std::u32string {
    TInfo info;
    TagOnRead tags(window.executorContext());
    const std::error_code ec = info.SetDatei(path, tags.Appender());
    if (tags.End()) JoinVisit(window, *visit);
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
