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

const std::u32string& ColumnValue(const TInfo& info, std::size_t index) {
  static const std::u32string TInfo::*const kFields[kExportColumnCount] = {
      &TInfo::Name,  &TInfo::Typ,   &TInfo::Groesse, &TInfo::Datum,    &TInfo::Titel,
      &TInfo::Interpret, &TInfo::Album, &TInfo::MPEG, &TInfo::Layer,   &TInfo::Bitrate,
      &TInfo::SampFreq, &TInfo::Mode, &TInfo::Dauer};
  return info.*kFields[index];
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

}  // namespace sonavex
