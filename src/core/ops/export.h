#pragma once
// The list export: one text line per file of the set with the chosen
// columns, and a directory line before each directory's block.
#include <array>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "core/apply/executor.h"
#include "core/batch/batch.h"
#include "core/mp3/tinfo.h"

namespace sonavex {

inline constexpr std::size_t kExportColumnCount = 13;

// Which columns are written, in the fixed order of ExportColumnCaption
// (index 0 is the file name, index 12 the playing time), and between which
// separator: a tab or ';'.
struct ExportParams {
  std::array<bool, kExportColumnCount> columns{};
  char separator = '\t';
};

// The caption of the check box of column `index` (0 to 12), e.g. "Titel".
const char32_t* ExportColumnCaption(std::size_t index);

// True when at least one column is chosen; without one the export does
// nothing.
bool ExportHasWork(const ExportParams& params);

// LF, the directory, CR LF: what starts each directory's block.
std::string ExportDirectoryLine(std::string_view directory);

// The file's line in UTF-8, ended by CR LF: the chosen columns that the
// record has (columns from "Titel" on only for MP3 files), each trimmed,
// with the separator between them and no quoting.
std::string ExportFileLine(const TInfo& info, const ExportParams& params);

// The whole export of the file set (the marked names, or the directory
// tree when none is marked). Each file is loaded as SetDatei with
// `appendTag` loads it, so an untagged MP3 file gets its empty tag on the
// way; the files are read ahead, the tags are appended here in list order.
// A file that cannot be read is reported and gets no line; the export goes
// on.
std::string BuildExport(const std::string& directory,
                        const std::vector<std::string>& markedNames,
                        const BatchContext& context, const ExportParams& params,
                        const TInfo::TagAppender& appendTag);

struct ExportOutcome {
  bool written = false;       // the list is complete at its target
  bool tagsAppended = false;  // a journal batch of appended tags was made
};

// Runs the export and writes it to `target` ("-" for `standardOut`): a
// file is replaced only once its new content is complete. Appended tags go
// through `executor` as one journal batch. A list that cannot be written is
// reported with the target's path and the system's text.
ExportOutcome RunExport(const std::string& target, std::ostream& standardOut,
               const std::string& directory,
               const std::vector<std::string>& markedNames,
               const BatchContext& context, const ExportParams& params,
               const ExecutorContext& executor);

}  // namespace sonavex
