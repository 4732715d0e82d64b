#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <ctime>

#include "core/mp3/id3v1.h"
#include "core/mp3/tinfo.h"
#include "core/text/encoding.h"
#include "support/mp3_fixtures.h"
#include "support/test_support.h"

namespace sonavex {
namespace {

using test::BigEndian32;
using test::ChangeTimeOf;
using test::Bytes;
using test::Frames;
using test::Zeros;

TEST(PlayingTime, WholeSecondsCutToThreeDigits) {
  struct Row {
    std::int64_t size;
    long kbps;
    std::u32string dauer;
  };
  const Row rows[] = {
      {4000000, 128, U"04:10"}, {2000, 1, U"00:16"},    {10000000, 1, U"133:20"},
      {7500, 1, U"01:00"},      {59900, 8, U"00:59"},   {15000, 1, U"02:00"},
      {7500000, 1, U"100:00"},  {0, 128, U"00:00"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(FormatDauer(PlayingSeconds(row.size, row.kbps)), row.dauer)
        << row.size << " bytes at " << row.kbps;
  }
}

std::string XingFrame(std::string header, std::size_t sideInfo, std::string tag,
                      std::uint32_t flags, std::uint32_t frames, std::uint32_t bytes) {
  return header + Zeros(sideInfo) + tag + BigEndian32(flags) + BigEndian32(frames) +
         BigEndian32(bytes);
}

TEST(PlayingTime, FromFirstFrameOrFromVbrSummary) {
  const std::string stereo1 = Bytes({0xFF, 0xFB, 0x90, 0x44});
  // Two ID3v2 tags of 100,000 bytes and 1,000 bytes.
  const std::string cover = Bytes({'I', 'D', '3', 3, 0, 0, 0, 0x06, 0x0D, 0x16}) +
                            Zeros(99990) + Bytes({'I', 'D', '3', 3, 0, 0, 0, 0, 0x07, 0x5E}) +
                            Zeros(990);
  const std::string vbri = stereo1 + Zeros(32) + "VBRI" +
                           Bytes({0x00, 0x01, 0x00, 0x00, 0x00, 0x4B}) +
                           BigEndian32(1000000) + BigEndian32(7000);
  struct Row {
    const char* what;
    std::string bytes;
    std::u32string dauer, bitrate;
  };
  const Row rows[] = {
      {"constant bit rate", Frames(stereo1, 417, 4000000), U"04:10", U"128"},
      {"no header", Zeros(2000), U"00:16", U"1"},
      {"Xing with byte count", Frames(XingFrame(stereo1, 32, "Xing", 3, 1000, 500000), 417, 1000),
       U"00:26", U"153"},
      {"Xing without byte count uses the size",
       Frames(XingFrame(Bytes({0xFF, 0xF3, 0x80, 0xC4}), 9, "Xing", 1, 500, 0), 208, 100000),
       U"00:13", U"61"},
      {"Xing in a stereo MPEG-2 frame",
       Frames(XingFrame(Bytes({0xFF, 0xF3, 0x80, 0x44}), 17, "Xing", 3, 500, 100000), 208, 1000),
       U"00:13", U"61"},
      {"Xing in a mono MPEG-1 frame",
       Frames(XingFrame(Bytes({0xFF, 0xFB, 0x90, 0xC4}), 17, "Xing", 3, 1000, 250000), 417, 1000),
       U"00:26", U"77"},
      {"VBRI", Frames(vbri, 417, 1000), U"03:02", U"44"},
      {"Info keeps the first frame's rule",
       Frames(XingFrame(stereo1, 32, "Info", 3, 1000, 500000), 417, 160000), U"00:10", U"128"},
      {"Xing without frame count",
       Frames(XingFrame(stereo1, 32, "Xing", 0, 1000, 500000), 417, 160000), U"00:10", U"128"},
      {"summary across the first read block",
       Zeros(4080) + XingFrame(stereo1, 32, "Xing", 3, 1000, 500000), U"00:26", U"153"},
      // A cover picture in the ID3v2 tags is no playing time, and no part of
      // a bit rate worked out from the size.
      {"behind ID3v2 tags", cover + Frames(stereo1, 417, 160000), U"00:10", U"128"},
      {"no header behind ID3v2 tags", cover + Zeros(2000), U"00:16", U"1"},
      {"Xing without byte count behind ID3v2 tags",
       cover + Frames(XingFrame(Bytes({0xFF, 0xF3, 0x80, 0xC4}), 9, "Xing", 1, 500, 0), 208,
                      100000),
       U"00:13", U"61"},
  };
  test::TempDir dir;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    test::WriteFile(dir / "a.mp3", row.bytes);
    TInfo info;
    ASSERT_FALSE(info.SetDatei(dir / "a.mp3"));
    EXPECT_EQ(info.Dauer, row.dauer);
    EXPECT_EQ(info.Bitrate, row.bitrate);
    EXPECT_EQ(info.Groesse, DecodeUtf8(std::to_string(row.bytes.size())));
    // The same bytes in memory read the same.
    TInfo memory;
    ReadMp3Bytes(row.bytes, memory);
    EXPECT_EQ(memory.Dauer, row.dauer);
    EXPECT_EQ(memory.Bitrate, row.bitrate);
  }
}

TEST(TInfo, NameTypeAndMp3Test) {
  struct Row {
    std::string file;
    std::u32string name, typ;
    bool istMp3;
  };
  const Row rows[] = {
      {"Lied.MP3", U"Lied", U"MP3", true},
      {"lied.mp3", U"lied", U"mp3", true},
      {"lied.Mp3", U"lied", U"Mp3", true},
      {"lied.mp2", U"lied", U"mp2", false},
      {"lied", U"lied", U"", false},
      {"archive.tar.gz", U"archive.tar", U"gz", false},
      {"M\xC3\xA4" "dchen.mp3", U"Mädchen", U"mp3", true},
      {"bad\xE4.mp3", U"bad" + std::u32string(1, char32_t{0xDCE4}), U"mp3", true},
  };
  test::TempDir dir;
  const std::string untagged = Bytes({0xFF, 0xFB, 0x90, 0x44}) + Zeros(196);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.file);
    test::WriteFile(dir / row.file, untagged);
    TInfo info;
    ASSERT_FALSE(info.SetDatei(dir / row.file));
    EXPECT_EQ(info.Name, row.name);
    EXPECT_EQ(info.Typ, row.typ);
    EXPECT_EQ(info.IstMP3, row.istMp3);
    EXPECT_EQ(info.Groesse, U"200");
    EXPECT_EQ(info.MPEG, row.istMp3 ? U"1" : U"");
    EXPECT_EQ(info.Datei, dir / row.file);
    EXPECT_EQ(test::ReadFile(dir / row.file), untagged) << "loading only reads";
  }
}

TEST(TInfo, DatumInLocalTime) {
  test::TempDir dir;
  test::WriteFile(dir / "a.mp3", "x");
  std::tm local{};
  local.tm_year = 101;
  local.tm_mon = 2;
  local.tm_mday = 8;
  local.tm_hour = 9;
  local.tm_min = 5;
  local.tm_isdst = -1;
  const timespec times[2] = {{mktime(&local), 0}, {mktime(&local), 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, (dir / "a.mp3").c_str(), times, 0), 0);
  TInfo info;
  ASSERT_FALSE(info.SetDatei(dir / "a.mp3"));
  EXPECT_EQ(info.Datum, U"08.03.01 09:05");
}

// The text of the last minute made is used again for times in that minute
// only: times inside it, at its edges and on either side of it, in turns.
TEST(TInfo, DatumOfSuccessiveTimes) {
  const std::int64_t base = 999'999'980;  // 20 seconds into its minute
  for (const std::int64_t time : {base, base + 39, base + 40, base - 21, base - 20, base,
                                  base + 86'400 * 200, base + 86'400 * 200 + 1, std::int64_t{-1}}) {
    const std::time_t t = static_cast<std::time_t>(time);
    std::tm local{};
    localtime_r(&t, &local);
    char expected[32];
    std::strftime(expected, sizeof expected, "%d.%m.%y %H:%M", &local);
    EXPECT_EQ(DatumAscii(time), expected) << time;
  }
}

TEST(TInfo, SecondLoadOfTheSamePathReadsNothing) {
  test::TempDir dir;
  const std::string path = dir / "a.mp3";
  test::WriteFile(path, "TAG" + std::string(125, ' '));
  TInfo info;
  ASSERT_FALSE(info.SetDatei(path));
  test::WriteFile(path, "TAG" + std::string("Neu") + std::string(122, ' '));
  EXPECT_FALSE(info.SetDatei(path));
  EXPECT_EQ(info.Titel, std::u32string(30, U' '));
  TInfo fresh;
  ASSERT_FALSE(fresh.SetDatei(path));
  EXPECT_EQ(fresh.Titel, U"Neu" + std::u32string(27, U' '));
}

TEST(TInfo, UntaggedFileReadsEmptyFieldsAndStaysUntouched) {
  test::TempDir dir;
  const std::string path = dir / "a.mp3";
  // The last 125 bytes are text-like audio data, not a tag.
  const std::string bytes = Bytes({0xFF, 0xFB, 0x90, 0x44}) + std::string(400, 'A');
  test::WriteFile(path, bytes);
  ASSERT_EQ(chmod(path.c_str(), 0444), 0);
  const timespec changed = ChangeTimeOf(path);
  TInfo info;
  ASSERT_FALSE(info.SetDatei(path));
  EXPECT_EQ(info.Titel, U"");
  EXPECT_EQ(info.Album, U"");
  EXPECT_EQ(info.MPEG, U"1");
  EXPECT_EQ(test::ReadFile(path), bytes);
  struct stat st{};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0444u);
  EXPECT_TRUE(test::SameTime(st.st_ctim, changed)) << "permissions were touched";
}

TEST(TInfo, MissingFileIsAnError) {
  test::TempDir dir;
  TInfo info;
  EXPECT_EQ(info.SetDatei(dir / "gone.mp3"), std::errc::no_such_file_or_directory);
}

}  // namespace
}  // namespace sonavex
