#pragma once
// A Reporter that keeps every message for the test to inspect.
#include <string>
#include <vector>

#include "core/report/reporter.h"

namespace sonavex::test {

struct RecordedMessage {
  MessageKind kind;
  std::u32string text;
  MessageButton button;
};

class RecordingReporter : public Reporter {
 public:
  void Report(MessageKind kind, const std::u32string& text,
              MessageButton button) override {
    messages.push_back({kind, text, button});
  }
  std::vector<RecordedMessage> messages;
};

}  // namespace sonavex::test
