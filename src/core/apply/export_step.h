#pragma once
// The list export as the executor performs it. The list's file is made
// ready first (its temporary file created beside it), so that a target
// that cannot be written is reported before any file of the set is read or
// given a tag; then the set is read, its untagged MP3 files get their empty
// tags in list order, and the list is put in place whole.
#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "core/batch/batch.h"
#include "core/batch/plan.h"
#include "core/mp3/tinfo.h"
#include "core/ops/export.h"
#include "core/report/reporter.h"

namespace sonavex {

// The list of the file set (the marked names, or the directory tree when
// none is marked). Each file is loaded as SetDatei with `appendTag` loads
// it, so an untagged MP3 file gets its empty tag on the way; the files are
// read ahead, the tags are appended in list order; without `appendTag`
// an untagged file is listed with empty tag fields and left as it is. A
// file that cannot be read is reported through the context's reporter and
// gets no line; the export goes on.
std::string BuildExport(const std::string& directory,
                        const std::vector<std::string>& markedNames,
                        const BatchContext& context, const ExportParams& params,
                        const TInfo::TagAppender* appendTag);

// How the changes an export makes on its way go through the executor that
// performs it, into the same journal batch.
class ExportSteps {
 public:
  virtual ~ExportSteps() = default;
  // Records the list's own step (ContentReplace or FileCreate) as Pending;
  // its journal id, 0 without a journal.
  virtual std::int64_t Record(const PlanStep& step) = 0;
  // The list's content is known: its size and hash go into the record.
  virtual void Outcome(std::int64_t id, std::string_view content) = 0;
  // Settles the list's record: performed, or the text the user was shown.
  virtual void Settle(std::int64_t id, bool performed, const std::u32string& failure) = 0;
  // Performs an appended tag as every step is performed: re-checked,
  // reported, journaled. True when the file has its tag.
  virtual bool Append(const PlanStep& step) = 0;
};

// Where an export's messages and a list for "-" go, and whether reading a
// file may give it its empty tag.
struct ExportOutlets {
  Reporter* reporter = nullptr;
  std::ostream* standardOut = nullptr;
  bool tagOnRead = true;
};

// Performs the export `job` of `directory`: true when the list is complete
// at its target (or written whole to `standardOut` for "-"). A list that
// cannot be written is reported through `reporter` with the target's path
// and the system's text. Without tagOnRead an untagged file is listed with
// empty tag fields and left as it is.
bool PerformExport(const ExportJob& job, const std::string& directory,
                   const ExportOutlets& outlets, ExportSteps& steps);

}  // namespace sonavex
