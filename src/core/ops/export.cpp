#include "core/ops/export.h"

#include <algorithm>
#include <ostream>

#include "core/apply/tag_on_read.h"
#include "core/batch/read_selected.h"
#include "core/fs/fs_write.h"
#include "core/text/case.h"
#include "core/text/encoding.h"

namespace sonavex {
namespace {

constexpr const char32_t* kCaptions[kExportColumnCount] = {
    U"Dateiname", U"Dateityp",     U"Dateigröße", U"Datum/Uhrzeit",  U"Titel",
    U"Interpret", U"Album",        U"MPEG-Version", U"Layer",        U"Bitrate",
    U"Samplefrequenz", U"Stereo-Mode", U"Spieldauer"};

// The columns from here on exist only for MP3 files.
constexpr std::size_t kFirstMp3Column = 4;

const std::u32string& ColumnValue(const TInfo& info, std::size_t index) {
  static const std::u32string TInfo::*const kFields[kExportColumnCount] = {
      &TInfo::Name,  &TInfo::Typ,   &TInfo::Groesse, &TInfo::Datum,    &TInfo::Titel,
      &TInfo::Interpret, &TInfo::Album, &TInfo::MPEG, &TInfo::Layer,   &TInfo::Bitrate,
      &TInfo::SampFreq, &TInfo::Mode, &TInfo::Dauer};
  return info.*kFields[index];
}

// "dir/name" split at its last "/", the root keeping its "/".
std::pair<std::string, std::string> SplitPath(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {".", path};
  return {path.substr(0, slash == 0 ? 1 : slash), path.substr(slash + 1)};
}

}  // namespace

const char32_t* ExportColumnCaption(std::size_t index) { return kCaptions[index]; }

bool ExportHasWork(const ExportParams& params) {
  return std::any_of(params.columns.begin(), params.columns.end(),
                     [](bool chosen) { return chosen; });
}

std::string ExportDirectoryLine(std::string_view directory) {
  std::string line = "\n";
  line += directory;
  line += "\r\n";
  return line;
}

std::string ExportFileLine(const TInfo& info, const ExportParams& params) {
  const std::size_t present = info.IstMP3 ? kExportColumnCount : kFirstMp3Column;
  std::string line;
  bool first = true;
  for (std::size_t i = 0; i < present; ++i) {
    if (!params.columns[i]) continue;
    if (!first) line += params.separator;
    first = false;
    EncodeUtf8Into(line, TrimBlanks(ColumnValue(info, i)));
  }
  line += "\r\n";
  return line;
}

std::string BuildExport(const std::string& directory,
                        const std::vector<std::string>& markedNames,
                        const BatchContext& context, const ExportParams& params,
                        const TInfo::TagAppender& appendTag) {
  std::string content;
  std::string lastDirectory;
  bool started = false;
  ReadSelected(directory, markedNames, context, [&](ReadItem& item) {
    if (!started || item.directory != lastDirectory) {
      content += ExportDirectoryLine(item.directory);
    }
    started = true;
    lastDirectory = item.directory;
    if (const std::error_code ec = FinishRead(item.read, &appendTag)) {
      if (context.reporter != nullptr) {
        RenameWithMessage(*context.reporter, ec, DecodeUtf8(item.directory),
                          DecodeUtf8(item.name));
      }
      return;
    }
    content += ExportFileLine(item.read.info, params);
  });
  return content;
}

ExportOutcome RunExport(const std::string& target, std::ostream& standardOut,
                        const std::string& directory,
                        const std::vector<std::string>& markedNames,
                        const BatchContext& context, const ExportParams& params,
                        const ExecutorContext& executor) {
  ExportOutcome outcome;
  std::string content;
  {
    TagOnRead tags(executor);
    content = BuildExport(directory, markedNames, context, params, tags.Appender());
    outcome.tagsAppended = tags.End();
  }
  if (target == "-") {
    standardOut.write(content.data(), static_cast<std::streamsize>(content.size()));
    standardOut.flush();
    outcome.written = static_cast<bool>(standardOut);
    return outcome;
  }
  const std::error_code ec = ReplaceFileAtomically(target, content);
  outcome.written = !ec;
  if (ec && context.reporter != nullptr) {
    const auto [folder, name] = SplitPath(target);
    context.reporter->Report(MessageKind::Error,
                             FailureMessageText(ec, DecodeUtf8(folder), DecodeUtf8(name)));
  }
  return outcome;
}

}  // namespace sonavex
