#include <gtest/gtest.h>

#include <cstdio>

#include "core/mp3/tinfo.h"
#include "core/text/encoding.h"
#include "support/encoder_fixtures.h"

namespace sonavex {
namespace {

// Constant bit rate files from an encoder start with an "Info" frame, which
// must leave the first frame's values and the plain playing-time rule alone.
TEST(EncodedMp3, ConstantBitRateFramesDecodeToTheEncodersSettings) {
  if (test::LamePath().empty()) GTEST_SKIP() << "lame was not found at configure time";
  struct Row {
    std::string options;
    std::u32string mpeg, bitrate, sampFreq, mode;
    long kbps;
  };
  const Row rows[] = {
      {"-b 128 -m j", U"1", U"128", U"44100", U"Joint Stereo", 128},
      {"-b 320 -m d", U"1", U"320", U"44100", U"Dual-Channel", 320},
      {"-b 64 -m m --resample 22.05", U"2", U"64", U"22050", U"Mono", 64},
      {"-b 32 -m s --resample 8", U"2.5", U"32", U"8000", U"Stereo", 32},
  };
  test::TempDir dir;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.options);
    const std::string mp3 = dir / "cbr.mp3";
    ASSERT_TRUE(test::EncodeMp3(dir, row.options, mp3));
    TInfo info;
    ASSERT_FALSE(info.SetDatei(mp3));
    EXPECT_EQ(info.MPEG, row.mpeg);
    EXPECT_EQ(info.Layer, U"3");
    EXPECT_EQ(info.Bitrate, row.bitrate);
    EXPECT_EQ(info.SampFreq, row.sampFreq);
    EXPECT_EQ(info.Mode, row.mode);
    const long size = std::stol(EncodeUtf8(info.Groesse));
    const long seconds = size * 8 / (row.kbps * 1000);
    char dauer[64];
    std::snprintf(dauer, sizeof dauer, "%02ld:%02ld", seconds / 60, seconds % 60);
    EXPECT_EQ(info.Dauer, DecodeUtf8(dauer));
  }
}

}  // namespace
}  // namespace sonavex
