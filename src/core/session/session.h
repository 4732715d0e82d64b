#pragma once
// The application without a window: it owns the undo journal and runs
// every change the same way for the window and the command line: plan,
// the preview decision, the executor, undo, and what "Rückgängig" would
// take back. The front ends supply the ports (confirmation, messages, how a
// journal failure is worded) and keep only their view.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "core/apply/executor.h"
#include "core/batch/batch.h"
#include "core/batch/plan.h"
#include "core/batch/registry.h"
#include "core/journal/journal.h"
#include "core/mp3/tinfo.h"
#include "core/report/reporter.h"

namespace sonavex {

// What went wrong with the journal, for the front end's wording.
enum class JournalTrouble { Open, Read, Write };

// How far a batch is: the window's progress window, the command line's
// line on a terminal. Told on the thread that applies the batch.
class BatchProgress {
 public:
  virtual ~BatchProgress() = default;
  // A batch begins.
  virtual void Begin() = 0;
  // `done` of its `total` steps are over.
  virtual void Advance(int done, int total) = 0;
  // The batch is over, finished or stopped.
  virtual void End() = 0;
  // Asked before each step: whether the user asked to stop ("Abbrechen",
  // Ctrl-C), which runs no further step.
  virtual bool StopRequested() { return false; }
};

struct SessionPorts {
  Reporter* reporter = nullptr;
  // Whether a plan is shown before it runs; null: never.
  std::function<bool()> previewOn{};
  // Asked with each plan while the preview is on; true applies the plan.
  std::function<bool(const Plan&)> confirm{};
  // Told once per session when the journal fails: batches go on without
  // undo, and saying so once is enough.
  std::function<void(JournalTrouble, std::error_code)> journalTrouble{};
  // Seconds since the epoch, for the journal; tests may fix it.
  std::function<std::int64_t()> now{};
  // Whether reading an untagged MP3 file (the grid, the status bar, the
  // export) gives it its empty tag; null: always.
  std::function<bool()> tagOnRead{};
  // The context a batch would read now. An undo that renames files carries
  // the playlists along by it, as a rename batch does; null: it does not.
  std::function<BatchContext()> batchContext{};
  // Shown while a batch runs; null: nothing is shown.
  BatchProgress* progress = nullptr;
};

// What "Rückgängig" takes back, or what "Wiederherstellen" applies again.
struct UndoTarget {
  std::int64_t batch = 0;  // 0: nothing to take back
  std::string caption;     // UTF-8, as the journal keeps it
  int files = 0;
};

// What a batch leaves for the front end's view to do.
struct BatchOutcome {
  // None: declined in the preview, or nothing to run; nothing changed.
  std::optional<ApplyResult> result;
  // Names may have changed or files come and gone: the file list is read
  // again (which drops the marks).
  bool rereadList = false;
};

// Asked with the later batches (newest first) that changed the files of
// `batch` again, before it is taken back; true takes them back first.
using LaterFirstQuestion =
    std::function<bool(const BatchSummary& batch, const std::vector<BatchSummary>& later)>;

// A file read as a click in the list reads it, for the status bar.
struct ClickedFile {
  TInfo info;
  std::error_code error;  // already reported
  // An untagged MP3 file got its empty tag: what undo offers has changed.
  bool tagged = false;
};

class Session {
 public:
  Session(std::string journalPath, SessionPorts ports);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Opens the journal (once); a failure is told through journalTrouble and
  // returned, and the session goes on without undo.
  std::error_code OpenJournal();
  Journal* journal() { return journal_.get(); }
  const std::string& journalPath() const { return journalPath_; }
  Reporter& reporter() { return *ports_.reporter; }

  // The plan of `code` on the marked names or the directory (tree).
  Plan PlanBatch(Operation code, const OperationParams& params,
                 const std::string& directory,
                 const std::vector<std::string>& markedNames,
                 const BatchContext& context) const;
  // Shows `plan` first while the preview is on, then applies it; nothing
  // when the user declines.
  std::optional<ApplyResult> Run(const Plan& plan);
  // Plans `code` and runs it as Run does. The list is read again after it
  // ran, except after the tag batches over the whole directory (tree):
  // they change no name, so the list and its marks stay.
  BatchOutcome RunBatch(Operation code, const OperationParams& params,
                        const std::string& directory,
                        const std::vector<std::string>& markedNames,
                        const BatchContext& context);
  // Runs the export's `plan` as Run does. The list is read again once the
  // list is written: untagged MP3 files got their empty tag on the way.
  BatchOutcome RunExport(const Plan& plan);
  // Applies `plan` at once, with the journal when there is one, telling the
  // progress port. A batch that is stopped (RequestStop) says how many of
  // its steps ran: "Abgebrochen: <n> von <total> Änderungen ausgeführt".
  ApplyResult Apply(const Plan& plan);
  // Asks the batch being applied to run no further step; the steps in
  // flight finish. Safe from another thread and from a signal handler;
  // the next batch begins unstopped.
  void RequestStop() { stopRequested_.store(true, std::memory_order_relaxed); }
  // The plan that takes `batch` back, with the playlists that follow its
  // renames (those the batch rewrote are restored as it journaled them); a
  // journal that cannot be read comes back in `ec`. `appliedAtOnce`: the
  // plan runs the moment it is made, without a preview.
  Plan PlanUndoOf(std::int64_t batch, std::error_code& ec, bool appliedAtOnce = false);
  // Takes `batch` back as a batch of its own (previewed, journaled, itself
  // undoable). Nothing without a journal or when the user declines; a
  // journal that cannot be read comes back in `ec`.
  std::optional<ApplyResult> Undo(std::int64_t batch, std::error_code& ec);
  // Applies the undone `batch` again by taking back its undo, which knows
  // where every file is now. invalid_argument in `ec` when it is in effect.
  std::optional<ApplyResult> Redo(std::int64_t batch, std::error_code& ec);
  // The later batches in effect that changed the files of `batch` again,
  // newest first: they are taken back first, or taking `batch` back would
  // take their changes back while they stay listed as done.
  std::vector<BatchSummary> LaterChanges(std::int64_t batch, std::error_code& ec);
  // Takes back the later changes of `batch` (newest first), then `batch`.
  // Stops at the first one declined or failing to plan; the result is that
  // of `batch`.
  std::optional<ApplyResult> UndoWithLater(std::int64_t batch, std::error_code& ec);
  // UndoWithLater once `ask` lets the later changes of `batch` go first;
  // declined, nothing changes. Otherwise the list is read again, also
  // after a failure: some later batches may have been taken back by then.
  BatchOutcome UndoAsking(std::int64_t batch, const LaterFirstQuestion& ask,
                          std::error_code& ec);
  // Applies the undone `batch` again as UndoAsking takes back its undo;
  // nothing when it is in effect or unknown.
  BatchOutcome RedoAsking(std::int64_t batch, const LaterFirstQuestion& ask,
                          std::error_code& ec);

  // The tags given on reading during one visit of a folder are one batch:
  // the newest batch, when it holds such tags, joins `previous` (0: the
  // first of the visit) if nothing came between. The batch that holds the
  // visit's tags now, 0 when the newest batch holds none.
  std::int64_t JoinTagsOnRead(std::int64_t previous);
  // Reads the file at `path` as a click in the list does: an untagged MP3
  // file gets its empty tag while tagging on reading is on, and the tags
  // the clicks of one visit of `folder` give are one batch. A failure is
  // reported with the file's name.
  ClickedFile ReadClickedFile(const std::string& path, const std::string& folder);

  // How many files `batch` changed, counted from the journal's keys, never
  // from the old contents it keeps; 0 without a journal.
  int FilesOf(std::int64_t batch);

  // The newest batch of the user's in effect: tags given on reading, undos
  // and redos are no step of their own. Files are counted from the
  // journal's keys, never from the old contents it keeps.
  UndoTarget FindUndoTarget();
  // The batch taken back most recently, while no new batch came after.
  UndoTarget FindRedoTarget();
  // Every batch of the journal, newest first; empty without a journal.
  std::vector<BatchSummary> Batches();

  // The executor's context: reporter, journal, clock, journal failures and
  // whether reading tags untagged files.
  ExecutorContext executorContext();

 private:
  void Trouble(JournalTrouble trouble, std::error_code ec);
  UndoTarget TargetOf(const std::vector<BatchSummary>& batches, std::int64_t batch);
  bool PreviewOn() const { return ports_.previewOn && ports_.previewOn(); }
  bool LaterChangesMayGo(std::int64_t batch, const LaterFirstQuestion& ask,
                         std::error_code& ec);

  std::string journalPath_;
  SessionPorts ports_;
  std::unique_ptr<Journal> journal_;
  bool opened_ = false;
  bool troubleTold_ = false;
  // The folder whose clicks gave tags, and the batch that holds them.
  std::string clickedFolder_;
  std::int64_t clickedBatch_ = 0;
  std::atomic<bool> stopRequested_{false};
  static_assert(std::atomic<bool>::is_always_lock_free);
};

// Seconds since the epoch, now.
std::int64_t SecondsNow();

}  // namespace sonavex
