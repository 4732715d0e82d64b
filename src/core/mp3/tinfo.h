#pragma once
// The information record of one file: name and type, size and date, and for
// MP3 files the ID3v1 title, artist and album, the first frame's MPEG data and
// the playing time. What was read is kept typed in `record`; the text fields
// are made from it for the rules that work on text.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <system_error>

#include "core/fs/fs.h"
#include "core/mp3/id3v1.h"
#include "core/mp3/info_record.h"

namespace sonavex {

struct TInfo {
  InfoRecord record;
  std::u32string Name;       // file name without its extension
  std::u32string Typ;        // extension without the "."
  std::u32string Groesse;    // size in bytes, decimal
  std::u32string Datum;      // last write, local time, "DD.MM.YY HH:NN"
  bool IstMP3 = false;       // the fields below are valid only when true
  std::u32string Titel;      // up to 30 characters each
  std::u32string Interpret;
  std::u32string Album;
  std::u32string MPEG;       // "1", "2", "2.5"; "x" without header
  std::u32string Layer;      // "1", "2", "3", "?"; "x" without header
  std::u32string Bitrate;    // kbit/s; "1" when not decoded
  std::u32string SampFreq;   // Hz; "x" when not decoded
  std::u32string Mode;       // "Stereo", "Joint Stereo", "Dual-Channel", "Mono", "x"
  std::u32string Dauer;      // "mm:ss"
  std::string Datei;         // the path of the last SetDatei

  // Loads the record from the file at `path` (full path). Only reads: the
  // file is opened read-only and its permissions are left alone. A second
  // call with the same path returns at once. Errors of reading the file are
  // returned; the record then holds what was loaded before the error.
  std::error_code SetDatei(const std::string& path);

  // Gives the untagged MP3 file at `path`, `size` bytes long as it was
  // read, its empty tag; true when the file has that tag now. The caller
  // reports a failure its own way.
  using TagAppender = std::function<bool(const std::string& path, std::int64_t size)>;

  // The same, but an MP3 file without an ID3v1 tag first gets its empty tag
  // through `appendTag`, as the info views and the tag operations need.
  // Groesse and Datum still describe the file as it was before.
  std::error_code SetDatei(const std::string& path, const TagAppender& appendTag);
};

// True for the file type (extension without its dot) of an MP3 file: "MP3"
// in any letter case.
bool IsMp3Type(std::u32string_view typ);
// True for the name of an MP3 file (with or without its folder).
bool IsMp3Name(std::string_view fileName);

// What reading a file gives before anything is written to it: the record as
// SetDatei(path) loads it (always reading the file), the failure that ended
// the reading (the record then holds what was read before it), and for an
// MP3 file its size and last 128 bytes as read, so that a tag writer need
// not read the file a second time. Reads of different files share nothing,
// so several may run at once on different threads.
class FileBytes;

struct FileRead {
  TInfo info;
  std::error_code error;
  // An MP3 file that was read as far as its end and holds no tag there:
  // the appender of SetDatei is due for it, even when a later read failed.
  bool tagMissing = false;
  TagTail tail;
  // The bytes of the file's first ID3v2 tag, for a reader that asks for
  // them (the tag syncs); empty for a file without.
  std::string id3v2Tag;
  // The file, open for reading and writing, for a reader asked to leave it
  // open for the batch's change of it; invalid otherwise.
  FileHandle open;
};
FileRead ReadFileInfo(const std::string& path);
// Opens the file a reader of tags reads through. With `keep` (the batch
// changes the files it reads right away) it is opened for writing too where
// it may be written, and then stays open in `read.open` for the change;
// otherwise it is opened for reading into `own`. A failure is in
// `read.error`.
const FileHandle& OpenForTags(const std::string& path, bool keep, FileHandle& own,
                              FileRead& read);
// ReadFileInfo for a caller that shows no ID3v2 value (the export): the
// file's ID3v2 tag is neither read nor parsed (`record.id3v2` stays empty).
FileRead ReadFileInfoWithoutId3v2(const std::string& path);

// The bytes of the ID3v2 tag the file starts with (fewer when the file ends
// before the length its header gives), or nothing for a file without one.
// A tag of a few kilobytes comes with the first block that `bytes` reads.
std::error_code ReadId3v2Bytes(FileBytes& bytes, std::string& tag);
// ReadFileInfo for a caller that shows the record itself: the text fields
// of the TInfo (Groesse to Dauer) stay empty.
FileRead ReadFileRecord(const std::string& path);
// ReadFileRecord for a caller that shows no ID3v2 value: the file's ID3v2
// tag is neither read nor parsed (`record.id3v2` stays empty).
FileRead ReadFileRecordWithoutId3v2(const std::string& path);

// Ends what ReadFileInfo began the way SetDatei(path, *appendTag) would
// have: an untagged MP3 file gets its empty tag through `appendTag` (when
// given) and the record then shows that tag's fields. Returns the error of
// the reading.
std::error_code FinishRead(FileRead& read, const TInfo::TagAppender* appendTag);

// The MP3 fields of `info` (Titel to Dauer) from the whole content of a
// file given as bytes, exactly as SetDatei reads them from the file.
void ReadMp3Bytes(std::string_view fileBytes, TInfo& info);

// The playing time text of `seconds`: whole minutes and seconds, each cut to
// three digits and given a leading "0" when it has one, joined by ":".
std::u32string FormatDauer(double seconds);

// The whole seconds of playing time of `size` bytes at `bitrateKbps`.
std::int64_t PlayingSeconds(std::int64_t size, long bitrateKbps);

// The whole seconds of a playing time of `seconds` (0 for none, or for a
// value that is not finite).
std::int64_t WholeSeconds(double seconds);

// The playing time text of `whole` seconds, as FormatDauer.
std::u32string FormatWholeSeconds(std::int64_t whole);

// `value` as a decimal text.
std::u32string DecimalText(long long value);

// "DD.MM.YY HH:NN" in local time.
std::u32string FormatDatum(std::int64_t modifiedEpochSeconds);

// The three texts above as the ASCII bytes they are made of: a line of
// output takes them without a detour through wide characters.
std::string WholeSecondsAscii(std::int64_t whole);
std::string DecimalAscii(long long value);
std::string DatumAscii(std::int64_t modifiedEpochSeconds);
// The same texts appended to `out`.
void AppendWholeSecondsAscii(std::string& out, std::int64_t whole);
void AppendDecimalAscii(std::string& out, long long value);
void AppendDatumAscii(std::string& out, std::int64_t modifiedEpochSeconds);

}  // namespace sonavex
