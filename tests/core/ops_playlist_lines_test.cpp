#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/ops/playlist_lines.h"

namespace sonavex {
namespace {

// One folder tree: /m/lists holds the playlists, /m/tree the music.
const RenameMap kRenames = {
    {"/m/tree/A/a b.mp3", "/m/tree/A/a -- b.mp3"},
    {"/m/tree/A/Über.mp3", "/m/tree/A/Übers.mp3"},
    {"/m/tree/A/x.mp3", "/m/tree/A/\xE2\x80\xA2x.mp3"},   // "•x": Windows-1252 has it
    {"/m/tree/A/y.mp3", "/m/tree/A/\xE2\x98\x85y.mp3"},   // "★y": it has not
    {"/m/lists/here.mp3", "/m/lists/there.mp3"},
};

struct Row {
  const char* what;
  PlaylistType type;
  std::string before;
  std::string after;  // empty: the playlist stays
  int lines;
};

TEST(RewritePlaylist, KeepsEachLineItsForm) {
  const Row rows[] = {
      {"relative with / and LF", PlaylistType::M3u8,
       "#EXTM3U\n#EXTINF:1,a b\n../tree/A/a b.mp3\n../tree/A/other.mp3\n",
       "#EXTM3U\n#EXTINF:1,a b\n../tree/A/a -- b.mp3\n../tree/A/other.mp3\n", 1},
      {"backslashes, CR LF, no last line end", PlaylistType::M3u,
       "#EXTINF:1,a b\r\n..\\tree\\A\\a b.mp3\r\n..\\tree\\.\\A\\..\\A\\a b.mp3",
       "#EXTINF:1,a b\r\n..\\tree\\A\\a -- b.mp3\r\n..\\tree\\.\\A\\..\\A\\a -- b.mp3", 2},
      {"absolute and bare name", PlaylistType::M3u, "/m/tree/A/a b.mp3\nhere.mp3\n",
       "/m/tree/A/a -- b.mp3\nthere.mp3\n", 2},
      {"file URL with space and umlaut", PlaylistType::M3u8,
       "file:///m/tree/A/a%20b.mp3\r\nfile:///m/tree/A/%C3%9Cber.mp3\r\n",
       "file:///m/tree/A/a%20--%20b.mp3\r\nfile:///m/tree/A/%C3%9Cbers.mp3\r\n", 2},
      {"pls values only", PlaylistType::Pls,
       "[playlist]\nFile1=../tree/A/a b.mp3\nTitle1=../tree/A/a b.mp3\nNumberOfEntries=1\n",
       "[playlist]\nFile1=../tree/A/a -- b.mp3\nTitle1=../tree/A/a b.mp3\nNumberOfEntries=1\n",
       1},
      {"Windows-1252 stays Windows-1252", PlaylistType::M3u,
       "#EXTINF:1,\xDC" "ber\r\n../tree/A/\xDC" "ber.mp3\r\n../tree/A/x.mp3\r\n",
       "#EXTINF:1,\xDC" "ber\r\n../tree/A/\xDC" "bers.mp3\r\n../tree/A/\x95x.mp3\r\n", 2},
      {"UTF-8 stays UTF-8", PlaylistType::M3u, "../tree/A/\xC3\x9C" "ber.mp3\n",
       "../tree/A/\xC3\x9C" "bers.mp3\n", 1},
      {"an .m3u8 in Windows-1252 turns UTF-8 for a name it cannot hold",
       PlaylistType::M3u8, "#\xDC\n../tree/A/y.mp3\n",
       "#\xC3\x9C\n../tree/A/\xE2\x98\x85y.mp3\n", 1},
      {"lines naming no renamed file, other schemes, drive paths", PlaylistType::M3u,
       "../tree/A/gone.mp3\nhttp://host/m/tree/A/a b.mp3\nC:\\m\\tree\\A\\a b.mp3\n\n#../tree/A/a b.mp3\n",
       "", 0},
  };
  for (const Row& row : rows) {
    const PlaylistRewrite result = RewritePlaylist(row.before, "/m/lists", row.type, kRenames);
    EXPECT_EQ(result.outcome, row.after.empty() ? PlaylistRewrite::Outcome::Unchanged
                                                : PlaylistRewrite::Outcome::Rewritten)
        << row.what;
    if (!row.after.empty()) {
      EXPECT_EQ(result.content, row.after) << row.what;
    }
    EXPECT_EQ(result.changedLines, row.lines) << row.what;
  }
}

TEST(RewritePlaylist, RefusesANameTheEncodingCannotHold) {
  // Windows-1252 (the "Ü"), not an .m3u8: the "★" cannot go in.
  const PlaylistRewrite result =
      RewritePlaylist("#\xDC\n../tree/A/y.mp3\n", "/m/lists", PlaylistType::M3u, kRenames);
  EXPECT_EQ(result.outcome, PlaylistRewrite::Outcome::Refused);
}

// A line in another letter case is asked of the volume's comparison; what
// it names keeps its spelling up to the new name.
TEST(RewritePlaylist, AsksTheVolumeForALineInAnotherCase) {
  std::vector<std::string> asked;
  const CaseBlindLookup caseBlind = [&](const std::string& path) -> const std::string* {
    asked.push_back(path);
    return path == "/m/TREE/a/A B.MP3" ? &kRenames.Find("/m/tree/A/a b.mp3")->first : nullptr;
  };
  const PlaylistRewrite result =
      RewritePlaylist("../TREE/a/A B.MP3\n../tree/A/a b.mp3\nfile:///m/tree/a/a%20b.mp3\n"
                      "../other/a b.mp3\n",
                      "/m/lists", PlaylistType::M3u, kRenames, caseBlind);
  EXPECT_EQ(result.content,
            "../TREE/a/a -- b.mp3\n../tree/A/a -- b.mp3\nfile:///m/tree/a/a%20b.mp3\n"
            "../other/a b.mp3\n");
  EXPECT_EQ(result.changedLines, 2);
  // A folder that holds no renamed file under any letter case is not asked about.
  EXPECT_EQ(asked, (std::vector<std::string>{"/m/TREE/a/A B.MP3", "/m/tree/a/a b.mp3"}));
}

TEST(NormalisePath, DropsDotSegments) {
  EXPECT_EQ(NormalisePath("/a/./b/../c//d"), "/a/c/d");
  EXPECT_EQ(NormalisePath("/../a"), "/a");
  EXPECT_EQ(NormalisePath("/"), "/");
  EXPECT_EQ(NormalisePath("/a/b/"), "/a/b");
  EXPECT_EQ(NormalisePath("/a/.."), "/");
  EXPECT_EQ(NormalisePath("/a/..b/.c"), "/a/..b/.c");
}

TEST(PlaylistTypeOf, ByExtension) {
  EXPECT_EQ(PlaylistTypeOf("a.M3U"), PlaylistType::M3u);
  EXPECT_EQ(PlaylistTypeOf("a.m3u8"), PlaylistType::M3u8);
  EXPECT_EQ(PlaylistTypeOf("a.pls"), PlaylistType::Pls);
  EXPECT_EQ(PlaylistTypeOf("a.mp3"), std::nullopt);
}

}  // namespace
}  // namespace sonavex
