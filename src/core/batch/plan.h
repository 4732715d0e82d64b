#pragma once
// A plan: what a batch will do to each file of its file set, in the order
// the batch runs, computed before anything is touched. The executor
// (core/apply) performs a plan; the preview shows one; undo builds one from
// the journal.
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "core/batch/batch.h"
#include "core/batch/registry.h"
#include "core/fs/open_files.h"
#include "core/ops/export.h"
#include "core/report/reporter.h"

namespace sonavex {

// How to add a kind of step:
//  1. a struct below with the fields only that kind needs, and its
//     alternative at the end of StepChange and its enumerator at the end of
//     StepKind (a static_assert in plan.cpp checks that the two agree);
//  2. a case in Describe and, should it not be undoable, in IsUndoable
//     (core/apply/describe.cpp): the preview, the dry run and the executor
//     take their words and that decision from there;
//  3. a case in CountSteps and in the executor's StepRunner::Perform and,
//     when the journal records it, an ActionKind, a case in the executor's
//     FillAction and the inverse step in undo's Inverse.
// The compiler names every switch over StepKind that misses the new kind.
enum class StepKind {
  Rename,          // directory/name -> directory/newName, never replacing
  TagWrite,        // the file's last 128 bytes: `before` -> `after`
  TagAppend,       // an empty tag appended to a file of sizeBefore bytes
  TagRemove,       // the empty tag appended earlier cut off again (undo only)
  ContentReplace,  // the whole content: `before` -> `after`
  Refuse,          // a message shown in place of a change (the rule's refusal)
  WalkFailure,     // the walk could not list a directory: message, batch ends
  Export,          // the list export of `job` over the set of `directory`
  FileCreate,      // a new file of `content`, never replacing one
  FileRemove,      // a file holding `content` removed (undo of a FileCreate)
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

// A message the executor reports in place of a change.
struct StepMessage {
  MessageKind kind = MessageKind::Warning;
  std::u32string text{};
  MessageButton button = MessageButton::Ok;
};

// What each kind of step does, with the fields only that kind needs.
// Old and new full path of files that a playlist's new lines name: rows of
// one table of a batch's renames, which the playlist steps of a plan share
// rather than a copy of both paths for each line.
class RenamedFiles {
 public:
  using Pair = std::pair<std::string, std::string>;
  using Table = std::vector<Pair>;

  class Iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = Pair;
    using difference_type = std::ptrdiff_t;
    using pointer = const Pair*;
    using reference = const Pair&;

    Iterator() = default;
    Iterator(const Table* table, std::vector<std::uint32_t>::const_iterator row)
        : table_(table), row_(row) {}
    const Pair& operator*() const { return (*table_)[*row_]; }
    const Pair* operator->() const { return &**this; }
    Iterator& operator++() {
      ++row_;
      return *this;
    }
    Iterator operator++(int) {
      Iterator before = *this;
      ++row_;
      return before;
    }
    bool operator==(const Iterator& other) const { return row_ == other.row_; }

   private:
    const Table* table_ = nullptr;
    std::vector<std::uint32_t>::const_iterator row_{};
  };

  RenamedFiles() = default;
  RenamedFiles(std::initializer_list<Pair> pairs);
  RenamedFiles(std::shared_ptr<const Table> table, std::vector<std::uint32_t> rows)
      : table_(std::move(table)), rows_(std::move(rows)) {}

  Iterator begin() const { return {table_.get(), rows_.begin()}; }
  Iterator end() const { return {table_.get(), rows_.end()}; }
  bool empty() const { return rows_.empty(); }
  std::size_t size() const { return rows_.size(); }

 private:
  std::shared_ptr<const Table> table_;
  std::vector<std::uint32_t> rows_;
};

namespace steps {

struct Rename {
  std::string newName{};
};
struct TagWrite {
  std::string before{};  // 128 bytes
  std::string after{};   // 128 bytes
};
struct TagAppend {
  std::int64_t sizeBefore = 0;
};
struct TagRemove {
  std::int64_t sizeBefore = 0;  // the size without the tag
};
struct ContentReplace {
  std::string before{};
  std::string after{};
  int changedLines = 0;   // the lines whose text changes
  bool playlist = false;  // a playlist following renames
  // A playlist's step: old and new full path of each file its new lines
  // name. Should the rename of one of them have failed when the step runs,
  // the playlist is left as it is: a line never names a file the batch did
  // not rename.
  RenamedFiles renamedFiles{};
  // Undo only: false when the journal did not keep the content to put
  // back (`after` is then empty).
  bool contentKept = true;
};
struct Refuse {
  StepMessage message{};
};
struct WalkFailure {
  StepMessage message{};
};
struct Export {
  std::shared_ptr<const ExportJob> job{};
};
struct FileCreate {
  std::string content{};
  bool contentKept = true;  // as for ContentReplace
};
struct FileRemove {
  std::string content{};  // what the file holds
};
struct Id3v2Write {
  std::string before{};  // the tag region at the file's start; empty: none
  std::string after{};
};

}  // namespace steps

// One alternative per StepKind, in its order.
using StepChange =
    std::variant<steps::Rename, steps::TagWrite, steps::TagAppend, steps::TagRemove,
                 steps::ContentReplace, steps::Refuse, steps::WalkFailure, steps::Export,
                 steps::FileCreate, steps::FileRemove, steps::Id3v2Write>;

// One step of a plan. `directory` and `name` address the file as it is
// named when the step runs (earlier steps of the same plan included).
struct PlanStep {
  std::string directory{};
  std::string name{};
  StepChange change{};
  // What the planner foresees for the preview, e.g. a collision with a file
  // that exists (or will exist by an earlier step) under the new name:
  // the text the user would be shown. Empty when nothing is foreseen. The
  // executor never relies on it: it performs the step and reports what
  // really happens.
  std::u32string foreseen{};
};

inline StepKind Kind(const PlanStep& step) { return static_cast<StepKind>(step.change.index()); }

// The fields of a step of kind T; the step must be of that kind.
template <class T>
T& As(PlanStep& step) {
  return std::get<T>(step.change);
}
template <class T>
const T& As(const PlanStep& step) {
  return std::get<T>(step.change);
}

// The bytes an ID3v2 write changes, from `offset` on: for a tag as long as
// the old one the run from the first to the last byte that differs, else
// the whole tags from the file's start.
struct ByteChange {
  std::int64_t offset = 0;
  std::string_view before;
  std::string_view after;
};
ByteChange ChangedPart(const steps::Id3v2Write& write);

// The new name of a rename, null for other steps.
const std::string* NewNameOf(const PlanStep& step);
// The message of a refusal or a walk's failure, null for other steps.
const StepMessage* MessageOf(const PlanStep& step);
// The content a content replacement or a removal finds in its file (the
// content undo puts back), null for other steps.
const std::string* OldContentOf(const PlanStep& step);
std::string* OldContentOf(PlanStep& step);

// What a plan does: one of the registry's operations (PlanKindOf) or one
// of the changes below. A kind is stored in the journal as its letter,
// through LetterOf and PlanKindOfLetter only.
enum class PlanKind : char {
  None = 0,
  RenameDialog = 'H',  // the dialog "Umbenennen"
  GridEdit = 'F',      // a tag field edited in the grid
  // Untagged MP3 files given their empty tag as the grid or the status bar
  // read them.
  TagOnRead = 'J',
  Export = 'P',  // the list export ("Datei" > "Exportieren")
  // Taking a batch back; journaled under the letter of the batch it takes
  // back (Plan::undone).
  Undo = 'U',
};
constexpr PlanKind PlanKindOf(Operation operation) {
  return static_cast<PlanKind>(static_cast<char>(operation));
}
char LetterOf(PlanKind kind);
// Every letter gives a kind, so that a stored batch of a letter no longer
// known is still taken back under its own letter.
PlanKind PlanKindOfLetter(char letter);

inline constexpr char32_t kTagOnReadCaption[] = U"ID3Tag angelegt";
inline constexpr char32_t kExportCaption[] = U"Exportieren";

struct Plan {
  PlanKind kind = PlanKind::None;
  std::u32string caption;       // e.g. U"Großbuchstaben abc->Abc"
  std::string parameters;       // a text for the journal, e.g. "search=a\treplacement=b"
  std::string directory;        // the directory the batch started in
  std::int64_t undoes = 0;      // for an undo plan: the journal batch it takes back
  PlanKind undone = PlanKind::None;  // for an undo plan: the kind of that batch
  std::vector<PlanStep> steps;
  // Undo only: temporary files of content replacements that the batch, cut
  // off by a crash or kill, left behind; the executor removes them first.
  std::vector<std::string> leftovers;
  // The files the plan's reading left open for the steps that change them
  // (a batch run at once on a share); null when none are kept.
  std::shared_ptr<OpenFiles> keptFiles;
};

// The letter the journal records for the plan's batch.
char JournalLetter(const Plan& plan);

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
