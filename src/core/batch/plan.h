#pragma once
// A plan: what a batch will do to each file of its file set, in the order
// the batch runs, computed before anything is touched. The executor
// (core/apply) performs a plan; the preview shows one; undo builds one from
// the journal.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/batch/batch.h"
#include "core/ops/export.h"
#include "core/report/reporter.h"

namespace sonavex {

enum class StepKind {
  Rename,          // directory/name -> directory/newName, never replacing
  TagWrite,        // the file's last 128 bytes: `before` -> `after`
  TagAppend,       // an empty tag appended to a file of sizeBefore bytes
  TagRemove,       // the empty tag appended earlier cut off again (undo only)
  ContentReplace,  // the whole content: `before` -> `after`
  Refuse,          // a message shown in place of a change (the rule's refusal)
  WalkFailure,     // the walk could not list a directory: message, batch ends
  Export,          // the list export of `exportJob` over the set of `directory`
  FileCreate,      // a new file of content `after`, never replacing one
  FileRemove,      // a file holding `before` removed (undo of a FileCreate)
  Id3v2Write,      // the ID3v2 tag at the file's start: `before` (empty when
                   // none) -> `after`; in place when both are as long
};

// What an export step writes: the list of a file set, read when the step
// runs (the set is walked then, not when the plan is made, so that a
// target that cannot be written is found before any file is touched).
struct ExportJob {
  std::string target;  // the list's full path, or "-" for standard output
  std::vector<std::string> markedNames;
  BatchContext context;  // mask, subdirectories, status bar; not the reporter
  ExportParams params;
};

// One step of a plan. `directory` and `name` address the file as it is
// named when the step runs (earlier steps of the same plan included).
struct PlanStep {
  StepKind kind = StepKind::Rename;
  std::string directory{};
  std::string name{};
  std::string newName{};      // Rename
  std::string before{};       // TagWrite (128 bytes), ContentReplace, Id3v2Write
  std::string after{};        // TagWrite (128 bytes), ContentReplace, Id3v2Write
  std::int64_t sizeBefore = 0;  // TagAppend, TagRemove
  int changedLines = 0;         // ContentReplace: the lines whose text changes
  bool playlist = false;        // ContentReplace: a playlist following renames
  // A playlist's step: old and new full path of each file its new lines
  // name. Should a file still be under its old name, or missing under its
  // new one, when the step runs (its rename failed), the playlist is left
  // as it is: a line never names a file the batch did not rename.
  std::vector<std::pair<std::string, std::string>> renamedFiles{};
  std::shared_ptr<const ExportJob> exportJob{};  // Export
  // Refuse and WalkFailure: the message as the executor reports it.
  MessageKind messageKind = MessageKind::Warning;
  std::u32string message{};
  MessageButton button = MessageButton::Ok;
  // What the planner foresees for the preview, e.g. a collision with a file
  // that exists (or will exist by an earlier step) under the new name:
  // the text the user would be shown. Empty when nothing is foreseen. The
  // executor never relies on it: it performs the step and reports what
  // really happens.
  std::u32string foreseen{};
  // Undo only: the step cannot be taken back (e.g. content too large to
  // have been kept); the preview lists it, the executor skips it.
  bool notUndoable = false;
};

// The letters of the changes made by hand, beside the operations' own.
inline constexpr char kRenameByHand = 'H';  // the dialog "Umbenennen"
inline constexpr char kTagFieldEdit = 'F';  // a tag field edited in the grid
// Untagged MP3 files given their empty tag as the grid or the status bar
// read them.
inline constexpr char kTagOnRead = 'J';
inline constexpr char32_t kTagOnReadCaption[] = U"ID3Tag angelegt";
// The list export ("Datei" > "Exportieren").
inline constexpr char kExportList = 'P';
inline constexpr char32_t kExportCaption[] = U"Exportieren";

struct Plan {
  char operation = 0;           // the operation's letter ('U' never occurs)
  std::u32string caption;       // e.g. U"Großbuchstaben abc->Abc"
  std::string parameters;       // a text for the journal, e.g. "search=a\treplacement=b"
  std::string directory;        // the directory the batch started in
  std::int64_t undoes = 0;      // for an undo plan: the journal batch it takes back
  std::vector<PlanStep> steps;
  // Undo only: temporary files of content replacements that the batch, cut
  // off by a crash or kill, left behind; the executor removes them first.
  std::vector<std::string> leftovers;
};

// Counts for the preview's last line.
struct PlanCounts {
  int renames = 0;
  int tagWrites = 0;     // TagWrite, TagAppend, TagRemove, Id3v2Write
  int contents = 0;      // ContentReplace, Export, FileCreate, FileRemove
  int refusals = 0;      // Refuse, WalkFailure
  int foreseenFailures = 0;
};
PlanCounts CountSteps(const Plan& plan);

// How a content replacement is named in a preview: "Inhalt ersetzt" (a
// playlist: "Playlist angepasst"), with the number of changed lines when it
// is known, e.g. "(3 Zeilen)". UTF-8.
std::string ContentReplacedText(int changedLines, bool playlist = false);

}  // namespace sonavex
