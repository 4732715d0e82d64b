#include "core/apply/describe.h"

#include <array>
#include <optional>

#include "core/fs/fs.h"
#include "core/journal/journal.h"
#include "core/mp3/id3v1.h"
#include "core/mp3/id3v2.h"
#include "core/mp3/tinfo.h"
#include "core/ops/text_replace.h"
#include "core/report/reporter.h"
#include "core/text/case.h"
#include "core/text/encoding.h"

namespace sonavex {
namespace {

constexpr char32_t kNoTag[] = U"kein ID3-Tag";
constexpr char32_t kEmptyTag[] = U"leerer ID3-Tag";
constexpr char32_t kContent[] = U"Inhalt";
constexpr char32_t kNoId3v2Tag[] = U"kein ID3v2-Tag";

// Files of subdirectories show the way down from the batch's directory.
std::string RelativeFile(const Plan& plan, const PlanStep& step) {
  std::string_view directory = step.directory;
  if (directory == plan.directory) return step.name;
  const std::string prefix = plan.directory.ends_with('/') ? plan.directory
                                                           : plan.directory + "/";
  if (directory.starts_with(prefix)) directory.remove_prefix(prefix.size());
  return JoinPath(directory, step.name);
}

// A message keeps its words on one line; a cell is one line high.
std::u32string OneLine(std::u32string_view text) {
  std::u32string line = WithPlainLineBreaks(text);
  for (char32_t& c : line) {
    if (c == U'\n') c = U' ';
  }
  return line;
}

// A line of a file as a cell shows it: a line of a file that is not
// meant to be read (megabytes without a line end) is cut short.
std::u32string Excerpt(std::u32string_view line) {
  constexpr std::size_t kMost = 300;
  if (line.size() <= kMost) return OneLine(line);
  return OneLine(line.substr(0, kMost)) + U"…";
}

// The three text fields as the grid shows them.
std::array<std::u32string, 3> TagFields(const std::string& bytes) {
  TInfo info;
  ReadTag(bytes, info);
  return {TrimBlanks(info.Titel), TrimBlanks(info.Interpret), TrimBlanks(info.Album)};
}

// The fields a tag write changes, before and after, e.g. "Titel: a".
void DescribeTagChange(const steps::TagWrite& step, StepWords& words) {
  if (!HasTagMarker(step.before)) {
    words.before = kNoTag;
    return;
  }
  static constexpr const char32_t* kNames[] = {U"Titel", U"Interpret", U"Album"};
  const std::array<std::u32string, 3> before = TagFields(step.before);
  const std::array<std::u32string, 3> after = TagFields(step.after);
  for (std::size_t field = 0; field < before.size(); ++field) {
    if (before[field] == after[field]) continue;
    const std::u32string separator = words.before.empty() ? U"" : U"; ";
    words.before += separator + kNames[field] + U": " + before[field];
    words.after += separator + kNames[field] + U": " + after[field];
  }
}

// The ID3v2 fields a write changes, before and after, e.g. "Titel: a".
void DescribeId3v2Change(const steps::Id3v2Write& step, StepWords& words) {
  static constexpr const char32_t* kNames[] = {U"Titel", U"Interpret", U"Album", U"Track",
                                               U"Jahr",  U"Kommentar", U"Genre"};
  const Id3v2Texts before = ReadId3v2(step.before).texts;
  const Id3v2Texts after = ReadId3v2(step.after).texts;
  if (step.before.empty()) words.before = kNoId3v2Tag;
  for (std::size_t field = 0; field < before.size(); ++field) {
    if (before[field] == after[field]) continue;
    const std::u32string separator = words.after.empty() ? U"" : U"; ";
    if (!step.before.empty()) {
      words.before += separator + kNames[field] + U": " + before[field];
    }
    words.after += separator + kNames[field] + U": " + after[field];
  }
}

// "Inhalt ersetzt (3 Zeilen): old → new", with the first line that changes.
std::u32string ContentChange(const steps::ContentReplace& step) {
  std::u32string text = DecodeUtf8(ContentReplacedText(step.changedLines, step.playlist));
  if (const std::optional<ChangedLine> line = FirstChangedLine(step.before, step.after)) {
    text += U": " + Excerpt(line->before) + U" → " + Excerpt(line->after);
  }
  return text;
}

std::u32string NoteOf(const PlanStep& step) {
  if (const StepMessage* message = MessageOf(step); message && !message->text.empty()) {
    return OneLine(message->text);
  }
  std::u32string note = OneLine(step.foreseen);
  if (!IsUndoable(step)) {
    if (!note.empty()) note += U' ';
    note += U"Kann nicht rückgängig gemacht werden.";
  }
  return note;
}

// What the step does to its file, in the preview's columns and on the dry
// run's line.
void DescribeChange(const PlanStep& step, StepWords& words) {
  const std::string path = JoinPath(step.directory, step.name);
  switch (Kind(step)) {
    case StepKind::Rename: {
      const std::string& newName = As<steps::Rename>(step).newName;
      words.action = U"Umbenennen";
      words.before = DecodeUtf8(step.name);
      words.after = DecodeUtf8(newName);
      words.line = path + "\t" + JoinPath(step.directory, newName);
      break;
    }
    case StepKind::TagWrite:
      words.action = U"ID3-Tag schreiben";
      DescribeTagChange(As<steps::TagWrite>(step), words);
      words.line = path + "\tTag geschrieben";
      break;
    case StepKind::TagAppend:
      words = {U"ID3-Tag anhängen", words.file, kNoTag, kEmptyTag, {}, path + "\tTag angehängt"};
      break;
    case StepKind::TagRemove:
      words = {U"ID3-Tag entfernen", words.file, kEmptyTag, kNoTag, {}, path + "\tTag entfernt"};
      break;
    case StepKind::ContentReplace: {
      const steps::ContentReplace& replace = As<steps::ContentReplace>(step);
      words.action = replace.playlist ? U"Playlist anpassen" : U"Inhalt ersetzen";
      words.before = kContent;
      words.after = replace.changedLines == 0 ? kContent : ContentChange(replace);
      words.line = path + "\t" + ContentReplacedText(replace.changedLines, replace.playlist);
      break;
    }
    case StepKind::Export: {
      const std::shared_ptr<const ExportJob>& job = As<steps::Export>(step).job;
      const std::string target = job ? job->target : path;
      words = {U"Liste exportieren", target, {}, U"Liste", {}, target + "\tListe geschrieben"};
      break;
    }
    case StepKind::FileCreate:
      words = {U"Datei anlegen", words.file, {}, kContent, {}, path + "\tDatei angelegt"};
      break;
    case StepKind::FileRemove:
      words = {U"Datei entfernen", words.file, kContent, {}, {}, path + "\tDatei entfernt"};
      break;
    case StepKind::Id3v2Write:
      words.action = U"ID3v2-Tag schreiben";
      DescribeId3v2Change(As<steps::Id3v2Write>(step), words);
      words.line = path + "\tID3v2-Tag geschrieben";
      break;
    case StepKind::Refuse:
      words.action = U"Abgelehnt";
      break;
    case StepKind::WalkFailure:
      words.action = U"Abbruch";
      words.file = step.directory;
      break;
  }
}

}  // namespace

bool CanBePerformed(const PlanStep& step) {
  if (const auto* replace = std::get_if<steps::ContentReplace>(&step.change)) {
    return replace->contentKept;
  }
  if (const auto* create = std::get_if<steps::FileCreate>(&step.change)) {
    return create->contentKept;
  }
  return true;
}

bool IsUndoable(const PlanStep& step) {
  const std::string* before = OldContentOf(step);
  const bool tooLarge =
      before != nullptr && static_cast<std::int64_t>(before->size()) > kMaxKeptContent;
  return CanBePerformed(step) && !tooLarge;
}

StepWords Describe(const Plan& plan, const PlanStep& step) {
  StepWords words;
  words.file = RelativeFile(plan, step);
  DescribeChange(step, words);
  words.note = Kind(step) == StepKind::Export
                   ? U"MP3-Dateien ohne ID3-Tag erhalten einen leeren ID3-Tag."
                   : NoteOf(step);
  return words;
}

}  // namespace sonavex
