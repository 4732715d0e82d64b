#pragma once
#include <iosfwd>

#include "core/report/reporter.h"

namespace sonavex::cli {

// Writes each message as "Warnung: " or "Fehler: " and its text to a
// stream, with every line break pair of the text as one newline.
class StreamReporter : public Reporter {
 public:
  explicit StreamReporter(std::ostream& err) : err_(err) {}
  void Report(MessageKind kind, const std::u32string& text,
              MessageButton button) override;
  bool reported() const { return reported_; }

 private:
  std::ostream& err_;
  bool reported_ = false;
};

}  // namespace sonavex::cli
