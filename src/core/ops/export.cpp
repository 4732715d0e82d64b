#include "core/ops/export.h"

#include <algorithm>

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

// A text trimmed as every column is, from UTF-8 to UTF-8.
void AppendTrimmed(std::string& line, std::string_view text) {
  EncodeUtf8Into(line, TrimBlanks(DecodeUtf8(text)));
}

// The file name's part before its last dot, or the part after it: a dot is
// never part of another character's bytes, so the bytes split as the text.
void AppendNamePart(std::string& line, std::string_view name, bool type) {
  const std::size_t dot = name.rfind('.');
  if (!type) return AppendTrimmed(line, name.substr(0, dot));
  if (dot != std::string_view::npos) AppendTrimmed(line, name.substr(dot + 1));
}

void AppendColumn(std::string& line, const InfoRecord& record, std::size_t index) {
  static constexpr InfoField kFields[kExportColumnCount] = {
      InfoField::Name,      InfoField::Name,  InfoField::Groesse, InfoField::Datum,
      InfoField::Titel,     InfoField::Interpret, InfoField::Album, InfoField::Mpeg,
      InfoField::Layer,     InfoField::Bitrate, InfoField::SampFreq, InfoField::Mode,
      InfoField::Dauer};
  if (index < 2) return AppendNamePart(line, record.name, index == 1);
  AppendValueUtf8(line, record, kFields[index]);
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

std::string ExportFileLine(const InfoRecord& record, const ExportParams& params) {
  const std::size_t present = record.isMp3 ? kExportColumnCount : kFirstMp3Column;
  std::string line;
  bool first = true;
  for (std::size_t i = 0; i < present; ++i) {
    if (!params.columns[i]) continue;
    if (!first) line += params.separator;
    first = false;
    AppendColumn(line, record, i);
  }
  line += "\r\n";
  return line;
}

}  // namespace sonavex
