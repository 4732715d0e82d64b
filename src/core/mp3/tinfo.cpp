#include "core/mp3/tinfo.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <optional>

#include "core/fs/fs.h"
#include "core/mp3/frame_header.h"
#include "core/mp3/id3v1.h"
#include "core/text/case.h"
#include "core/text/encoding.h"
#include "core/text/path.h"

namespace sonavex {
namespace {

// Name and type of `info` from the file name its record holds.
void RenderNameAndType(TInfo& info) {
  const std::u32string name = DecodeUtf8(info.record.name);
  const std::size_t dot = name.rfind(U'.');
  info.Name = name.substr(0, dot);
  info.Typ = dot == std::u32string::npos ? U"" : name.substr(dot + 1);
}

// Starts the MP3 values of `record` afresh, as for a file without header
// and tag.
void ResetMp3Values(InfoRecord& record) {
  InfoRecord fresh;
  fresh.name = std::move(record.name);
  fresh.size = record.size;
  fresh.modified = record.modified;
  fresh.statKnown = record.statKnown;
  fresh.isMp3 = record.isMp3;
  record = std::move(fresh);
}

// The MP3 text fields of `info` (Titel to Dauer) from its record.
void RenderMp3Texts(TInfo& info) {
  const InfoRecord& record = info.record;
  info.Titel = ValueText(record, InfoField::Titel);
  info.Interpret = ValueText(record, InfoField::Interpret);
  info.Album = ValueText(record, InfoField::Album);
  info.MPEG = ValueText(record, InfoField::Mpeg);
  info.Layer = ValueText(record, InfoField::Layer);
  info.Bitrate = ValueText(record, InfoField::Bitrate);
  info.SampFreq = ValueText(record, InfoField::SampFreq);
  info.Mode = ValueText(record, InfoField::Mode);
  info.Dauer = ValueText(record, InfoField::Dauer);
}

// The text fields of `info` from its record.
void RenderTexts(TInfo& info) {
  RenderNameAndType(info);
  info.Groesse = ValueText(info.record, InfoField::Groesse);
  info.Datum = ValueText(info.record, InfoField::Datum);
  info.IstMP3 = info.record.isMp3;
  if (info.IstMP3) RenderMp3Texts(info);
}

// An encoder's VBR summary gives the true playing time; the first frame's
// bit rate would be off by the ratio of that frame to the stream's average.
// `audioBytes` stands in for a byte count the summary does not give.
bool SetVbrDauer(std::int64_t audioBytes, const FoundFrame& frame, InfoRecord& record) {
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
  record.seconds = WholeSeconds(seconds);
  record.bitrateKbps = static_cast<std::int32_t>(std::min(kbps, 999.0));
  record.timed = true;
  return true;
}

// The playing time counts the bytes behind the ID3v2 tags only: a cover
// picture there is no audio.
void SetDauer(std::int64_t size, const HeaderSearch& search, InfoRecord& record) {
  const std::int64_t audioBytes = std::max<std::int64_t>(size - search.audioStart, 0);
  if (search.frame && SetVbrDauer(audioBytes, *search.frame, record)) return;
  record.seconds = PlayingSeconds(audioBytes, std::max(record.bitrateKbps, 1));
  record.timed = true;
}

// The last 128 bytes of a file of `size` bytes (fewer when it is shorter);
// a small file's tail comes with its first block, without a read of its own.
std::error_code ReadTail(FileBytes& bytes, std::int64_t size, std::string& tail) {
  const std::int64_t at = std::max<std::int64_t>(size - static_cast<std::int64_t>(kTagSize), 0);
  return bytes.Copy(at, kTagSize, tail);
}

// Whether a reading parses the file's ID3v2 tag.
enum class Id3v2Reading : bool { Skip, Parse };

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

// The first ID3v2 tag, when the file starts with one.
std::error_code ReadId3v2Tag(FileBytes& bytes, InfoRecord& record) {
  std::string tag;
  if (const std::error_code ec = ReadId3v2Bytes(bytes, tag)) return ec;
  if (!tag.empty()) record.id3v2 = std::make_shared<const Id3v2Info>(ReadId3v2(tag));
  return {};
}

void SetSizeAndDate(const FileStat& stat, InfoRecord& record) {
  record.size = stat.size;
  record.modified = stat.modified;
  record.statKnown = true;
}

// The tag, the MPEG data and the playing time from the bytes of a file
// (`bytes.size()` of them), which reach here from a file or from memory.
std::error_code ReadMp3Fields(FileBytes& bytes, InfoRecord& record, TagTail& tail,
                              bool& tagMissing, Id3v2Reading id3v2) {
  const std::int64_t size = bytes.size();
  std::error_code ec = ReadHeadAndTail(bytes, tail.bytes, tagMissing);
  if (ec) return ec;
  tail.size = size;
  if (id3v2 == Id3v2Reading::Parse && (ec = ReadId3v2Tag(bytes, record))) return ec;
  const HeaderSearch search = FindFrameHeader(bytes, ec);
  if (ec) return ec;
  if (search.frame) DecodeFrameHeader(search.frame->header, record);
  SetDauer(size, search, record);
  // Without its tag the end of the file is audio data, not text.
  if (HasTagMarker(tail.bytes)) SetTagFields(record, tail.bytes);
  return {};
}

// Size and date come from the open file, which spares a second lookup of
// its path. The playing time is computed from that size too, which an empty
// tag added later does not change.
std::error_code ReadMp3(FileRead& read, Id3v2Reading id3v2) {
  InfoRecord& record = read.info.record;
  std::error_code ec;
  FileHandle file = FileHandle::OpenRead(read.info.Datei, ec);
  if (ec) return ec;
  FileStat stat;
  if ((ec = StatFd(file.fd(), stat))) return ec;
  SetSizeAndDate(stat, record);
  FileBytes bytes(file, stat.size);
  if ((ec = ReadMp3Fields(bytes, record, read.tail, read.tagMissing, id3v2))) return ec;
  return file.Close();
}

std::error_code ReadInto(FileRead& read, Id3v2Reading id3v2) {
  TInfo& info = read.info;
  info.record.name.assign(info.Datei, LastSlash(info.Datei) + 1);
  info.record.isMp3 = IsMp3Name(info.record.name);
  if (info.record.isMp3) return ReadMp3(read, id3v2);
  FileStat stat;
  if (const std::error_code ec = StatPath(info.Datei, stat)) return ec;
  SetSizeAndDate(stat, info.record);
  return {};
}

FileRead ReadRecord(const std::string& path, Id3v2Reading id3v2) {
  FileRead read;
  read.info.Datei = path;
  read.error = ReadInto(read, id3v2);
  read.info.IstMP3 = read.info.record.isMp3;
  return read;
}

std::error_code Load(const std::string& path, const TInfo::TagAppender* appendTag,
                     TInfo& info) {
  if (path == info.Datei) return {};
  FileRead read = ReadFileInfo(path);
  const std::error_code ec = FinishRead(read, appendTag);
  info = std::move(read.info);
  return ec;
}

// `value` in decimal cut to three digits, given a leading "0" when it has
// one; the digits go to `at`, their count is returned.
std::size_t PutTwoOrThreeDigits(char* at, long long value) {
  char digits[24];
  const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
  const auto count = std::min<std::size_t>(static_cast<std::size_t>(end - digits), 3);
  if (count != 1) return static_cast<std::size_t>(std::copy_n(digits, count, at) - at);
  at[0] = '0';
  at[1] = digits[0];
  return 2;
}

// "DD.MM.YY HH:NN" of the local time `local`.
void PutDatum(const std::tm& local, char (&text)[15]) {
  const auto put = [&text](std::size_t at, int value) {
    text[at] = static_cast<char>('0' + value / 10);
    text[at + 1] = static_cast<char>('0' + value % 10);
  };
  std::copy_n("DD.MM.YY HH:NN", 14, text);
  put(0, local.tm_mday);
  put(3, local.tm_mon + 1);
  put(6, (local.tm_year % 100 + 100) % 100);
  put(9, local.tm_hour);
  put(12, local.tm_min);
}

}  // namespace

std::error_code ReadId3v2Bytes(FileBytes& bytes, std::string& tag) {
  std::error_code ec;
  const std::int64_t length = Id3v2Length(bytes.From(0, 10, ec).substr(0, 10));
  if (ec || length == 0) return ec;
  return bytes.Copy(0, static_cast<std::size_t>(length), tag);
}

std::error_code TInfo::SetDatei(const std::string& path) {
  return Load(path, nullptr, *this);
}

std::error_code TInfo::SetDatei(const std::string& path, const TagAppender& appendTag) {
  return Load(path, appendTag ? &appendTag : nullptr, *this);
}

void ReadMp3Bytes(std::string_view fileBytes, TInfo& info) {
  InfoRecord& record = info.record;
  ResetMp3Values(record);
  record.isMp3 = true;
  FileBytes bytes(fileBytes);
  TagTail tail;
  bool tagMissing = false;
  ReadMp3Fields(bytes, record, tail, tagMissing, Id3v2Reading::Parse);
  RenderMp3Texts(info);
}

bool IsMp3Type(std::u32string_view typ) { return UpCaseUmlaut(typ) == U"MP3"; }

const FileHandle& OpenForTags(const std::string& path, bool keep, FileHandle& own,
                              FileRead& read) {
  if (!keep) {
    own = FileHandle::OpenRead(path, read.error);
    return own;
  }
  bool writable = false;
  own = FileHandle::OpenReadForChange(path, read.error, writable);
  if (!writable) return own;
  read.open = std::move(own);
  return read.open;
}

// Only the extension is decoded: a "." byte is always a dot of its own in
// the decoded name, also next to bytes that are not UTF-8.
bool IsMp3Name(std::string_view fileName) {
  const std::size_t dot = fileName.rfind('.');
  return dot != std::string_view::npos && IsMp3Type(DecodeUtf8(fileName.substr(dot + 1)));
}

FileRead ReadFileInfo(const std::string& path) {
  FileRead read = ReadFileRecord(path);
  RenderTexts(read.info);
  return read;
}

FileRead ReadFileInfoWithoutId3v2(const std::string& path) {
  FileRead read = ReadFileRecordWithoutId3v2(path);
  RenderTexts(read.info);
  return read;
}

FileRead ReadFileRecord(const std::string& path) {
  return ReadRecord(path, Id3v2Reading::Parse);
}

FileRead ReadFileRecordWithoutId3v2(const std::string& path) {
  return ReadRecord(path, Id3v2Reading::Skip);
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

void AppendDecimalAscii(std::string& out, long long value) {
  char digits[24];
  const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, end);
}

std::string DecimalAscii(long long value) {
  std::string text;
  AppendDecimalAscii(text, value);
  return text;
}

std::u32string DecimalText(long long value) { return WidenAscii(DecimalAscii(value)); }

std::int64_t WholeSeconds(double seconds) {
  return std::isfinite(seconds) && seconds > 0
             ? static_cast<std::int64_t>(std::min(seconds, 9.0e18))
             : 0;
}

std::u32string FormatDauer(double seconds) { return FormatWholeSeconds(WholeSeconds(seconds)); }

void AppendWholeSecondsAscii(std::string& out, std::int64_t whole) {
  char text[8];
  std::size_t size = PutTwoOrThreeDigits(text, whole / 60);
  text[size++] = ':';
  size += PutTwoOrThreeDigits(text + size, whole % 60);
  out.append(text, std::min<std::size_t>(size, 6));
}

std::string WholeSecondsAscii(std::int64_t whole) {
  std::string text;
  AppendWholeSecondsAscii(text, whole);
  return text;
}

std::u32string FormatWholeSeconds(std::int64_t whole) {
  return WidenAscii(WholeSecondsAscii(whole));
}

std::u32string FormatDatum(std::int64_t modifiedEpochSeconds) {
  return WidenAscii(DatumAscii(modifiedEpochSeconds));
}

// The files of a folder mostly share the minute they were written in, and
// the conversion to local time is the dearest part: each thread keeps the
// text of the last local minute it made. The offset from UTC changes only
// at whole minutes of local time, so a minute holds a single text.
void AppendDatumAscii(std::string& out, std::int64_t modifiedEpochSeconds) {
  thread_local std::int64_t minuteStart = 0;
  thread_local char text[15] = {};  // empty until the first minute is made
  if (text[0] == '\0' || modifiedEpochSeconds < minuteStart ||
      modifiedEpochSeconds - minuteStart >= 60) {
    const std::time_t time = static_cast<std::time_t>(modifiedEpochSeconds);
    std::tm local{};
    localtime_r(&time, &local);
    PutDatum(local, text);
    minuteStart = modifiedEpochSeconds - local.tm_sec;
  }
  out.append(text, 14);
}

std::string DatumAscii(std::int64_t modifiedEpochSeconds) {
  std::string text;
  AppendDatumAscii(text, modifiedEpochSeconds);
  return text;
}

}  // namespace sonavex
