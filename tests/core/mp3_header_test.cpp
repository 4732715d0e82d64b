#include <gtest/gtest.h>

#include "core/fs/fs.h"
#include "core/mp3/frame_header.h"
#include "core/mp3/tinfo.h"
#include "support/test_support.h"
#include "support/mp3_fixtures.h"

namespace sonavex {
namespace {

using test::Bytes;
using test::Zeros;

struct HeaderRow {
  const char* what;
  std::string bytes;
  std::int64_t offset;  // -1: no header
  std::u32string mpeg, layer, bitrate, sampFreq, mode;
};

std::vector<HeaderRow> HeaderRows() {
  const std::string frame = Bytes({0xFF, 0xFB, 0x90, 0x44});
  const auto id3v2 = [](int flags, std::initializer_list<int> size) {
    std::string tag = "ID3" + Bytes({0x03, 0x00, flags});
    return tag + Bytes(size);
  };
  const std::u32string j = U"Joint Stereo";
  return {
      {"mpeg1 layer3", frame, 0, U"1", U"3", U"128", U"44100", j},
      {"mpeg2 layer3", Bytes({0xFF, 0xF3, 0x80, 0xC4}), 0, U"2", U"3", U"64", U"22050", U"Mono"},
      {"ten zero bytes first", Zeros(10) + frame, 10, U"1", U"3", U"128", U"44100", j},
      {"FF 12 is no sync", Bytes({0x00, 0xFF, 0x12, 0x34}) + frame, 4, U"1", U"3", U"128", U"44100", j},
      {"free format", Bytes({0xFF, 0xFB, 0x00, 0x44}), 0, U"1", U"3", U"1", U"44100", j},
      {"bit rate index 15", Bytes({0xFF, 0xFB, 0xF0, 0x44}), 0, U"1", U"3", U"1", U"44100", j},
      {"frequency index 3", Bytes({0xFF, 0xFB, 0x9C, 0x44}), 0, U"1", U"3", U"128", U"x", j},
      {"reserved layer", Bytes({0xFF, 0xF9, 0x90, 0x44}), 0, U"1", U"?", U"1", U"44100", j},
      {"no sync, reserved version E8/EF",
       Bytes({0x55, 0xFF, 0x00, 0xFF, 0xEF, 0x12, 0xFF, 0xE8, 0x00, 0xFF}), -1,
       U"x", U"x", U"1", U"x", U"x"},
      {"mpeg1 layer1", Bytes({0xFF, 0xFF, 0xE0, 0x80}), 0, U"1", U"1", U"448", U"44100", U"Dual-Channel"},
      {"mpeg1 layer2", Bytes({0xFF, 0xFD, 0x18, 0x00}), 0, U"1", U"2", U"32", U"32000", U"Stereo"},
      {"mpeg2 layer1", Bytes({0xFF, 0xF7, 0xE4, 0x40}), 0, U"2", U"1", U"256", U"24000", j},
      {"mpeg2 layer2", Bytes({0xFF, 0xF5, 0x18, 0x00}), 0, U"2", U"2", U"8", U"16000", U"Stereo"},
      {"mpeg2.5 layer3", Bytes({0xFF, 0xE3, 0x80, 0xC4}), 0, U"2.5", U"3", U"64", U"11025", U"Mono"},
      {"mpeg1 layer3 index 11", Bytes({0xFF, 0xFB, 0xB0, 0x44}), 0, U"1", U"3", U"192", U"44100", j},
      {"mpeg2.5 top rate", Bytes({0xFF, 0xE2, 0xE8, 0xC0}), 0, U"2.5", U"3", U"160", U"8000", U"Mono"},
      {"sync too close to the end", Bytes({0x00, 0x00, 0xFF, 0xFB, 0x90}), -1,
       U"x", U"x", U"1", U"x", U"x"},
      {"one byte", Bytes({0xFF}), -1, U"x", U"x", U"1", U"x", U"x"},
      {"ID3v2 holding FF F0", id3v2(0, {0, 0, 0, 10}) + Bytes({0xFF, 0xF0}) + Zeros(8) + frame,
       20, U"1", U"3", U"128", U"44100", j},
      {"ID3v2 footer skipped", id3v2(0x10, {0, 0, 0, 4}) + Zeros(4) + Bytes({0xFF, 0xF0}) +
       Zeros(8) + frame, 24, U"1", U"3", U"128", U"44100", j},
      {"ID3 with a bad size byte is no tag", id3v2(0, {0x80, 0, 0, 0}) + Bytes({0xFF, 0xF0, 0, 0}),
       10, U"2", U"?", U"1", U"22050", U"Stereo"},
      {"ID3v2 beyond the first block", id3v2(0, {0x00, 0x06, 0x0D, 0x20}) +
       Bytes({0xFF, 0xF0}) + Zeros(100000 - 2) + frame, 100010, U"1", U"3", U"128", U"44100", j},
      {"window across the first block", Zeros(4095) + frame, 4095, U"1", U"3", U"128", U"44100", j},
      {"window across a later block", Zeros(69630) + frame, 69630, U"1", U"3", U"128", U"44100", j},
      {"far into the file", Zeros(200000) + frame, 200000, U"1", U"3", U"128", U"44100", j},
  };
}

TEST(FrameHeader, FoundAndDecodedFromBytesAndFiles) {
  test::TempDir dir;
  for (const HeaderRow& row : HeaderRows()) {
    SCOPED_TRACE(row.what);
    const auto fromBytes = FindFrameHeader(row.bytes);
    EXPECT_EQ(fromBytes ? fromBytes->offset : -1, row.offset);

    const std::string path = dir / "song.mp3";
    test::WriteFile(path, row.bytes);
    std::error_code ec;
    FileHandle file = FileHandle::OpenRead(path, ec);
    ASSERT_FALSE(ec);
    const auto fromFile =
        FindFrameHeader(file, static_cast<std::int64_t>(row.bytes.size()), ec);
    EXPECT_FALSE(ec);
    EXPECT_EQ(fromFile ? fromFile->offset : -1, row.offset);

    TInfo info;
    EXPECT_FALSE(info.SetDatei(path));
    EXPECT_EQ(info.MPEG, row.mpeg);
    EXPECT_EQ(info.Layer, row.layer);
    EXPECT_EQ(info.Bitrate, row.bitrate);
    EXPECT_EQ(info.SampFreq, row.sampFreq);
    EXPECT_EQ(info.Mode, row.mode);
  }
}

}  // namespace
}  // namespace sonavex
