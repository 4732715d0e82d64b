// Our reading and writing checked against an independent reader (TagLib).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "core/apply/executor.h"
#include "core/mp3/id3v1.h"
#include "core/mp3/tinfo.h"
#include "core/text/case.h"
#include "core/text/encoding.h"
#include "support/encoder_fixtures.h"
#include "support/mp3_fixtures.h"

#if SONAVEX_HAVE_TAGLIB
#include <taglib/id3v1tag.h>
#include <taglib/mpegfile.h>
#include <taglib/mpegproperties.h>
#endif

namespace sonavex {
namespace {

#if SONAVEX_HAVE_TAGLIB

std::u32string FromTagLib(const TagLib::String& text) {
  return DecodeUtf8(text.to8Bit(true));
}

int DauerSeconds(const std::u32string& dauer) {
  const std::string text = EncodeUtf8(dauer);
  const std::size_t colon = text.find(':');
  return std::stoi(text.substr(0, colon)) * 60 + std::stoi(text.substr(colon + 1));
}

TEST(TagLibReads, OurTagFields) {
  test::TempDir dir;
  // A few frames of a constant bit rate stream, then our tag.
  std::string frames;
  for (int i = 0; i < 20; ++i) frames += test::Bytes({0xFF, 0xFB, 0x90, 0x44}) + std::string(413, '\0');
  // Our tag bytes as the executor writes them.
  std::string ours = RenderTagField(EmptyTag(), TagField::Titel, U"Über den Wolken");
  ours = RenderTagField(ours, TagField::Interpret, U"Reinhard Mey");
  ours = RenderTagField(ours, TagField::Album,
                        FitTagField(U"Mein Achtel Lorbeerblatt: das Album mit Überlänge"));
  test::WriteFile(dir / "a.mp3", frames + ours);

  TagLib::MPEG::File file((dir / "a.mp3").c_str());
  ASSERT_TRUE(file.isValid());
  ASSERT_TRUE(file.hasID3v1Tag());
  const TagLib::ID3v1::Tag* tag = file.ID3v1Tag();
  EXPECT_EQ(FromTagLib(tag->title()), U"Über den Wolken");
  EXPECT_EQ(FromTagLib(tag->artist()), U"Reinhard Mey");
  EXPECT_EQ(FromTagLib(tag->album()), U"Mein Achtel Lorbeerblatt: d...");

  TInfo info;
  ASSERT_FALSE(info.SetDatei(dir / "a.mp3"));
  EXPECT_EQ(TrimBlanks(info.Titel), FromTagLib(tag->title()));
  EXPECT_EQ(TrimBlanks(info.Album), FromTagLib(tag->album()));
}

// 'I' on an untagged file whose name holds Latin-1 letters: TagLib reads
// ID3v1 as Latin-1, which the Windows-1252 fields match below 0x80 and
// from 0xA0 on.
TEST(TagLibReads, FieldsFilledFromTheFileName) {
  test::TempDir dir;
  test::WriteFile(dir / "Mötley Crüe - Café Señor.mp3", std::string(2000, '\0'));
  TagFromNameParams params;
  params.titel = {true, 1, {}};      // part 2 of "Interpret - Titel"
  params.interpret = {true, 0, {}};  // part 1 of "Interpret - Titel"
  params.album = {true, -1, U"Grüße aus Köln"};
  BatchContext context;
  ASSERT_EQ(RunSelection(Operation::I, params, dir.path(), {}, context).performed, 2);

  TagLib::MPEG::File file((dir / "Mötley Crüe - Café Señor.mp3").c_str());
  ASSERT_TRUE(file.hasID3v1Tag());
  const TagLib::ID3v1::Tag* tag = file.ID3v1Tag();
  EXPECT_EQ(FromTagLib(tag->title()), U"Café Señor");
  EXPECT_EQ(FromTagLib(tag->artist()), U"Mötley Crüe");
  EXPECT_EQ(FromTagLib(tag->album()), U"Grüße aus Köln");
}

TEST(TagLibReads, TheSamePlayingTimeOfAVbrFile) {
  if (test::LamePath().empty()) GTEST_SKIP() << "lame was not found at configure time";
  // The summary sits behind side information whose size differs between
  // MPEG-1 and the lower sampling frequencies.
  for (const char* options : {"-V 2", "-V 2 --resample 22.05"}) {
    SCOPED_TRACE(options);
    test::TempDir dir;
    const std::string mp3 = dir / "vbr.mp3";
    ASSERT_TRUE(test::EncodeMp3(dir, options, mp3, 75.5));
    TInfo info;
    ASSERT_FALSE(info.SetDatei(mp3));

    TagLib::MPEG::File file(mp3.c_str());
    ASSERT_TRUE(file.isValid());
    const TagLib::MPEG::Properties* properties = file.audioProperties();
    ASSERT_NE(properties, nullptr);
    ASSERT_NE(properties->xingHeader(), nullptr) << "the encoder wrote no VBR summary";
    EXPECT_NEAR(DauerSeconds(info.Dauer), properties->lengthInMilliseconds() / 1000.0, 1.0);
    const int kbps = std::stoi(EncodeUtf8(info.Bitrate));
    EXPECT_NEAR(kbps, properties->bitrate(), properties->bitrate() * 0.05);
    EXPECT_GE(kbps, 32);
    EXPECT_LE(kbps, 320);
    EXPECT_EQ(info.SampFreq, DecodeUtf8(std::to_string(properties->sampleRate())));
  }
}

#else

TEST(TagLibReads, OurTagFields) { GTEST_SKIP() << "TagLib was not found at configure time"; }

#endif

}  // namespace
}  // namespace sonavex
