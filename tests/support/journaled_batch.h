#pragma once
// A folder "music" in a temporary directory, a journal beside it and a
// recording reporter: plans applied as the program applies them, and
// batches taken back.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <system_error>

#include "core/apply/executor.h"
#include "core/apply/undo.h"
#include "core/journal/journal.h"
#include "support/recording_reporter.h"
#include "support/test_support.h"

namespace sonavex::test {

class JournaledBatchTest : public ::testing::Test {
 protected:
  static constexpr std::int64_t kNow = 1'700'000'000;

  void SetUp() override {
    std::error_code ec;
    journal = Journal::Open(dir / "journal.sqlite", kNow, ec);
    ASSERT_FALSE(ec) << ec.message();
  }

  ApplyResult Apply(const Plan& plan) {
    ExecutorContext context;
    context.reporter = &reporter;
    context.journal = journal.get();
    context.now = [] { return kNow; };
    return ApplyPlan(plan, context);
  }

  void Undo(std::int64_t batch) {
    std::error_code ec;
    const Plan plan = PlanUndo(*journal, batch, ec);
    ASSERT_FALSE(ec) << ec.message();
    Apply(plan);
  }

  TempDir dir;
  std::string music = dir / "music";
  RecordingReporter reporter;
  std::unique_ptr<Journal> journal;
};

}  // namespace sonavex::test
