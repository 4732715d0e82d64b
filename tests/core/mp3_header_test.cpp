#include <gtest/gtest.h>

#include "core/fs/fs.h"
#include "core/mp3/frame_header.h"
#include "core/mp3/tinfo.h"
#include "support/test_support.h"
#include "support/mp3_fixtures.h"

namespace sonavex {
namespace {

using test::Bytes;
using test::Frames;
using test::Zeros;

struct HeaderRow {
  const char* what;
  std::string bytes;
  std::int64_t offset;  // -1: no header
  std::u32string mpeg, layer, bitrate, sampFreq, mode;
};

std::string Id3v2(int flags, std::initializer_list<int> size) {
  return "ID3" + Bytes({0x03, 0x00, flags}) + Bytes(size);
}

std::vector<HeaderRow> HeaderRows() {
  const std::string frame = Bytes({0xFF, 0xFB, 0x90, 0x44});
  const std::string free = Bytes({0xFF, 0xFB, 0x00, 0x44});
  // MPEG-1 Layer III, 44100 Hz, joint stereo: 192 kbit/s frames are 626
  // bytes long, 320 kbit/s frames 1044.
  const std::string at192 = Frames(Bytes({0xFF, 0xFB, 0xB0, 0x44}), 626, 3 * 626);
  const std::string at320 = Frames(Bytes({0xFF, 0xFB, 0xE0, 0x44}), 1044, 3 * 1044);
  const std::u32string j = U"Joint Stereo";
  const std::u32string x = U"x";
  return {
      {"mpeg1 layer3", frame, 0, U"1", U"3", U"128", U"44100", j},
      {"mpeg2 layer3", Bytes({0xFF, 0xF3, 0x80, 0xC4}), 0, U"2", U"3", U"64", U"22050", U"Mono"},
      {"ten zero bytes first", Zeros(10) + frame, 10, U"1", U"3", U"128", U"44100", j},
      {"FF 12 is no sync", Bytes({0x00, 0xFF, 0x12, 0x34}) + frame, 4, U"1", U"3", U"128", U"44100", j},
      // A free-format header needs the next one of its kind within the
      // longest frame: 2090 bytes at 640 kbit/s and 44100 Hz.
      {"free format alone", Bytes({0xFF, 0xFB, 0x00, 0x44}), -1, x, x, U"1", x, x},
      {"free-format stream", Frames(free, 500, 1000), 0, U"1", U"3", U"1", U"44100", j},
      {"free format, next at the longest frame", free + Zeros(2086) + free, 0, U"1", U"3",
       U"1", U"44100", j},
      {"free format, next beyond the longest frame", free + Zeros(2087) + free, -1, x, x,
       U"1", x, x},
      {"free format followed by a header with a bit rate", free + Zeros(396) +
       Frames(frame, 417, 834), 400, U"1", U"3", U"128", U"44100", j},
      // A damaged file: what looks like an MPEG-2 free-format header at
      // 16000 Hz stands before the real 192 kbit/s stream.
      {"MPEG-2 free-format junk before 192 kbit/s", Bytes({0xFF, 0xF3, 0x08, 0xC4}) +
       Zeros(20) + at192, 24, U"1", U"3", U"192", U"44100", j},
      {"no sync, reserved version E8/EF",
       Bytes({0x55, 0xFF, 0x00, 0xFF, 0xEF, 0x12, 0xFF, 0xE8, 0x00, 0xFF}), -1, x, x, U"1", x, x},
      {"mpeg1 layer1", Bytes({0xFF, 0xFF, 0xE0, 0x80}), 0, U"1", U"1", U"448", U"44100", U"Dual-Channel"},
      {"mpeg1 layer2", Bytes({0xFF, 0xFD, 0x18, 0x00}), 0, U"1", U"2", U"32", U"32000", U"Stereo"},
      {"mpeg2 layer1", Bytes({0xFF, 0xF7, 0xE4, 0x40}), 0, U"2", U"1", U"256", U"24000", j},
      {"mpeg2 layer2", Bytes({0xFF, 0xF5, 0x18, 0x00}), 0, U"2", U"2", U"8", U"16000", U"Stereo"},
      {"mpeg2.5 layer3", Bytes({0xFF, 0xE3, 0x80, 0xC4}), 0, U"2.5", U"3", U"64", U"11025", U"Mono"},
      {"mpeg1 layer3 index 11", Bytes({0xFF, 0xFB, 0xB0, 0x44}), 0, U"1", U"3", U"192", U"44100", j},
      {"mpeg2.5 top rate", Bytes({0xFF, 0xE2, 0xE8, 0xC0}), 0, U"2.5", U"3", U"160", U"8000", U"Mono"},
      {"sync too close to the end", Bytes({0x00, 0x00, 0xFF, 0xFB, 0x90}), -1, x, x, U"1", x, x},
      {"one byte", Bytes({0xFF}), -1, x, x, U"1", x, x},
      // Candidates that are no header: the search goes on behind them.
      {"bit rate index 15, reserved frequency and layer are passed over",
       Bytes({0xFF, 0xFB, 0xF0, 0x44, 0xFF, 0xFB, 0x9C, 0x44, 0xFF, 0xF9, 0x90, 0x44}) + frame,
       12, U"1", U"3", U"128", U"44100", j},
      {"only invalid candidates", Bytes({0xFF, 0xFB, 0xF0, 0x44, 0xFF, 0xF9, 0x90, 0x44}), -1,
       x, x, U"1", x, x},
      {"run of FF before 192 kbit/s", std::string(7, '\xFF') + at192, 7, U"1", U"3", U"192",
       U"44100", j},
      {"FF E3 junk before 320 kbit/s", Bytes({0xFF, 0xE3, 0x18, 0xC4, 0x17, 0x00}) + at320, 6,
       U"1", U"3", U"320", U"44100", j},
      {"next header of another layer", Frames(frame, 417, 417) +
       Frames(Bytes({0xFF, 0xFD, 0x90, 0x44}), 604, 604), -1, x, x, U"1", x, x},
      {"one complete frame", Frames(frame, 417, 417), 0, U"1", U"3", U"128", U"44100", j},
      {"one frame and a junk byte", Frames(frame, 417, 418), 0, U"1", U"3", U"128", U"44100", j},
      {"a frame and junk where the next should be", Frames(frame, 417, 417) + Zeros(100), -1,
       x, x, U"1", x, x},
      {"padded frame", Frames(Bytes({0xFF, 0xFB, 0x92, 0x44}), 418, 2 * 418), 0, U"1", U"3",
       U"128", U"44100", j},
      {"ID3v2 holding FF F0", Id3v2(0, {0, 0, 0, 10}) + Bytes({0xFF, 0xF0}) + Zeros(8) + frame,
       20, U"1", U"3", U"128", U"44100", j},
      {"ID3v2 footer skipped", Id3v2(0x10, {0, 0, 0, 4}) + Zeros(4) + Bytes({0xFF, 0xF0}) +
       Zeros(8) + frame, 24, U"1", U"3", U"128", U"44100", j},
      {"two ID3v2 tags, the second with a byte-order mark",
       Id3v2(0, {0, 0, 0, 10}) + Zeros(10) + Id3v2(0, {0, 0, 0, 6}) +
       Bytes({0xFF, 0xFE, 0x41, 0x00, 0x42, 0x00}) + at192,
       36, U"1", U"3", U"192", U"44100", j},
      {"ID3 with a bad size byte is no tag", Id3v2(0, {0x80, 0, 0, 0}) + frame,
       10, U"1", U"3", U"128", U"44100", j},
      {"ID3v2 beyond the first block", Id3v2(0, {0x00, 0x06, 0x0D, 0x20}) +
       Bytes({0xFF, 0xF0}) + Zeros(100000 - 2) + frame, 100010, U"1", U"3", U"128", U"44100", j},
      {"window across the first block", Zeros(4095) + frame, 4095, U"1", U"3", U"128", U"44100", j},
      {"next header across the first block", Zeros(4000) + Frames(frame, 417, 834), 4000,
       U"1", U"3", U"128", U"44100", j},
      {"junk near the end of the first block", Zeros(3990) + at320.substr(0, 4) + Zeros(10) +
       at192, 4004, U"1", U"3", U"192", U"44100", j},
      {"window across a later block", Zeros(69630) + frame, 69630, U"1", U"3", U"128", U"44100", j},
      {"far into the file", Zeros(200000) + frame, 200000, U"1", U"3", U"128", U"44100", j},
  };
}

TEST(FrameHeader, FoundAndDecodedFromBytesAndFiles) {
  test::TempDir dir;
  for (const HeaderRow& row : HeaderRows()) {
    SCOPED_TRACE(row.what);
    const auto fromBytes = FindFrameHeader(row.bytes).frame;
    EXPECT_EQ(fromBytes ? fromBytes->offset : -1, row.offset);

    const std::string path = dir / "song.mp3";
    test::WriteFile(path, row.bytes);
    TInfo info;
    EXPECT_FALSE(info.SetDatei(path));
    EXPECT_EQ(info.MPEG, row.mpeg);
    EXPECT_EQ(info.Layer, row.layer);
    EXPECT_EQ(info.Bitrate, row.bitrate);
    EXPECT_EQ(info.SampFreq, row.sampFreq);
    EXPECT_EQ(info.Mode, row.mode);
  }
}

TEST(FrameHeader, FrameLengths) {
  struct Row {
    std::string header;
    int length;
  };
  const Row rows[] = {
      {Bytes({0xFF, 0xFB, 0x90, 0x44}), 417},   // MPEG-1 Layer III 128 kbit/s 44100 Hz
      {Bytes({0xFF, 0xFB, 0x92, 0x44}), 418},   // the same, padded
      {Bytes({0xFF, 0xFB, 0xE4, 0x44}), 960},   // 320 kbit/s 48000 Hz
      {Bytes({0xFF, 0xFD, 0x18, 0x00}), 144},   // MPEG-1 Layer II 32 kbit/s 32000 Hz
      {Bytes({0xFF, 0xFF, 0xE0, 0x80}), 484},   // MPEG-1 Layer I 448 kbit/s 44100 Hz
      {Bytes({0xFF, 0xFF, 0xE2, 0x80}), 488},   // the same, padded by one slot
      {Bytes({0xFF, 0xF3, 0x80, 0xC4}), 208},   // MPEG-2 Layer III 64 kbit/s 22050 Hz
      {Bytes({0xFF, 0xF5, 0x18, 0x00}), 72},    // MPEG-2 Layer II 8 kbit/s 16000 Hz
      {Bytes({0xFF, 0xF7, 0xE4, 0x40}), 512},   // MPEG-2 Layer I 256 kbit/s 24000 Hz
      {Bytes({0xFF, 0xE3, 0x80, 0xC4}), 417},   // MPEG-2.5 Layer III 64 kbit/s 11025 Hz
      {Bytes({0xFF, 0xFB, 0x00, 0x44}), 0},     // free format
      {Bytes({0xFF, 0xFB, 0xF0, 0x44}), 0},     // bit rate index 15
  };
  for (const Row& row : rows) {
    FrameHeaderBytes header{};
    std::copy(row.header.begin(), row.header.end(), header.begin());
    EXPECT_EQ(FrameLength(header), row.length) << "row " << &row - rows;
  }
}

TEST(FrameHeader, ReservedValuesDecodeToTheirDefaults) {
  struct Row {
    std::string header;
    std::u32string layer, bitrate, sampFreq;
  };
  const Row rows[] = {
      {Bytes({0xFF, 0xFB, 0xF0, 0x44}), U"3", U"1", U"44100"},  // bit rate index 15
      {Bytes({0xFF, 0xFB, 0x9C, 0x44}), U"3", U"128", U"x"},    // frequency index 3
      {Bytes({0xFF, 0xF9, 0x90, 0x44}), U"?", U"1", U"44100"},  // reserved layer
  };
  for (const Row& row : rows) {
    FrameHeaderBytes header{};
    std::copy(row.header.begin(), row.header.end(), header.begin());
    TInfo info;
    info.Bitrate = U"1";
    info.SampFreq = U"x";
    DecodeFrameHeader(header, info);
    EXPECT_EQ(info.MPEG, U"1");
    EXPECT_EQ(info.Layer, row.layer);
    EXPECT_EQ(info.Bitrate, row.bitrate);
    EXPECT_EQ(info.SampFreq, row.sampFreq);
    EXPECT_EQ(info.Mode, U"Joint Stereo");
  }
}

// The audio ends where an ID3v1 tag begins: a frame that ends there is
// complete, and a sync inside the tag's text is none.
TEST(FrameHeader, AudioEndsBeforeTheId3v1Tag) {
  test::TempDir dir;
  const std::string tag = "TAG" + Bytes({0xFF, 0xFB, 0x90, 0x44}) + std::string(121, ' ');
  const std::string frame = Frames(Bytes({0xFF, 0xFB, 0x90, 0x44}), 417, 417);
  test::WriteFile(dir / "frame.mp3", frame + tag);
  test::WriteFile(dir / "tag.mp3", Zeros(500) + tag);
  TInfo withFrame, onlyTag;
  ASSERT_FALSE(withFrame.SetDatei(dir / "frame.mp3"));
  ASSERT_FALSE(onlyTag.SetDatei(dir / "tag.mp3"));
  EXPECT_EQ(withFrame.Bitrate, U"128");
  EXPECT_EQ(onlyTag.MPEG, U"x");
}

}  // namespace
}  // namespace sonavex
