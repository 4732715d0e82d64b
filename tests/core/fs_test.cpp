#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "core/fs/fs.h"
#include "core/fs/fs_write.h"
#include "core/text/encoding.h"
#include "support/test_support.h"

namespace sonavex {
namespace {

using test::TempDir;
using test::WriteFile;

TEST(MatchesMask, Patterns) {
  struct Row {
    const char32_t* name;
    const char32_t* mask;
    bool matches;
  };
  const Row rows[] = {
      {U"song.mp3", U"*.mp3", true},
      {U"SONG.MP3", U"*.mp3", true},
      {U"ÄRGER.mp3", U"ärger.*", true},
      {U"song.mp3.txt", U"*.mp3", false},
      {U"a.wav", U"*.mp3;*.wav", true},
      {U"a.ogg", U"*.mp3;*.wav", false},
      {U"README", U"*.*", true},
      {U"README", U"READ*.*", true},
      {U"a.b", U"?.b", true},
      {U"ab.b", U"?.b", false},
      {U"x.mp", U"*.mp?", false},
      {U"x.mp3", U"", false},
      {U"x.mp3", U";;*.mp3", true},
      {U".hidden.mp3", U"*.mp3", true},
      // A "*" in the name itself is a character like any other.
      {U"*.", U"*", true},
      {U"*song.mp3", U"*.mp3", true},
      {U"a*b.mp3", U"a*", true},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(MatchesMask(row.name, row.mask), row.matches)
        << EncodeUtf8(row.name) << " " << EncodeUtf8(row.mask);
  }
}

TEST(SplitPath, CutsAtTheLastSlash) {
  struct Row {
    const char* path;
    const char* directory;
    const char* name;
  };
  const Row rows[] = {
      {"/home/musik/a.mp3", "/home/musik", "a.mp3"},
      {"/a.mp3", "/", "a.mp3"},
      {"a.mp3", ".", "a.mp3"},
      {"/home/musik/", "/home/musik", ""},
      {"/", "/", ""},
      {"", ".", ""},
  };
  for (const Row& row : rows) {
    const PathParts parts = SplitPath(row.path);
    EXPECT_EQ(parts.directory, row.directory) << row.path;
    EXPECT_EQ(parts.name, row.name) << row.path;
  }
}

TEST(ListFiles, RegularFilesAndLinksToThemSortedIgnoringCase) {
  TempDir dir;
  for (const char* name : {"b.mp3", "A.mp3", "a.mp3", ".dot.mp3", "c.txt", "bad\xE4.mp3",
                           "C.mp3", "\xC3\x9C" "ber.mp3", "x\xC3\x84y.mp3", "xb.mp3",
                           "\xC3\x84pfel.mp3", "\xC3\x96l.mp3"}) {
    WriteFile(dir / name, "x");
  }
  mkdir((dir / "sub.mp3").c_str(), 0755);
  mkfifo((dir / "fifo.mp3").c_str(), 0644);
  symlink("b.mp3", (dir / "link.mp3").c_str());
  symlink("missing", (dir / "dangling.mp3").c_str());
  symlink("sub.mp3", (dir / "dirlink.mp3").c_str());

  std::error_code ec;
  const auto names = ListFiles(dir.path(), U"*.MP3", ec);
  ASSERT_FALSE(ec);
  const std::vector<std::string> expected = {
      ".dot.mp3", "A.mp3",         "a.mp3",          "b.mp3",           "bad\xE4.mp3",
      "C.mp3",    "link.mp3",      "xb.mp3",         "x\xC3\x84y.mp3", "\xC3\x84pfel.mp3",
      "\xC3\x96l.mp3", "\xC3\x9C" "ber.mp3"};
  EXPECT_EQ(names, expected);

  ListFiles(dir / "missing", U"*", ec);
  EXPECT_EQ(ec, std::errc::no_such_file_or_directory);
}

// Subdirectories sort like files; the walk's list leaves out links to
// directories, the full listing keeps them marked as links.
TEST(ListSubdirectories, FileOrderLinksOnlyInTheFullListing) {
  TempDir dir;
  for (const char* name : {"b", "Rock", "a", ".cache", "alternative"}) {
    mkdir((dir / name).c_str(), 0755);
  }
  symlink("a", (dir / "Alink").c_str());
  symlink("missing", (dir / "dangling").c_str());
  WriteFile(dir / "file", "");
  std::error_code ec;
  EXPECT_EQ(ListSubdirectories(dir.path(), ec),
            (std::vector<std::string>{".cache", "a", "alternative", "b", "Rock"}));
  const std::vector<Subdirectory> expected = {
      {".cache", false}, {"a", false}, {"Alink", true}, {"alternative", false},
      {"b", false},      {"Rock", false}};
  EXPECT_EQ(ListDirectory(dir.path(), U"*", ec).subdirectories, expected);
  EXPECT_FALSE(ec);
}

TEST(RenameNoReplace, RenamesAndNeverReplaces) {
  TempDir dir;
  WriteFile(dir / "old.mp3", "old");
  WriteFile(dir / "taken.mp3", "taken");

  EXPECT_EQ(RenameNoReplace(dir.path(), "old.mp3", "taken.mp3"), std::errc::file_exists);
  EXPECT_EQ(test::ReadFile(dir / "old.mp3"), "old");
  EXPECT_EQ(test::ReadFile(dir / "taken.mp3"), "taken");

  EXPECT_FALSE(RenameNoReplace(dir.path(), "old.mp3", "old.mp3"));
  EXPECT_FALSE(RenameNoReplace(dir.path(), "old.mp3", "Old.mp3"));
  EXPECT_EQ(test::ReadFile(dir / "Old.mp3"), "old");
  EXPECT_FALSE(test::Exists(dir / "old.mp3"));

  EXPECT_EQ(RenameNoReplace(dir.path(), "missing.mp3", "x.mp3"),
            std::errc::no_such_file_or_directory);
}

// One renamer across folders, back and forth: each rename lands in its own
// folder and gives what RenameNoReplace gives.
TEST(DirectoryRenamer, RenamesInEachFolderAsRenameNoReplace) {
  TempDir dir;
  mkdir((dir / "a").c_str(), 0755);
  mkdir((dir / "b").c_str(), 0755);
  for (const char* name : {"a/1.mp3", "a/2.mp3", "a/taken.mp3", "b/1.mp3"}) {
    WriteFile(dir / name, name);
  }
  struct Row {
    const char* folder;
    const char* from;
    const char* to;
    std::errc error;  // std::errc() for success
  };
  const Row rows[] = {
      {"a", "1.mp3", "x.mp3", std::errc()},
      {"a", "2.mp3", "taken.mp3", std::errc::file_exists},
      {"b", "1.mp3", "x.mp3", std::errc()},
      {"a", "2.mp3", "y.mp3", std::errc()},
      {"a", "x.mp3", "X.mp3", std::errc()},
      {"a", "y.mp3", "../b/y.mp3", std::errc::invalid_argument},
      {"missing", "1.mp3", "x.mp3", std::errc::no_such_file_or_directory},
      {"b", "x.mp3", "x.mp3", std::errc()},
  };
  DirectoryRenamer renamer;
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.folder) + "/" + row.from + " -> " + row.to);
    EXPECT_EQ(renamer.Rename(dir / row.folder, row.from, row.to), row.error);
  }
  std::error_code ec;
  EXPECT_EQ(ListFiles(dir / "a", U"*", ec),
            (std::vector<std::string>{"taken.mp3", "X.mp3", "y.mp3"}));
  EXPECT_EQ(ListFiles(dir / "b", U"*", ec), (std::vector<std::string>{"x.mp3"}));
  EXPECT_EQ(test::ReadFile(dir / "a/X.mp3"), "a/1.mp3");
  EXPECT_EQ(test::ReadFile(dir / "a/y.mp3"), "a/2.mp3");
}

// On a case-insensitive file system a letter-case-only change goes through a
// temporary name; the steps run here on an ordinary directory, with the
// chosen ones failing.
TEST(RenameThroughTemporary, ChangesTheSpellingOrLeavesTheFileFindable) {
  struct Row {
    unsigned failingSteps;  // bit n: step n fails (0 away, 1 onto the new name, 2 back)
    int error;
    const char* leftAs;  // nullptr: the temporary name
  };
  const Row rows[] = {
      {0b000, 0, "Song.mp3"},
      {0b001, EIO, "song.mp3"},
      {0b010, EIO, "song.mp3"},
      {0b110, EIO, nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.failingSteps);
    TempDir dir;
    WriteFile(dir / "song.mp3", "audio");
    unsigned step = 0;
    const RenameStep failing = [&](const std::string& from, const std::string& to) {
      if (row.failingSteps & (1u << step++)) return std::error_code(EIO, std::generic_category());
      return RenameStepNoReplace(from, to);
    };
    std::string stranded;
    EXPECT_EQ(
        RenameThroughTemporary(dir.path(), "song.mp3", "Song.mp3", &stranded, failing).value(),
        row.error);
    const std::string left = row.leftAs != nullptr ? row.leftAs : stranded;
    EXPECT_EQ(stranded.empty(), row.leftAs != nullptr);
    std::error_code ec;
    EXPECT_EQ(ListFiles(dir.path(), U"*", ec), std::vector<std::string>{left});
    EXPECT_EQ(test::ReadFile(dir / left), "audio");
  }
}

// A given temporary name is used when it is free; a file that holds it is
// never touched.
TEST(RenameThroughTemporary, TakesTheGivenTemporaryNameWhenFree) {
  for (const bool taken : {false, true}) {
    SCOPED_TRACE(taken);
    TempDir dir;
    WriteFile(dir / "song.mp3", "audio");
    if (taken) WriteFile(dir / ".given", "mine");
    // Every step away from the temporary name fails: the file stays there.
    const RenameStep stranding = [&](const std::string& from, const std::string& to) {
      if (from != dir / "song.mp3") return std::error_code(EIO, std::generic_category());
      return RenameStepNoReplace(from, to);
    };
    std::string stranded;
    EXPECT_EQ(RenameThroughTemporary(dir.path(), "song.mp3", "Song.mp3", &stranded, stranding,
                                     ".given")
                  .value(),
              EIO);
    EXPECT_EQ(stranded == ".given", !taken);
    EXPECT_EQ(test::ReadFile(dir / stranded), "audio");
    EXPECT_EQ(test::ReadFile(dir / ".given"), taken ? "mine" : "audio");
  }
}

TEST(RenameNoReplace, RefusesInvalidNamesBeforeAsking) {
  TempDir dir;
  WriteFile(dir / "a.mp3", "a");
  for (const std::string& bad : {std::string(""), std::string("."),
                                std::string(".."), std::string("x/y.mp3"),
                                std::string("nul\0.mp3", 8)}) {
    EXPECT_EQ(RenameNoReplace(dir.path(), "a.mp3", bad), std::errc::invalid_argument);
    EXPECT_EQ(RenameNoReplace(dir.path(), bad, "b.mp3"), std::errc::invalid_argument);
  }
  EXPECT_TRUE(test::Exists(dir / "a.mp3"));
}

TEST(WritableGuard, LiftsAndRestoresWritePermission) {
  TempDir dir;
  const std::string path = dir / "ro.mp3";
  WriteFile(path, "x");
  chmod(path.c_str(), 0444);
  {
    WritableGuard guard(path);
    EXPECT_FALSE(guard.error());
    struct stat st{};
    stat(path.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
  }
  struct stat st{};
  stat(path.c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0444u);
}

// The new content keeps the file's mode, whether the temporary file got it
// as it was made or only afterwards (bits the creation mask takes away, set
// bits, a temporary under a name of its own); a new file gets what a plain
// create gives. No temporary file is left.
TEST(ReplaceFileAtomically, KeepsModeAndLeavesNoTemporary) {
  const mode_t mask = umask(0);
  umask(mask);
  struct Row {
    mode_t mode;  // 0: the file is new
    const char* temporaryName;
  };
  for (const Row row : {Row{0600, ""}, Row{0644, "~tmp"}, Row{0664, "~tmp"}, Row{0666, ""},
                        Row{04755, "~tmp"}, Row{0, "~tmp"}, Row{0, ""}}) {
    SCOPED_TRACE(testing::Message() << std::oct << row.mode << " " << row.temporaryName);
    TempDir dir;
    const std::string path = dir / "settings.INI";
    if (row.mode != 0) {
      WriteFile(path, "old");
      chmod(path.c_str(), row.mode);
    }
    ASSERT_FALSE(ReplaceFileAtomically(path, "new", row.temporaryName));
    EXPECT_EQ(test::ReadFile(path), "new");
    struct stat st{};
    stat(path.c_str(), &st);
    EXPECT_EQ(st.st_mode & 07777, row.mode != 0 ? row.mode : 0666 & ~mask);
    std::error_code ec;
    EXPECT_EQ(ListFiles(dir.path(), U"*", ec).size(), 1u);
  }
}

// A named temporary file is used when its name is free; a file that holds
// the name already is never touched, and the replacement takes another.
TEST(ReplaceFileAtomically, NamedTemporaryNeverTakesAnExistingFile) {
  TempDir dir;
  const std::string path = dir / "list.m3u";
  WriteFile(path, "old");
  WriteFile(dir / ".taken", "mine");
  ASSERT_FALSE(ReplaceFileAtomically(path, "new", ".free"));
  ASSERT_FALSE(ReplaceFileAtomically(path, "newer", ".taken"));
  EXPECT_EQ(test::ReadFile(path), "newer");
  EXPECT_EQ(test::ReadFile(dir / ".taken"), "mine");
  std::error_code ec;
  EXPECT_EQ(ListFiles(dir.path(), U"*", ec),
            (std::vector<std::string>{".taken", "list.m3u"}));
}

// The temporary file goes beside the file a link leads to.
TEST(ReplaceFileAtomically, TemporaryPathFollowsLinks) {
  TempDir dir;
  WriteFile(dir / "real/list.m3u", "old");
  ASSERT_EQ(symlink((dir / "real/list.m3u").c_str(), (dir / "link.m3u").c_str()), 0);
  EXPECT_EQ(TemporaryPathFor(dir / "link.m3u", ".t"), dir / "real/.t");
  EXPECT_EQ(TemporaryPathFor(dir / "gone.m3u", ".t"), dir / ".t");
}

}  // namespace
}  // namespace sonavex
