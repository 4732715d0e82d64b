// Reading many files at once must give what reading them one by one gives:
// the same records and failures, in the same order, with the empty tags of
// untagged files appended in the same order on the taking thread.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "core/batch/batch.h"
#include "core/batch/listing_ahead.h"
#include "core/batch/planner.h"
#include "core/batch/read_selected.h"
#include "core/mp3/info_row.h"
#include "core/mp3/read_ahead.h"
#include "core/text/encoding.h"
#include "support/mp3_fixtures.h"
#include "support/recording_reporter.h"
#include "support/test_support.h"

namespace sonavex {
namespace {

using test::ReadsInFlight;
using test::TempDir;
using test::TwoFrames;
using test::TagWith;
using test::WriteFile;

// What a reading gave for one file, comparable across the ways of reading.
struct Seen {
  std::string path;
  int error = 0;
  InfoRow row;
  bool tagMissing = false;
  std::int64_t tailSize = 0;
  std::string tail;
  bool operator==(const Seen&) const = default;
};

void PrintTo(const Seen& seen, std::ostream* out) {
  *out << seen.path << " error " << seen.error << " tagMissing " << seen.tagMissing;
}

Seen SeenOf(const std::string& path, const FileRead& read) {
  return {path, read.error.value(), MakeInfoRow(read.info), read.tagMissing,
          read.tail.size, read.tail.bytes};
}

// Files of every kind the readers meet: tagged, untagged and short MP3
// files, text, a file even root may not read, files that vanish between
// the listing and the reading ("gone"), and a FIFO.
class ParallelReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 40; ++i) {
      const std::string n = std::to_string(i);
      switch (i % 5) {
        case 0: WriteFile(dir / (n + ".mp3"), TwoFrames() + TagWith("T" + n, "A", "B")); break;
        case 1: WriteFile(dir / (n + ".MP3"), TwoFrames()); break;
        case 2: WriteFile(dir / (n + ".mp3"), "TAG"); break;
        case 3: WriteFile(dir / (n + ".txt"), "text " + n); break;
        case 4: WriteFile(dir / (n + "gone.mp3"), TwoFrames()); break;
      }
    }
    ASSERT_EQ(symlink("/proc/sys/vm/drop_caches", (dir / "denied.mp3").c_str()), 0);
    ASSERT_EQ(mkfifo((dir / "fifo.mp3").c_str(), 0644), 0);
    std::error_code ec;
    names = ListNames(dir.path(), ec);
    ASSERT_FALSE(ec);
  }

  static void VanishGone(const std::string& path) {
    if (path.ends_with("gone.mp3")) unlink(path.c_str());
  }

  std::vector<Seen> ReadAll(int inFlight, std::size_t take) {
    ReadAhead reader(inFlight, VanishGone);
    std::vector<Seen> seen;
    for (const std::string& name : names) reader.Add(dir.path(), name);
    while (seen.size() < take && reader.Queued() > 0) {
      ReadItem item = reader.Take();
      seen.push_back(SeenOf(JoinPath(item.directory, item.name), item.read));
    }
    return seen;
  }

  TempDir dir;
  std::vector<std::string> names;
};

TEST_F(ParallelReaderTest, EveryWayOfReadingGivesTheRecordsOfSetDateiInOrder) {
  std::vector<Seen> expected;
  for (const std::string& name : names) {
    const std::string path = dir / name;
    VanishGone(path);
    TInfo info;
    const std::error_code ec = info.SetDatei(path);
    FileRead read = ReadFileInfo(path);
    EXPECT_EQ(ec, read.error) << name;
    EXPECT_EQ(MakeInfoRow(info), MakeInfoRow(read.info)) << name;
    expected.push_back(SeenOf(path, read));
  }
  for (const std::string& name : names) {
    if (name.ends_with("gone.mp3")) WriteFile(dir / name, TwoFrames());
  }
  for (const int inFlight : {1, 3, 16}) {
    EXPECT_EQ(ReadAll(inFlight, names.size()), expected) << inFlight;
    for (const std::string& name : names) {
      if (name.ends_with("gone.mp3")) WriteFile(dir / name, TwoFrames());
    }
  }
  // The failures and the FIFO as they show.
  const auto of = [&](const std::string& name) {
    for (const Seen& seen : expected) {
      if (seen.path == dir / name) return seen;
    }
    return Seen{};
  };
  EXPECT_EQ(of("4gone.mp3").error, ENOENT);
  EXPECT_EQ(of("denied.mp3").error, EACCES);
  EXPECT_EQ(of("fifo.mp3").error, 0);
  EXPECT_EQ(of("fifo.mp3").row[10], U"0");
  EXPECT_TRUE(of("1.MP3").tagMissing);
  EXPECT_FALSE(of("0.mp3").tagMissing);
}

// A taker that stops early (the grid at its first failure) gets the first
// items in order; the reader then ends with reads still under way.
TEST_F(ParallelReaderTest, StoppingEarlyGivesTheFirstItemsAndEnds) {
  const std::vector<Seen> first = ReadAll(8, 3);
  ASSERT_EQ(first.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(first[i].path, dir / names[i]);
}

// The empty tags of untagged files come through the appender on the taking
// thread, file by file in the set's order, exactly as SetDatei gives them.
TEST_F(ParallelReaderTest, TagsAreAppendedInOrderOnTheTakingThread) {
  const auto run = [&](int inFlight) {
    TempDir copy;
    for (const std::string& name : names) {
      if (name.ends_with(".MP3") || name.ends_with("0.mp3")) {
        WriteFile(copy / name, test::ReadFile(dir / name));
      }
    }
    std::error_code ec;
    const std::vector<std::string> files = ListFiles(copy.path(), U"*.mp3", ec);
    std::vector<std::string> calls;
    std::vector<Seen> seen;
    const std::thread::id taker = std::this_thread::get_id();
    const TInfo::TagAppender append = [&](const std::string& path, std::int64_t size) {
      EXPECT_EQ(std::this_thread::get_id(), taker);
      calls.push_back(path.substr(copy.path().size()) + " " + std::to_string(size));
      std::ofstream(path, std::ios::binary | std::ios::app) << EmptyTag();
      return true;
    };
    std::vector<std::string> contents;
    if (inFlight == 0) {
      for (const std::string& name : files) {
        TInfo info;
        const std::error_code error = info.SetDatei(copy / name, append);
        seen.push_back({name, error.value(), MakeInfoRow(info), false, 0, {}});
      }
    } else {
      OrderedReads reads(inFlight, [&](ReadItem& item) {
        const std::error_code error = FinishRead(item.read, &append);
        seen.push_back({item.name, error.value(), MakeInfoRow(item.read.info), false, 0, {}});
      });
      for (const std::string& name : files) reads.Add(copy.path(), name);
      reads.Drain();
    }
    for (const std::string& name : files) contents.push_back(test::ReadFile(copy / name));
    return std::tuple(calls, seen, contents);
  };
  const auto sequential = run(0);
  EXPECT_EQ(std::get<0>(sequential).size(), 8u);
  EXPECT_EQ(std::get<0>(sequential)[0], "/1.MP3 834");
  EXPECT_EQ(run(1), sequential);
  EXPECT_EQ(run(16), sequential);
}

// The walk lists folders ahead on a share; what it visits, in which order,
// and the folders it tells of entering stay the same, also when a folder
// cannot be listed and ends the walk.
TEST(ListingAhead, TheWalkVisitsTheSameFilesInTheSameOrder) {
  TempDir dir;
  for (const char* path : {"a/1.mp3", "a/x/2.mp3", "a/x/y/3.mp3", "B/4.mp3", "B/c/5.mp3",
                           "b2/6.mp3", ".hid/7.mp3", "d/8.mp3", "d/e/f/g/9.mp3", "z/10.mp3"}) {
    WriteFile(dir / path, "x");
  }
  ASSERT_EQ(symlink((dir / "a").c_str(), (dir / "link").c_str()), 0);
  chmod(dir.path().c_str(), 0755);
  chmod((dir / "d/e").c_str(), 0);
  const auto walk = [&](int inFlight) {
    const ReadsInFlight forced(inFlight);
    BatchContext context;
    context.recursive = true;
    test::RecordingReporter reporter;
    context.reporter = &reporter;
    std::vector<std::string> events;
    context.onDirectoryEntered = [&](const std::string& d) { events.push_back("enter " + d); };
    const bool walked = WalkDirectory(context, dir.path(), [&](const std::string& d, const std::string& n) {
      events.push_back(JoinPath(d, n));
    });
    events.push_back(walked ? "walked" : "failed");
    for (const auto& message : reporter.messages) events.push_back(EncodeUtf8(message.text));
    return events;
  };
  const std::optional<bool> same = test::CheckUnprivileged(dir.path(), [&] {
    const std::vector<std::string> sequential = walk(1);
    return sequential.size() == 17 && sequential[15] == "failed" && walk(8) == sequential &&
           walk(16) == sequential;
  });
  chmod((dir / "d/e").c_str(), 0755);
  if (!same) GTEST_SKIP() << "an unprivileged user cannot enter " << dir.path();
  EXPECT_TRUE(*same);
  EXPECT_EQ(walk(8), walk(1));  // as root every folder can be listed
}

// However few entries may wait ahead of the walk, every folder's listing is
// the one it would list itself: folders fetched, fetched later, or still
// queued when their turn comes.
TEST(ListingAhead, GivesEachFolderItsListingWhateverTheLimit) {
  TempDir dir;
  for (const char* path : {"a/1.mp3", "a/2.mp3", "a/x/3.mp3", "a/x/y/4.mp3", "b/5.mp3",
                           "b/c/6.mp3", "b/c/7.mp3", "d/8.mp3", "e/f/9.mp3", "e/g/10.mp3"}) {
    WriteFile(dir / path, "x");
  }
  const auto walk = [&](int threads, std::size_t limit) {
    ListingAhead listings(threads, U"*.mp3", limit);
    std::vector<std::string> seen;
    std::vector<std::string> folders{dir.path()};
    while (!folders.empty()) {
      const std::string folder = folders.back();
      folders.pop_back();
      std::error_code ec;
      const DirectoryListing listing = listings.Take(folder, ec);
      seen.push_back(folder + (ec ? " failed" : ""));
      for (const std::string& file : listing.files) seen.push_back(JoinPath(folder, file));
      for (auto sub = listing.subdirectories.rbegin(); sub != listing.subdirectories.rend(); ++sub) {
        folders.push_back(JoinPath(folder, sub->name));
      }
    }
    return seen;
  };
  const std::vector<std::string> alone = walk(1, ListingAhead::kEntriesAhead);
  ASSERT_EQ(alone.size(), 20u);
  for (const std::size_t limit : {std::size_t{0}, std::size_t{1}, std::size_t{3},
                                  ListingAhead::kEntriesAhead}) {
    EXPECT_EQ(walk(8, limit), alone) << "limit " << limit;
  }
}

// The file set's items reach the user in order, and a walk failure comes
// after the items of the files found before it.
TEST_F(ParallelReaderTest, ReadSelectedKeepsTheOrderOfItemsAndMessages) {
  const auto run = [&](int inFlight, const std::vector<std::string>& marks) {
    const ReadsInFlight forced(inFlight);
    BatchContext context;
    context.mask = U"*.*";
    context.recursive = true;
    test::RecordingReporter reporter;
    context.reporter = &reporter;
    std::vector<std::string> events;
    ReadSelected(dir.path(), marks, context, [&](ReadItem& item) {
      events.push_back(item.name + " " + std::to_string(item.read.error.value()));
    });
    for (const auto& message : reporter.messages) events.push_back(EncodeUtf8(message.text));
    return events;
  };
  const std::vector<std::string> marks = {"fifo.mp3", "denied.mp3", "nothing.mp3", "0.mp3"};
  EXPECT_EQ(run(16, marks), (std::vector<std::string>{"fifo.mp3 0", "denied.mp3 13",
                                                      "nothing.mp3 2", "0.mp3 0"}));
  WriteFile(dir / "zz/last.mp3", "x");
  chmod(dir.path().c_str(), 0755);
  chmod((dir / "zz").c_str(), 0);
  const std::optional<bool> same = test::CheckUnprivileged(dir.path(), [&] {
    const std::vector<std::string> all = run(1, {});
    // 41 files (the FIFO is no file of a listing), then the failure.
    return all.size() == 42 && all[40] == "denied.mp3 13" &&
           all[41].starts_with("Verzeichnis (") && run(16, {}) == all;
  });
  chmod((dir / "zz").c_str(), 0755);
  if (!same) GTEST_SKIP() << "an unprivileged user cannot enter " << dir.path();
  EXPECT_TRUE(*same);
}

// The tag operations plan from records read ahead: the same steps, with
// the same collisions foreseen in each folder, as reading one by one.
TEST(PlanReadAhead, NameFromTagPlansTheSameStepsInEveryFolder) {
  TempDir dir;
  for (const char* folder : {"a", "b", "b/c"}) {
    const std::string at = dir / folder;
    WriteFile(at + "/1.mp3", TwoFrames() + TagWith("Song", "Band", ""));
    WriteFile(at + "/2.mp3", TwoFrames() + TagWith("Song", "Band", "other"));
    WriteFile(at + "/3.mp3", TwoFrames());
    WriteFile(at + "/4.mp3", TwoFrames() + TagWith("Taken", "Band", ""));
    WriteFile(at + "/Band - Taken.mp3", "already there");
    WriteFile(at + "/5.txt", "text");
  }
  const auto plan = [&](int inFlight) {
    const ReadsInFlight forced(inFlight);
    BatchContext context;
    context.mask = U"*.*";
    context.recursive = true;
    std::vector<std::string> steps;
    for (const PlanStep& step :
         PlanSelection(Operation::N, NameFromTagParams{2}, dir.path(), {}, context).steps) {
      const std::string* newName = NewNameOf(step);
      const auto* append = std::get_if<steps::TagAppend>(&step.change);
      steps.push_back(step.directory.substr(dir.path().size()) + "|" + step.name + "|" +
                      (newName ? *newName : "") + "|" +
                      std::to_string(static_cast<int>(Kind(step))) + "|" +
                      std::to_string(append ? append->sizeBefore : 0) + "|" +
                      EncodeUtf8(step.foreseen));
    }
    return steps;
  };
  const std::vector<std::string> sequential = plan(1);
  // Per folder 5 renames and 2 empty tags (3.mp3 and the untagged "Band -
  // Taken.mp3", which then collides with 3.mp3's new name "-.mp3").
  ASSERT_EQ(sequential.size(), 21u);
  std::size_t foreseen = 0;
  for (const std::string& step : sequential) foreseen += step.back() != '|';
  EXPECT_EQ(foreseen, 9u);  // 2.mp3, 4.mp3 and "Band - Taken.mp3" in each folder
  EXPECT_EQ(plan(16), sequential);
}

}  // namespace
}  // namespace sonavex
