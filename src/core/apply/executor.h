#pragma once
// The one place that changes the user's files. It performs the steps of a
// plan in order through the file-system functions of core/fs, re-checking
// each against the file as it is then, reports every failure through the
// Reporter with the texts the batch always used (RenameWithMessage and the
// rules' refusals), and records each performed step in the journal, when
// one is given, so that the batch can be taken back.
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/batch/batch.h"
#include "core/batch/plan.h"
#include "core/batch/registry.h"
#include "core/journal/journal.h"
#include "core/report/reporter.h"

namespace sonavex {

struct ApplyResult {
  int performed = 0;
  int failed = 0;          // reported failures and refusals
  std::int64_t batch = 0;  // the journal batch, 0 when none was written
  int exported = 0;        // Export steps whose list is complete
  bool stopped = false;    // a stop was requested: the steps after those done never ran
};

struct ExecutorContext {
  Reporter* reporter = nullptr;
  Journal* journal = nullptr;  // nullptr: no undo for this batch
  // Whether reading an untagged MP3 file gives it its empty tag (see
  // TagOnRead). Operations that write a tag field append it regardless.
  bool tagOnRead = true;
  // Seconds since the epoch, for the journal; tests may fix it.
  std::function<std::int64_t()> now{};
  // Told once when the journal fails (the caller warns once per run and
  // goes on without it); the batch itself goes on.
  std::function<void(std::error_code)> onJournalFailure{};
  // Where an export to "-" goes; without it such an export fails.
  std::ostream* standardOut = nullptr;
  // How many steps are in flight at once; 0: as many as the reader keeps
  // below the plan's directory (ReadsInFlightFor), one on a local disk.
  int inFlight = 0;
  // Told on the calling thread after each step with the steps settled so
  // far and the plan's total.
  std::function<void(int done, int total)> progress{};
  // Asked on the calling thread before each step: true runs no further
  // step; the steps in flight finish, and the journal keeps only the steps
  // that ran.
  std::function<bool()> stopRequested{};
};

// Performs every step of `plan` in order; on a network or FUSE volume
// several steps at once, those on the same file in order (core/apply/
// in_flight.h), with messages and the journal in the plan's order. A WalkFailure step reports its
// message and ends the batch there. A step is re-checked against the file
// first: a tag, appended tag or content that is no longer what the plan
// found gives "<path>", an empty line and "Datei wurde seither verändert",
// and the file is left alone. Later steps on a file whose change failed
// are skipped without a message of their own. An Export step readies its
// list's file first and only then reads its file set (core/apply/
// export_step.h); the tags and the list it writes are journaled as steps of
// the same batch.
ApplyResult ApplyPlan(const Plan& plan, const ExecutorContext& context);

// The batch as it runs without a preview: the plan of `code` on the
// selection (PlanSelection), applied at once. The executor's reporter is
// the batch context's unless one is given.
ApplyResult RunSelection(Operation code, const OperationParams& params,
                         const std::string& directory,
                         const std::vector<std::string>& markedNames,
                         const BatchContext& context, ExecutorContext executor = {});

// The hash the journal keeps of a replaced file's new content ("v2:" and
// 16 hex digits), so that undo can tell whether the file still holds it.
std::string ContentHash(std::string_view bytes);
// Whether `bytes` has `hash`, of the present kind or of the FNV-1a kind (16
// hex digits alone) that older journals hold.
bool HoldsContentHash(std::string_view bytes, std::string_view hash);

// The temporary name, beside the file, that the action journaled as
// `actionId` uses: the new content of a content replacement is written
// under it, and a rename through a temporary name passes it. Undo finds
// what a killed batch left behind by it.
std::string JournaledTemporaryName(std::int64_t actionId);

// A batch that is built up step by step, as the grid's cell editor writes a
// field on each keystroke: one journal batch from Begin to End, so that
// undo takes back the whole edit.
class StepSession {
 public:
  StepSession(const ExecutorContext& context, const Plan& header);
  ~StepSession();  // ends the batch
  StepSession(const StepSession&) = delete;
  StepSession& operator=(const StepSession&) = delete;
  // Performs one step (re-checked, reported, journaled). False on failure.
  // The journal batch begins with the first step and ends with the session.
  bool Apply(const PlanStep& step);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace sonavex
