// sync-tags and info --id3v2 through the built tool.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/cli_run.h"
#include "support/id3v2_fixtures.h"
#include "support/test_support.h"

namespace sonavex::test {
namespace {

using namespace std::string_literals;

const std::string kV2 = Tag(3, Frame(3, "TIT2", Text(0, "Langer Titel aus dem ID3v2-Tag!")) +
                                   Frame(3, "TPE1", Text(1, Utf16(U"Künstler"))), 100);
const std::string kV1 = Id3v1("Kurz", "Band", "Platte", "1999", 3, 0);

std::vector<std::string> Args(const TempDir& dir, std::vector<std::string> more) {
  std::vector<std::string> args = {"--journal", dir / "j.sqlite", "--dir", dir.path()};
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

TEST(CliId3v2, InfoShowsTheId3v2ColumnsAndReportsAnUnreadableTag) {
  TempDir dir;
  WriteFile(dir / "a.mp3", kV2 + Audio() + kV1);
  WriteFile(dir / "b.mp3", Audio());
  WriteFile(dir / "c.mp3", Tag(3, "TIT2\x00\x00\x01\x00\x00\x00" "abc"s) + Audio());
  const CliResult plain = RunCli(Args(dir, {"info"}));
  const CliResult wide = RunCli(Args(dir, {"info", "--id3v2"}));
  EXPECT_EQ(plain.status, 0) << plain.err;
  EXPECT_EQ(wide.status, 1);
  EXPECT_EQ(wide.err, "Warnung: " + dir / "c.mp3\n\nID3v2-Tag nicht lesbar\n");
  std::vector<std::string> lines;
  for (std::size_t at = 0, end; (end = wide.out.find('\n', at)) != std::string::npos; at = end + 1) {
    lines.push_back(wide.out.substr(at, end - at));
  }
  ASSERT_EQ(lines.size(), 3u) << wide.out;
  EXPECT_TRUE(lines[0].ends_with("\tLanger Titel aus dem ID3v2-Tag!\tKünstler\t")) << lines[0];
  EXPECT_TRUE(lines[1].ends_with("\t\t\t")) << lines[1];
  // The twelve columns are the same with and without.
  EXPECT_TRUE(lines[0].starts_with(plain.out.substr(0, plain.out.find('\n')) + "\t"));
}

TEST(CliId3v2, SyncTagsBothWaysAndUndo) {
  TempDir dir;
  const std::string original = kV2 + Audio() + kV1;
  WriteFile(dir / "a.mp3", original);
  const CliResult dry = RunCli(Args(dir, {"--dry-run", "sync-tags", "--to=v2"}));
  EXPECT_EQ(dry.out, dir / "a.mp3\tID3v2-Tag geschrieben\n");
  EXPECT_EQ(ReadFile(dir / "a.mp3"), original);

  const CliResult toV2 = RunCli(Args(dir, {"sync-tags", "--to", "v2"}));
  EXPECT_EQ(toV2.status, 0) << toV2.err;
  const std::string written = ReadFile(dir / "a.mp3");
  EXPECT_EQ(written.size(), original.size());  // in place, in the padding
  EXPECT_NE(written.find(Frame(3, "TIT2", Text(0, "Kurz"))), std::string::npos);
  EXPECT_NE(written.find(Frame(3, "TPE1", Text(1, Utf16(U"Band")))), std::string::npos);
  EXPECT_EQ(RunCli(Args(dir, {"undo"})).status, 0);
  EXPECT_EQ(ReadFile(dir / "a.mp3"), original);

  const CliResult toV1 = RunCli(Args(dir, {"sync-tags", "--to=v1"}));
  EXPECT_EQ(toV1.status, 0) << toV1.err;
  const std::string tag = ReadFile(dir / "a.mp3").substr(original.size() - 128);
  EXPECT_EQ(tag.substr(3, 60), "Langer Titel aus dem ID3v2-...K\xFCnstler" + std::string(22, ' '));
  EXPECT_EQ(RunCli(Args(dir, {"undo"})).status, 0);
  EXPECT_EQ(ReadFile(dir / "a.mp3"), original);
}

TEST(CliId3v2, SyncTagsWithoutATargetIsAWrongCall) {
  TempDir dir;
  WriteFile(dir / "a.mp3", Audio() + kV1);
  for (const std::vector<std::string>& call :
       {std::vector<std::string>{"sync-tags"}, {"sync-tags", "--to=v3"}}) {
    const CliResult result = RunCli(Args(dir, call));
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err, "mp3sonavex-cli: sync-tags braucht --to=v2 oder --to=v1\n"
                          "Aufruf: mp3sonavex-cli --help\n");
  }
  EXPECT_EQ(ReadFile(dir / "a.mp3"), Audio() + kV1);
}

}  // namespace
}  // namespace sonavex::test
