#include "core/mp3/tinfo.h"

#include <algorithm>
#include <charconv>
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

void SplitFileName(const std::string& path, TInfo& info) {
  const std::u32string name = DecodeUtf8(SplitPath(path).name);
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
// `audioBytes` stands in for a byte count the summary does not give.
bool SetVbrDauer(std::int64_t audioBytes, const FoundFrame& frame, TInfo& info) {
  const auto params = FrameParamsOf(frame.header);
  if (!params) return false;
  const auto summary = ReadVbrSummary(frame.probe, *params);
  if (!summary) return false;
  const double seconds = static_cast<double>(summary->frames) *
                         params->samplesPerFrame / params->sampleRate;
  const double bytes = summary->bytes.value_or(0) != 0
                           ? static_cast<double>(*summary->bytes)
                           : static_cast<double>(audioBytes);
  const double kbps = std::round(bytes * 8 / seconds / 1000);
  info.Dauer = FormatDauer(seconds);
  info.Bitrate = DecimalText(static_cast<long long>(std::min(kbps, 999.0)));
  return true;
}

// The playing time counts the bytes behind the ID3v2 tags only: a cover
// picture there is no audio.
void SetDauer(std::int64_t size, const HeaderSearch& search, TInfo& info) {
  const std::int64_t audioBytes = std::max<std::int64_t>(size - search.audioStart, 0);
  if (search.frame && SetVbrDauer(audioBytes, *search.frame, info)) return;
  const long kbps = std::strtol(EncodeUtf8(info.Bitrate).c_str(), nullptr, 10);
  info.Dauer = FormatDauer(PlayingSeconds(audioBytes, std::max(kbps, 1L)));
}

// The last 128 bytes of a file of `size` bytes (fewer when it is shorter);
// a small file's tail comes with its first block, without a read of its own.
std::error_code ReadTail(FileBytes& bytes, std::int64_t size, std::string& tail) {
  const std::int64_t at = std::max<std::int64_t>(size - static_cast<std::int64_t>(kTagSize), 0);
  return bytes.Copy(at, kTagSize, tail);
}

// Reads the head and the tail of the open file whose size the caller looked
// up, and limits `bytes` to the audio, which ends before an ID3v1 tag.
// `tagMissing` tells of a file that ends in no tag.
std::error_code ReadHeadAndTail(FileBytes& bytes, std::string& tail, bool& tagMissing) {
  std::error_code ec;
  const std::int64_t size = bytes.size();
  bytes.From(0, 4, ec);
  if (ec || (ec = ReadTail(bytes, size, tail))) return ec;
  if (size >= static_cast<std::int64_t>(kTagSize) && HasTagMarker(tail)) {
    bytes.Limit(size - static_cast<std::int64_t>(kTagSize));
    return {};
  }
  tagMissing = true;
  return {};
}

void SetSizeAndDate(const FileStat& stat, TInfo& info) {
  info.Groesse = DecimalText(stat.size);
  info.Datum = FormatDatum(stat.modified);
}

// The tag, the MPEG data and the playing time from the bytes of a file
// (`bytes.size()` of them), which reach here from a file or from memory.
std::error_code ReadMp3Fields(FileBytes& bytes, TInfo& info, TagTail& tail,
                              bool& tagMissing) {
  const std::int64_t size = bytes.size();
  std::error_code ec = ReadHeadAndTail(bytes, tail.bytes, tagMissing);
  if (ec) return ec;
  tail.size = size;
  const HeaderSearch search = FindFrameHeader(bytes, ec);
  if (ec) return ec;
  if (search.frame) DecodeFrameHeader(search.frame->header, info);
  SetDauer(size, search, info);
  // Without its tag the end of the file is audio data, not text.
  if (HasTagMarker(tail.bytes)) ReadTag(tail.bytes, info);
  return {};
}

// Size and date come from the open file, which spares a second lookup of
// its path. The playing time is computed from that size too, which an empty
// tag added later does not change.
std::error_code ReadMp3(FileRead& read) {
  TInfo& info = read.info;
  SetMp3Defaults(info);
  std::error_code ec;
  FileHandle file = FileHandle::OpenRead(info.Datei, ec);
  if (ec) return ec;
  FileStat stat;
  if ((ec = StatFd(file.fd(), stat))) return ec;
  SetSizeAndDate(stat, info);
  FileBytes bytes(file, stat.size);
  if ((ec = ReadMp3Fields(bytes, info, read.tail, read.tagMissing))) return ec;
  return file.Close();
}

std::error_code ReadInto(FileRead& read) {
  TInfo& info = read.info;
  SplitFileName(info.Datei, info);
  info.IstMP3 = IsMp3Type(info.Typ);
  if (info.IstMP3) return ReadMp3(read);
  FileStat stat;
  if (const std::error_code ec = StatPath(info.Datei, stat)) return ec;
  SetSizeAndDate(stat, info);
  return {};
}

std::error_code Load(const std::string& path, const TInfo::TagAppender* appendTag,
                     TInfo& info) {
  if (path == info.Datei) return {};
  FileRead read = ReadFileInfo(path);
  const std::error_code ec = FinishRead(read, appendTag);
  info = std::move(read.info);
  return ec;
}

std::u32string TwoOrThreeDigits(long long value) {
  std::u32string text = DecimalText(value).substr(0, 3);
  return text.size() == 1 ? U"0" + text : text;
}

}  // namespace

std::error_code TInfo::SetDatei(const std::string& path) {
  return Load(path, nullptr, *this);
}

std::error_code TInfo::SetDatei(const std::string& path, const TagAppender& appendTag) {
  return Load(path, appendTag ? &appendTag : nullptr, *this);
}

void ReadMp3Bytes(std::string_view fileBytes, TInfo& info) {
  SetMp3Defaults(info);
  FileBytes bytes(fileBytes);
  TagTail tail;
  bool tagMissing = false;
  ReadMp3Fields(bytes, info, tail, tagMissing);
}

bool IsMp3Type(std::u32string_view typ) { return UpCaseUmlaut(typ) == U"MP3"; }

FileRead ReadFileInfo(const std::string& path) {
  FileRead read;
  read.info.Datei = path;
  read.error = ReadInto(read);
  return read;
}

std::error_code FinishRead(FileRead& read, const TInfo::TagAppender* appendTag) {
  const bool appended = read.tagMissing && appendTag != nullptr && *appendTag &&
                        (*appendTag)(read.info.Datei, read.tail.size);
  // The fields of the empty tag the file has now, unless a failure of the
  // reading left the record incomplete.
  if (appended && !read.error) ReadTag(EmptyTag(), read.info);
  return read.error;
}

std::int64_t PlayingSeconds(std::int64_t size, long bitrateKbps) {
  // size × 8 ÷ (kbit/s × 1000) in whole numbers: exact, so that a file of
  // exactly 60 seconds never shows as 00:59 the way a rounded floating
  // quotient could.
  if (size <= 0 || bitrateKbps <= 0) return 0;
  return size / (static_cast<std::int64_t>(bitrateKbps) * 125);
}

std::u32string DecimalText(long long value) {
  char digits[24];
  const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
  return std::u32string(digits, end);
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
  std::u32string text = U"DD.MM.YY HH:NN";
  const auto put = [&text](std::size_t at, int value) {
    text[at] = static_cast<char32_t>(U'0' + value / 10);
    text[at + 1] = static_cast<char32_t>(U'0' + value % 10);
  };
  put(0, local.tm_mday);
  put(3, local.tm_mon + 1);
  put(6, (local.tm_year % 100 + 100) % 100);
  put(9, local.tm_hour);
  put(12, local.tm_min);
  return text;
}

}  // namespace sonavex
