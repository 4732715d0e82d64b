#include "core/mp3/tinfo.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>

#include "core/fs/fs.h"
#include "core/mp3/frame_header.h"
#include "core/mp3/id3v1.h"
#include "core/text/case.h"
#include "core/text/encoding.h"

namespace sonavex {
namespace {

std::u32string Decimal(long long value) { return DecodeUtf8(std::to_string(value)); }

void SplitFileName(const std::string& path, TInfo& info) {
  const std::size_t slash = path.rfind('/');
  const std::u32string name =
      DecodeUtf8(slash == std::string::npos ? path : path.substr(slash + 1));
  const std::size_t dot = name.rfind(U'.');
  info.Name = name.substr(0, dot);
  info.Typ = dot == std::u32string::npos ? U"" : name.substr(dot + 1);
}

void SetMp3Defaults(TInfo& info) {
  info.Titel.clear();
  info.Interpret.clear();
  info.Album.clear();
  info.MPEG = U"x";
  info.Layer = U"x";
  info.Bitrate = U"1";
  info.SampFreq = U"x";
  info.Mode = U"x";
}

// An encoder's VBR summary gives the true playing time; the first frame's
// bit rate would be off by the ratio of that frame to the stream's average.
bool SetVbrDauer(std::int64_t size, const FoundFrame& frame, TInfo& info) {
  const auto params = FrameParamsOf(frame.header);
  if (!params) return false;
  const auto summary = ReadVbrSummary(frame.probe, *params);
  if (!summary) return false;
  const double seconds = static_cast<double>(summary->frames) *
                         params->samplesPerFrame / params->sampleRate;
  const double bytes = summary->bytes.value_or(0) != 0
                           ? static_cast<double>(*summary->bytes)
                           : static_cast<double>(size);
  const double kbps = std::round(bytes * 8 / seconds / 1000);
  info.Dauer = FormatDauer(seconds);
  info.Bitrate = Decimal(static_cast<long long>(std::min(kbps, 999.0)));
  return true;
}

void SetDauer(std::int64_t size, const std::optional<FoundFrame>& frame,
              TInfo& info) {
  if (frame && SetVbrDauer(size, *frame, info)) return;
  const long kbps = std::strtol(EncodeUtf8(info.Bitrate).c_str(), nullptr, 10);
  info.Dauer = FormatDauer(PlayingSeconds(size, std::max(kbps, 1L)));
}

std::error_code ReadTail(const FileHandle& file, std::int64_t size,
                         std::string& tail) {
  if (size < static_cast<std::int64_t>(kTagSize)) {
    tail.clear();
    return {};
  }
  return ReadAt(file.fd(), size - static_cast<std::int64_t>(kTagSize), kTagSize, tail);
}

// Reads the last 128 bytes of the open file whose size the caller looked up;
// an untagged file first gets its empty tag when a reporter is given.
// Looking before calling EnsureTag spares tagged files a second open.
std::error_code ReadTailEnsuringTag(const FileHandle& file, Reporter* tagReporter,
                                    const std::string& path, std::int64_t& size,
                                    std::string& tail) {
  std::error_code ec = ReadTail(file, size, tail);
  if (ec || HasTagMarker(tail) || tagReporter == nullptr) return ec;
  if (!EnsureTag(path, *tagReporter)) return {};
  size = file.Size(ec);
  if (ec) return ec;
  return ReadTail(file, size, tail);
}

// `statSize` is the size before an empty tag was added: the playing time
// is computed from it.
std::error_code LoadMp3(std::int64_t statSize, Reporter* tagReporter, TInfo& info) {
  SetMp3Defaults(info);
  std::error_code ec;
  FileHandle file = FileHandle::OpenRead(info.Datei, ec);
  if (ec) return ec;
  std::int64_t size = statSize;
  std::string tail;
  if ((ec = ReadTailEnsuringTag(file, tagReporter, info.Datei, size, tail))) return ec;
  const auto frame = FindFrameHeader(file, size, ec);
  if (ec) return ec;
  if (frame) DecodeFrameHeader(frame->header, info);
  SetDauer(statSize, frame, info);
  // Without its tag (one could not be written) the end of the file is audio
  // data, not text.
  if (HasTagMarker(tail)) ReadTag(tail, info);
  return file.Close();
}

std::error_code Load(const std::string& path, Reporter* tagReporter, TInfo& info) {
  if (path == info.Datei) return {};
  info.Datei = path;
  SplitFileName(path, info);
  FileStat stat;
  if (const std::error_code ec = StatPath(path, stat)) return ec;
  info.Groesse = Decimal(stat.size);
  info.Datum = FormatDatum(stat.modified);
  info.IstMP3 = UpCaseUmlaut(info.Typ) == U"MP3";
  if (!info.IstMP3) return {};
  return LoadMp3(stat.size, tagReporter, info);
}

std::u32string TwoOrThreeDigits(long long value) {
  std::u32string text = Decimal(value).substr(0, 3);
  return text.size() == 1 ? U"0" + text : text;
}

}  // namespace

std::error_code TInfo::SetDatei(const std::string& path) {
  return Load(path, nullptr, *this);
}

std::error_code TInfo::SetDatei(const std::string& path, Reporter& tagReporter) {
  return Load(path, &tagReporter, *this);
}

double PlayingSeconds(std::int64_t size, long bitrateKbps) {
  const double seconds =
      static_cast<double>(size) / (static_cast<double>(bitrateKbps) * 1000.0 / 8.0);
  // Rounding to 15 significant digits lets a quotient such as 59.99999...
  // that stands for a whole 60 seconds show as 01:00.
  char text[64];
  std::snprintf(text, sizeof text, "%.14e", seconds);
  return std::strtod(text, nullptr);
}

std::u32string FormatDauer(double seconds) {
  const long long whole =
      std::isfinite(seconds) && seconds > 0
          ? static_cast<long long>(std::min(seconds, 9.0e18))
          : 0;
  const std::u32string text =
      TwoOrThreeDigits(whole / 60) + U":" + TwoOrThreeDigits(whole % 60);
  return text.substr(0, 6);
}

std::u32string FormatDatum(std::int64_t modifiedEpochSeconds) {
  const std::time_t time = static_cast<std::time_t>(modifiedEpochSeconds);
  std::tm local{};
  localtime_r(&time, &local);
  char text[64];
  std::snprintf(text, sizeof text, "%02d.%02d.%02d %02d:%02d", local.tm_mday,
                local.tm_mon + 1, (local.tm_year % 100 + 100) % 100, local.tm_hour, local.tm_min);
  return DecodeUtf8(text);
}

}  // namespace sonavex
