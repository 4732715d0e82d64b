// Kills the command-line tool with SIGKILL at random moments of a batch of
// 2,000 files and checks what it leaves behind: every file in its old or its
// new state (an untagged MP3 file may also hold just its empty tag, the
// first of its two steps; the export's list may be there or not; a letter-case change on a case-insensitive volume
// may have the file under its temporary name), none lost or doubled, and "undo" with the same
// journal brings back the old names and bytes exactly, with no temporary
// file left over.
//
// The moment of each kill is drawn between the moment the batch opens its
// journal (its plan is made; files are about to change) and the time a
// clean run takes from there. Environment:
//   SONAVEX_KILL_RUNS  runs per operation (5 unless set; 20 for the full
//                      campaign, e.g. SONAVEX_KILL_RUNS=20 ctest -R Kill)
//   SONAVEX_KILL_SEED  the seed of the moments, printed by every run, to
//                      repeat a failure
//   SONAVEX_KILL_FILES files per batch (2000 unless set), fewer for a slow
//                      place such as a FAT image mounted through FUSE
//   SONAVEX_KILL_DIR   where the trees go (the journal stays in $TMPDIR): /dev/shm where it exists (each
//                      file's sync costs nothing there and the runs stay
//                      short), else $TMPDIR or /tmp; a disk widens the
//                      moments a text replace spends on its temporary file
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <ostream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "support/id3v2_fixtures.h"
#include "support/test_support.h"

namespace sonavex::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;


int EnvNumber(const char* name, int fallback) {
  const char* text = std::getenv(name);
  return text != nullptr && *text != '\0' ? std::atoi(text) : fallback;
}

const int kFiles = EnvNumber("SONAVEX_KILL_FILES", 2000);

// Every entry of a directory: name -> bytes.
using Tree = std::map<std::string, std::string>;

// A scratch directory on a memory file system where there is one.
class ScratchDir {
 public:
  ScratchDir() {
    const char* chosen = std::getenv("SONAVEX_KILL_DIR");
    const char* tmp = std::getenv("TMPDIR");
    std::string base = chosen != nullptr ? chosen
                       : access("/dev/shm", W_OK) == 0 ? "/dev/shm"
                       : tmp != nullptr                ? tmp
                                                       : "/tmp";
    std::string pattern = base + "/sonavex-kill-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~ScratchDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

Tree ReadTree(const std::string& directory) {
  Tree tree;
  for (const fs::directory_entry& entry : fs::directory_iterator(directory)) {
    tree[entry.path().filename().string()] = ReadFile(entry.path().string());
  }
  return tree;
}

void WriteTree(const std::string& directory, const Tree& tree) {
  fs::remove_all(directory);
  fs::create_directories(directory);
  for (const auto& [name, bytes] : tree) WriteFile(directory + "/" + name, bytes);
}

std::string Number(int i) {
  char text[8];
  std::snprintf(text, sizeof text, "%04d", i);
  return text;
}

std::string Field(const std::string& text) {
  std::string field = text;
  field.resize(30, ' ');
  return field;
}

const std::string kEmptyTag = "TAG" + std::string(125, ' ');

// Lower-case names that 'G' capitalizes.
Tree RenameTree() {
  Tree tree;
  for (int i = 0; i < kFiles; ++i) {
    tree["track " + Number(i) + " some name.mp3"] = "audio " + Number(i);
  }
  return tree;
}

// RenameTree with playlists beside the files that name them: ten of a
// tenth of the files each, which can follow as soon as their files are
// renamed, and one of every seventh file, which waits for nearly all.
Tree RenameTreeWithPlaylists() {
  Tree tree = RenameTree();
  std::string all = "#EXTM3U\n";
  for (int list = 0; list < 10; ++list) {
    std::string lines = "#EXTM3U\n";
    for (int i = list * kFiles / 10; i < (list + 1) * kFiles / 10; ++i) {
      lines += "track " + Number(i) + " some name.mp3\n";
    }
    tree["list " + Number(list) + ".m3u"] = lines;
  }
  for (int i = 0; i < kFiles; i += 7) all += "track " + Number(i) + " some name.mp3\n";
  tree["all.m3u"] = all;
  return tree;
}

// MP3 files, one in ten without a tag.
Tree TagTree() {
  Tree tree;
  for (int i = 0; i < kFiles; ++i) {
    std::string bytes = std::string(64, 'a') + Number(i);
    if (i % 10 != 0) {
      bytes += "TAG" + Field("Song " + Number(i)) + Field("Band") + Field("Album") + "2001" +
               std::string(30, '\0') + '\x05';
    }
    tree["t" + Number(i) + ".mp3"] = bytes;
  }
  return tree;
}

// MP3 files for "ID3v1 → ID3v2": every other one with an ID3v2 tag that
// has room for the new fields (written in place), the others without one
// (rewritten through a temporary file); one in ten has no ID3v1 tag and is
// left alone.
Tree Id3v2Tree() {
  Tree tree;
  for (int i = 0; i < kFiles; ++i) {
    std::string bytes = i % 2 == 0 ? Tag(3, Frame(3, "TIT2", Text(0, "Alt")), 200) : "";
    bytes += std::string(64, 'a') + Number(i);
    if (i % 10 != 0) {
      bytes += "TAG" + Field("Song " + Number(i)) + Field("Band") + Field("Album") + "2001" +
               std::string(30, '\0') + '\x05';
    }
    tree["t" + Number(i) + ".mp3"] = bytes;
  }
  return tree;
}

// Playlists naming a folder that moved.
Tree PlaylistTree() {
  Tree tree;
  for (int i = 0; i < kFiles; ++i) {
    tree["list" + Number(i) + ".m3u"] = "#EXTM3U\r\nOldFolder\\song " + Number(i) +
                                        ".mp3\r\nOther\\x.mp3\r\n";
  }
  return tree;
}

// Marks a command's file argument as a name in the music folder.
const std::string kInMusic = "@music/";

struct KillCase {
  const char* name;
  std::vector<std::string> command;
  Tree (*make)();
};

void PrintTo(const KillCase& kase, std::ostream* out) { *out << kase.name; }

// One file's old and new place and bytes, and a state between them that a
// kill may leave (empty when there is none).
struct FileStates {
  std::string oldName, oldBytes, newName, newBytes, middleBytes;
};

// Pairs the files of the old and new tree: by name when the batch kept it,
// else by content (a rename keeps the bytes).
std::vector<FileStates> PairStates(const Tree& before, const Tree& after) {
  std::map<std::string, std::string> nameOfContent;
  for (const auto& [name, bytes] : after) nameOfContent[bytes] = name;
  std::vector<FileStates> files;
  for (const auto& [name, bytes] : before) {
    FileStates file{name, bytes, name, {}, {}};
    if (!after.contains(name)) file.newName = nameOfContent.at(bytes);
    file.newBytes = after.at(file.newName);
    // An untagged MP3 file first gets its empty tag, then the tag write
    // (the export gives it the empty tag alone).
    if (name.ends_with(".mp3") && bytes.find("TAG") == std::string::npos &&
        file.newBytes != bytes && file.newBytes != bytes + kEmptyTag) {
      file.middleBytes = bytes + kEmptyTag;
    }
    files.push_back(std::move(file));
  }
  return files;
}

// What a kill left: files lost or doubled, and entries that are none of
// the files' states (temporary files).
struct Outcome {
  std::vector<std::string> lost, doubled, strays;
  int changed = 0;  // files not in their old state
  int between = 0;  // files between their two steps (see above)
};

Outcome Judge(const std::vector<FileStates>& files, const Tree& now) {
  Outcome outcome;
  std::map<std::string, bool> used;
  const auto holds = [&](const std::string& name, const std::string& bytes) {
    const auto found = now.find(name);
    if (bytes.empty() || found == now.end() || found->second != bytes) return false;
    used[name] = true;
    return true;
  };
  // A rename through a temporary name, cut off half-way.
  std::map<std::string, std::string> temporaryOf;
  for (const auto& [name, bytes] : now) {
    if (name.starts_with("~sonavex-")) temporaryOf[bytes] = name;
  }
  const auto stranded = [&](const FileStates& file) {
    const auto found = temporaryOf.find(file.oldBytes);
    return file.oldName != file.newName && found != temporaryOf.end() &&
           holds(found->second, file.oldBytes);
  };
  for (const FileStates& file : files) {
    const bool old = holds(file.oldName, file.oldBytes);
    // A file the batch leaves as it is (a tagged file in the export) has
    // one state only.
    const bool kept = file.newName == file.oldName && file.newBytes == file.oldBytes;
    const bool fresh = !kept && holds(file.newName, file.newBytes);
    const bool middle = holds(file.oldName, file.middleBytes) || stranded(file);
    const int states = int{old} + int{fresh} + int{middle};
    if (states == 0) outcome.lost.push_back(file.oldName);
    if (states > 1) outcome.doubled.push_back(file.oldName);
    if (!old) ++outcome.changed;
    if (middle) ++outcome.between;
  }
  for (const auto& [name, bytes] : now) {
    if (!used.contains(name)) outcome.strays.push_back(name);
  }
  return outcome;
}

std::string List(const std::vector<std::string>& names) {
  std::string text;
  for (std::size_t i = 0; i < names.size() && i < 5; ++i) text += " \"" + names[i] + "\"";
  return names.size() > 5 ? text + " ..." : text;
}

// The names whose entry in `tree` is not the same in `other`.
std::vector<std::string> Differences(const Tree& tree, const Tree& other) {
  std::vector<std::string> names;
  for (const auto& [name, bytes] : tree) {
    const auto found = other.find(name);
    if (found == other.end() || found->second != bytes) names.push_back(name);
  }
  return names;
}

class KillRun {
 public:
  // The files go to `scratch`, the journal and the output to `state`.
  KillRun(const ScratchDir& scratch, const TempDir& state,
          const std::vector<std::string>& command)
      : music_(scratch / "music"), journal_(state / "journal.sqlite"), log_(state / "log"),
        settings_(state / "s.ini"), command_(command) {
    // A file argument given as kInMusic + name goes into the music folder.
    for (std::string& arg : command_) {
      if (arg.starts_with(kInMusic)) arg = music_ + "/" + arg.substr(kInMusic.size());
    }
  }

  const std::string& music() const { return music_; }

  // Starts the batch on a fresh journal and waits until it has opened the
  // journal, which it does once the plan is made and the first file is about
  // to change; false when it ended before.
  bool StartBatch() {
    for (const char* end : {"", "-wal", "-shm"}) fs::remove(journal_ + end);
    child_ = Start(command_);
    for (;;) {
      if (waitpid(child_, nullptr, WNOHANG) == child_) return false;
      if (Exists(journal_)) return true;
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
  }

  // Kills the batch after `delay` (none: lets it end) and returns how long
  // it ran after that.
  Clock::duration Finish(std::optional<Clock::duration> delay) {
    const Clock::time_point start = Clock::now();
    if (delay) {
      std::this_thread::sleep_for(*delay);
      kill(child_, SIGKILL);
    }
    waitpid(child_, nullptr, 0);
    return Clock::now() - start;
  }

  // Runs "undo" with the batch's journal; its exit status and messages.
  int Undo(std::string& messages) {
    int status = 0;
    waitpid(Start({"undo"}), &status, 0);
    messages = ReadFile(log_);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  pid_t Start(const std::vector<std::string>& command) {
    std::vector<std::string> args = {SONAVEX_CLI, "--journal", journal_, "--settings",
                                     settings_, "--dir", music_};
    args.insert(args.end(), command.begin(), command.end());
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child == 0) {
      const int out = open(log_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(out, 1);
      dup2(out, 2);
      execv(argv[0], argv.data());
      _exit(127);
    }
    return child;
  }

  std::string music_, journal_, log_, settings_;
  std::vector<std::string> command_;
  pid_t child_ = 0;
};


class KillTest : public ::testing::TestWithParam<KillCase> {};

TEST_P(KillTest, LeavesEveryFileOldOrNewAndUndoRestoresIt) {
  const KillCase& kase = GetParam();
  const int runs = EnvNumber("SONAVEX_KILL_RUNS", 5);
  const unsigned seed = static_cast<unsigned>(
      EnvNumber("SONAVEX_KILL_SEED", static_cast<int>(std::random_device{}() & 0x7FFFFFFF)));
  std::printf("%s: %d runs, SONAVEX_KILL_SEED=%u\n", kase.name, runs, seed);
  SCOPED_TRACE("SONAVEX_KILL_SEED=" + std::to_string(seed));

  ScratchDir scratch;
  TempDir state;
  KillRun run(scratch, state, kase.command);
  const Tree before = kase.make();
  WriteTree(run.music(), before);
  ASSERT_TRUE(run.StartBatch()) << "the batch did not open its journal";
  const Clock::duration clean = run.Finish(std::nullopt);
  const Tree after = ReadTree(run.music());
  ASSERT_NE(after, before) << "the clean run changed nothing";
  const std::vector<FileStates> files = PairStates(before, after);

  std::mt19937 moments(seed);
  std::uniform_int_distribution<std::int64_t> draw(
      0, std::chrono::duration_cast<std::chrono::microseconds>(clean).count());
  int strays = 0;
  for (int i = 0; i < runs; ++i) {
    const std::chrono::microseconds delay(draw(moments));
    SCOPED_TRACE("run " + std::to_string(i) + ", killed after " +
                 std::to_string(delay.count()) + " us");
    WriteTree(run.music(), before);
    if (run.StartBatch()) run.Finish(delay);
    const Outcome outcome = Judge(files, ReadTree(run.music()));
    EXPECT_TRUE(outcome.lost.empty()) << "lost:" << List(outcome.lost);
    EXPECT_TRUE(outcome.doubled.empty()) << "doubled:" << List(outcome.doubled);
    strays += static_cast<int>(outcome.strays.size());

    std::string messages;
    EXPECT_EQ(run.Undo(messages), 0) << messages;
    const Tree undone = ReadTree(run.music());
    EXPECT_EQ(undone.size(), before.size());
    EXPECT_TRUE(undone == before) << "undo left the tree changed; " << outcome.changed
                                  << " files were changed, strays:" << List(outcome.strays)
                                  << "; now:" << List(Differences(undone, before))
                                  << "; undo said: " << messages;
    std::printf("  run %d: killed after %lld us, %d files changed (%d between), %zu left over\n",
                i, static_cast<long long>(delay.count()), outcome.changed, outcome.between,
                outcome.strays.size());
  }
  std::printf("%s: clean run %lld ms after the journal opened, %d temporary files left by kills\n",
              kase.name,
              static_cast<long long>(
                  std::chrono::duration_cast<std::chrono::milliseconds>(clean).count()),
              strays);
}

INSTANTIATE_TEST_SUITE_P(
    Batches, KillTest,
    ::testing::Values(KillCase{"Rename", {"G"}, RenameTree},
                      KillCase{"RenameWithPlaylists", {"G"}, RenameTreeWithPlaylists},
                      KillCase{"TagWrite", {"B", "--title", "[", "]"}, TagTree},
                      KillCase{"Id3v2Write", {"sync-tags", "--to=v2"}, Id3v2Tree},
                      KillCase{"TextReplace",
                               {"--mask", "*.m3u", "Z", "OldFolder", "NewFolder"},
                               PlaylistTree},
                      // The list is new: undo removes it, or the temporary
                      // file a kill left of it.
                      KillCase{"Export",
                               {"P", kInMusic + "Liste.csv", "--columns", "1,5"},
                               TagTree}),
    [](const ::testing::TestParamInfo<KillCase>& info) { return info.param.name; });

}  // namespace
}  // namespace sonavex::test
