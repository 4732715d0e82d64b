// An undo that runs as soon as it is planned keeps the files whose ID3v2
// tags it reads ahead open for the steps that take them back. What another
// program does to a file in between is found as with a fresh open.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "core/apply/executor.h"
#include "core/apply/undo.h"
#include "core/batch/planner.h"
#include "core/journal/journal.h"
#include "core/text/encoding.h"
#include "support/id3v2_fixtures.h"
#include "support/journaled_batch.h"
#include "support/test_support.h"

namespace sonavex {
namespace {

using namespace test::tag_bytes;

std::string Original() {
  return Tag(3, Frame(3, "TIT2", Text(0, "Song")), 256) + Audio() + Id3v1("Song", "", "");
}

void FlipLastPaddingByte(const std::string& path) {
  std::string bytes = test::ReadFile(path);
  const std::size_t padding = Tag(3, Frame(3, "TIT2", Text(0, "Song")), 256).size() - 1;
  bytes[padding] = static_cast<char>(bytes[padding] ^ 1);
  test::WriteFile(path, bytes);
}
void PutACopyInItsPlace(const std::string& path) {
  test::WriteFile(path + ".new", test::ReadFile(path));
  ASSERT_EQ(std::rename((path + ".new").c_str(), path.c_str()), 0);
}
void PutAnotherFileInItsPlace(const std::string& path) {
  test::WriteFile(path + ".new", Audio() + Id3v1("Other", "", ""));
  ASSERT_EQ(std::rename((path + ".new").c_str(), path.c_str()), 0);
}

struct Case {
  const char* name;
  void (*meanwhile)(const std::string& path);
  bool changed;  // told and left as the other program made it
};

const std::vector<Case> kCases = {
    {"plain.mp3", nullptr, false},
    {"edited.mp3", FlipLastPaddingByte, true},
    {"copied.mp3", PutACopyInItsPlace, false},
    {"replaced.mp3", PutAnotherFileInItsPlace, true},
};

class UndoKeptOpenTest : public test::JournaledBatchTest {
 protected:
  struct Outcome {
    std::map<std::string, std::string> files;
    std::vector<std::string> messages;
  };

  // B with the ID3v2 tag following, then its undo planned, the cases'
  // changes made, and the undo applied.
  Outcome RunCases(bool appliedAtOnce) {
    for (const Case& c : kCases) test::WriteFile(music + "/" + c.name, Original());
    BatchContext context;
    context.id3v2FollowsTags = true;
    const ApplyResult batch =
        Apply(PlanSelection(Operation::B, TagInsertParams{{U"[", U"]"}, {}, {}}, music, {}, context));
    EXPECT_EQ(batch.performed, 8);  // each file's two tags
    std::error_code ec;
    const Plan undo = PlanUndo(*journal, batch.batch, ec, appliedAtOnce);
    EXPECT_FALSE(ec);
    EXPECT_EQ(undo.keptFiles != nullptr, appliedAtOnce);
    std::map<std::string, std::string> meanwhile;
    for (const Case& c : kCases) {
      if (c.meanwhile != nullptr) c.meanwhile(music + "/" + c.name);
      meanwhile[c.name] = test::ReadFile(music + "/" + c.name);
    }
    reporter.messages.clear();
    Apply(undo);
    Outcome outcome;
    for (const Case& c : kCases) {
      const std::string now = test::ReadFile(music + "/" + c.name);
      EXPECT_EQ(now, c.changed ? meanwhile[c.name] : Original()) << c.name;
      outcome.files[c.name] = now;
    }
    for (const auto& message : reporter.messages) {
      outcome.messages.push_back(EncodeUtf8(message.text));
    }
    return outcome;
  }
};

TEST_F(UndoKeptOpenTest, FilesChangedAfterPlanningAreFoundAsWithAFreshOpen) {
  const test::ReadsInFlight asOnAShare(16);
  const Outcome opened = RunCases(false);
  const Outcome kept = RunCases(true);
  EXPECT_EQ(kept.files, opened.files);
  EXPECT_EQ(kept.messages, opened.messages);
  const std::string told = "\n\r\n\rDatei wurde seither verändert";
  EXPECT_EQ(opened.messages,
            (std::vector<std::string>{music + "/replaced.mp3" + told, music + "/edited.mp3" + told}));
}

}  // namespace
}  // namespace sonavex
