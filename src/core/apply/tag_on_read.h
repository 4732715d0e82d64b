#pragma once
// Untagged MP3 files get their empty tag when the info grid or the status
// bar reads them. Those tags are changes to the user's files like any
// other: they go through the executor and into the journal, one batch per
// reading pass (a filling of the grid, one status bar summary), begun at
// the first file that needs a tag.
#include <cstdint>
#include <memory>
#include <string>

#include "core/apply/executor.h"
#include "core/batch/plan.h"
#include "core/mp3/tinfo.h"

namespace sonavex {

// The step that gives the untagged MP3 file at `path`, `size` bytes long,
// its empty tag as reading it does: a failure names the file alone.
PlanStep TagOnReadStep(const std::string& path, std::int64_t size);

class TagOnRead {
 public:
  explicit TagOnRead(ExecutorContext context);
  ~TagOnRead();  // ends the journal batch
  TagOnRead(const TagOnRead&) = delete;
  TagOnRead& operator=(const TagOnRead&) = delete;

  // The appender that TInfo::SetDatei calls for each untagged MP3 file. A
  // failure is reported with the file's full path. None while the context
  // says not to tag on reading: the files are only looked at.
  TInfo::TagAppender Appender();

  // Ends the journal batch; true when a file needed a tag, so that what
  // undo offers may have changed.
  bool End();

 private:
  bool Append(const std::string& path, std::int64_t size);

  ExecutorContext context_;
  std::unique_ptr<StepSession> session_;
};

}  // namespace sonavex
