#pragma once
// The command line's view of a running batch: on a terminal, one line on
// standard error that tells how far the batch is, drawn over and over in
// place; and Ctrl-C (SIGINT), which stops the batch the way "Abbrechen"
// does in the window: the steps in flight finish, no further step runs.
#include <chrono>
#include <csignal>

#include "core/report/reporter.h"
#include "core/session/session.h"

namespace sonavex::cli {

class ProgressLine : public BatchProgress, public Reporter {
 public:
  // Messages go on to `messages`, the line (when `fd` is a terminal) to
  // `fd` directly: it is the tool's own text and needs no escaping.
  ProgressLine(int fd, Reporter& messages);
  ~ProgressLine() override;
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  void Begin() override;
  void Advance(int done, int total) override;
  void End() override;
  bool StopRequested() override;
  // A message takes the line's place; the line comes back with the next step.
  void Report(MessageKind kind, const std::u32string& text, MessageButton button) override;

  // Whether the last batch was stopped by Ctrl-C: the run ends with
  // status 130.
  bool interrupted() const { return interrupted_; }

 private:
  void Clear();

  int fd_;
  Reporter& messages_;
  bool terminal_;
  bool shown_ = false;
  bool interrupted_ = false;
  bool handling_ = false;
  struct sigaction previous_{};
  std::chrono::steady_clock::time_point begun_{};
  std::chrono::steady_clock::time_point drawn_{};
};

}  // namespace sonavex::cli
