#pragma once
// The list export: one text line per file of the set with the chosen
// columns, and a directory line before each directory's block.
#include <array>
#include <string>
#include <string_view>

#include "core/mp3/info_record.h"

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
std::string ExportFileLine(const InfoRecord& record, const ExportParams& params);

}  // namespace sonavex
