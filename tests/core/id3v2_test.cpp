// The ID3v2 tag: reading real tag bytes of each version, rendering changes
// into them, and the tag syncs written into files and taken back.
#include <gtest/gtest.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "core/apply/executor.h"
#include "core/apply/undo.h"
#include "core/batch/planner.h"
#include "core/journal/journal.h"
#include "core/mp3/id3v2.h"
#include "core/mp3/tinfo.h"
#include "core/text/encoding.h"
#include "support/id3v2_fixtures.h"
#include "support/id3v2_oracle.h"
#include "support/journaled_batch.h"
#include "support/recording_reporter.h"
#include "support/test_support.h"

namespace sonavex {
namespace {

using namespace std::string_literals;
using namespace test::tag_bytes;

// The bytes of an unsynchronised tag body: a zero after every 0xFF.
std::string Unsynchronised(std::string_view body) {
  std::string out;
  for (const char c : body) {
    out += c;
    if (static_cast<unsigned char>(c) == 0xFF) out += '\0';
  }
  return out;
}

// The frames of a tag as they are meant, unsynchronisation undone.
std::string Synchronised(const std::string& tag) {
  if ((static_cast<unsigned char>(tag[5]) & 0x80) == 0) return tag;
  std::string out;
  for (std::size_t i = 0; i < tag.size(); ++i) {
    out += tag[i];
    if (static_cast<unsigned char>(tag[i]) == 0xFF && i + 1 < tag.size() && tag[i + 1] == '\0') ++i;
  }
  return out;
}

const std::string kPicture =
    Frame(3, "APIC", "\0image/jpeg\0\x03\0\xFF\xD8\xFF\xE0\x00\x10JFIF\xFF\xD9"s);
// A frame no program here knows, kept as it is.
const std::string kPrivate = Frame(3, "PRIV", "owner\0\x01\x02\xFF"s);

struct TagRow {
  const char* name;
  std::string tag;  // the bytes in front of the audio (two tags in one row)
  std::u32string titel, interpret, album, track, jahr, genre;
  std::string kept;  // a frame that a title change leaves byte for byte
};

std::vector<TagRow> TagRows() {
  const std::string v23 = Frame(3, "TIT2", Text(0, "Gr\xFC\xDF" "e")) +
                          Frame(3, "TPE1", Text(0, "Band")) + Frame(3, "TALB", Text(0, "Platte")) +
                          Frame(3, "TRCK", Text(0, "7/12")) + Frame(3, "TYER", Text(0, "2004")) +
                          Frame(3, "TCON", Text(0, "(8)"));
  const std::string v24 = Frame(4, "TIT2", Text(3, "\xE6\x97\xA5\xE6\x9C\xAC")) +
                          Frame(4, "TPE1", Text(3, "B\xC3\xA4nd")) +
                          Frame(4, "TDRC", Text(3, "2010-05-01")) + Frame(4, "TCON", Text(3, "Pop"));
  const std::string picture = Frame(3, "TIT2", Text(0, "Bild")) + kPicture + kPrivate;
  return {
      {"v2.2", Tag(2, Frame(2, "TT2", Text(0, "Lied")) + Frame(2, "TP1", Text(0, "Band")) +
                          Frame(2, "TAL", Text(0, "Platte")) + Frame(2, "TRK", Text(0, "3")) +
                          Frame(2, "TYE", Text(0, "1999")) + Frame(2, "TCO", Text(0, "(17)"))),
       U"Lied", U"Band", U"Platte", U"3", U"1999", U"Rock", Frame(2, "TCO", Text(0, "(17)"))},
      {"v2.3 Latin-1 padded", Tag(3, v23, 512), U"Grüße", U"Band", U"Platte", U"7/12", U"2004",
       U"Jazz", Frame(3, "TCON", Text(0, "(8)"))},
      {"v2.3 Latin-1 unpadded", Tag(3, v23), U"Grüße", U"Band", U"Platte", U"7/12", U"2004",
       U"Jazz", Frame(3, "TRCK", Text(0, "7/12"))},
      {"v2.3 UTF-16", Tag(3, Frame(3, "TIT2", Text(1, Utf16(U"Привет"))) +
                                 Frame(3, "TPE1", Text(1, Utf16(U"Ärzte")))),
       U"Привет", U"Ärzte", U"", U"", U"", U"", Frame(3, "TPE1", Text(1, Utf16(U"Ärzte")))},
      {"v2.4 UTF-8", Tag(4, v24, 64), U"日本", U"Bänd", U"", U"", U"2010-05-01", U"Pop",
       Frame(4, "TDRC", Text(3, "2010-05-01"))},
      {"v2.3 unsynchronised",
       Tag(3, Unsynchronised(Frame(3, "TIT2", Text(0, "\xFF\xE0x")) + kPicture), 16, 0x80),
       U"ÿàx", U"", U"", U"", U"", U"", kPicture},
      {"v2.3 extended header",
       Tag(3, std::string("\0\0\0\x06\0\0\0\0\0\x20", 10) + v23, 32, 0x40), U"Grüße", U"Band",
       U"Platte", U"7/12", U"2004", U"Jazz", Frame(3, "TPE1", Text(0, "Band"))},
      {"v2.4 extended header and footer",
       Tag(4, std::string("\0\0\0\x06\x01\0", 6) + v24, 0, 0x50), U"日本", U"Bänd", U"", U"",
       U"2010-05-01", U"Pop", Frame(4, "TCON", Text(3, "Pop"))},
      {"v2.3 picture", Tag(3, picture, 100), U"Bild", U"", U"", U"", U"", U"", kPicture},
      {"two tags in a row",
       Tag(3, Frame(3, "TIT2", Text(0, "Erster")) + kPrivate) +
           Tag(4, Frame(4, "TIT2", Text(3, "Zweiter")), 20),
       U"Erster", U"", U"", U"", U"", U"", kPrivate},
  };
}

TEST(Id3v2Read, ReadsTheFieldsOfEachVersion) {
  for (const TagRow& row : TagRows()) {
    SCOPED_TRACE(row.name);
    TInfo info;
    ReadMp3Bytes(row.tag + Audio(), info);
    ASSERT_NE(info.record.id3v2, nullptr);
    const Id3v2Info& tag = *info.record.id3v2;
    EXPECT_TRUE(tag.readable);
    EXPECT_EQ(tag.Text(Id3v2Field::Titel), row.titel);
    EXPECT_EQ(tag.Text(Id3v2Field::Interpret), row.interpret);
    EXPECT_EQ(tag.Text(Id3v2Field::Album), row.album);
    EXPECT_EQ(tag.Text(Id3v2Field::Track), row.track);
    EXPECT_EQ(tag.Text(Id3v2Field::Jahr), row.jahr);
    EXPECT_EQ(tag.Text(Id3v2Field::Genre), row.genre);
    // Title, artist, album and track read frame by frame, as a tag
    // operation reads them, tell the same.
    const std::string first = row.tag.substr(0, static_cast<std::size_t>(Id3v2Length(row.tag)));
    const Id3v2Info own = ReadId3v2(first, Id3v2FieldSet{0b1111});
    EXPECT_EQ(own.Text(Id3v2Field::Titel), row.titel);
    EXPECT_EQ(own.Text(Id3v2Field::Interpret), row.interpret);
    EXPECT_EQ(own.Text(Id3v2Field::Album), row.album);
    EXPECT_EQ(own.Text(Id3v2Field::Track), row.track);
    // The audio is still found behind the tags.
    EXPECT_EQ(info.MPEG, U"1");
  }
}

TEST(Id3v2Read, ATagWhoseFramesCannotBeMadeOutIsUnreadable) {
  // The frame claims more bytes than the tag holds.
  const std::string broken = Tag(3, "TIT2\x00\x00\x01\x00\x00\x00" "abc"s);
  const Id3v2Info info = ReadId3v2(broken);
  EXPECT_FALSE(info.readable);
  EXPECT_EQ(info.Text(Id3v2Field::Titel), U"");
  EXPECT_FALSE(RenderId3v2(broken, {}).refusal.empty());
  // Neither a header of another version nor garbage sizes count as a tag.
  EXPECT_EQ(Id3v2Length(std::string("ID3\x05\0\0\0\0\0\0", 10)), 0);
  EXPECT_EQ(Id3v2Length(std::string("ID3\x03\0\0\0\0\x80\0", 10)), 0);
}

Id3v2Changes TitleChange(std::u32string title) {
  Id3v2Changes changes;
  changes[static_cast<std::size_t>(Id3v2Field::Titel)] = std::move(title);
  return changes;
}

// The encoding byte of the first frame `id` in `tag`.
char EncodingOf(const std::string& tag, std::string_view id) {
  const std::size_t at = tag.find(id);
  return at == std::string::npos ? '?' : tag[at + 10];
}

TEST(Id3v2Render, KeepsVersionEncodingAndOtherFramesAndPadsToTheOldSize) {
  for (const TagRow& row : TagRows()) {
    SCOPED_TRACE(row.name);
    const std::string old = row.tag.substr(0, static_cast<std::size_t>(Id3v2Length(row.tag)));
    const Id3v2Rendering rendered = RenderId3v2(old, TitleChange(U"Neu"));
    ASSERT_EQ(rendered.refusal, U"");
    const Id3v2Info info = ReadId3v2(rendered.bytes);
    EXPECT_EQ(info.version, old[3]);
    EXPECT_EQ(info.Text(Id3v2Field::Titel), U"Neu");
    EXPECT_EQ(info.Text(Id3v2Field::Interpret), row.interpret);
    EXPECT_EQ(info.Text(Id3v2Field::Genre), row.genre);
    EXPECT_EQ(test::Occurrences(rendered.bytes, row.kept), 1u);
    // The shorter title leaves room: the tag keeps its size to the byte.
    EXPECT_EQ(rendered.bytes.size(), old.size());
  }
}

// Readers stop at a frame without content and miss what follows it: a
// field written behind one would be lost to them.
TEST(Id3v2Render, LeavesOutFramesWithoutContent) {
  const struct {
    const char* name;
    std::string tag;
  } rows[] = {
      {"2.3, size 0", Tag(3, Frame(3, "TPE1", "", 0xFF00) + kPrivate, 100)},
      {"2.4, only a data length", Tag(4, Frame(4, "TPE1", "\0\0\0\0"s, 0x0001) + kPrivate, 100)},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const Id3v2Rendering rendered = RenderId3v2(row.tag, TitleChange(U"x"));
    ASSERT_EQ(rendered.refusal, U"");
    EXPECT_EQ(ReadId3v2(rendered.bytes).Text(Id3v2Field::Titel), U"x");
    EXPECT_EQ(test::Occurrences(rendered.bytes, "TPE1"), 0u);
    EXPECT_EQ(test::Occurrences(rendered.bytes, kPrivate), 1u);
  }
}

TEST(Id3v2Render, TakesTheVersionsUnicodeEncodingOnlyWhereLatin1CannotHoldTheText) {
  const std::string latin = Tag(3, Frame(3, "TIT2", Text(0, "a")), 100);
  EXPECT_EQ(EncodingOf(RenderId3v2(latin, TitleChange(U"Grüße")).bytes, "TIT2"), '\0');
  EXPECT_EQ(EncodingOf(RenderId3v2(latin, TitleChange(U"☃")).bytes, "TIT2"), '\x01');
  const std::string v24 = Tag(4, Frame(4, "TIT2", Text(0, "a")), 100);
  EXPECT_EQ(EncodingOf(RenderId3v2(v24, TitleChange(U"☃")).bytes, "TIT2"), '\x03');
  // A UTF-16 tag stays UTF-16, also for a field it did not have.
  const std::string wide = Tag(3, Frame(3, "TPE1", Text(1, Utf16(U"x"))), 100);
  EXPECT_EQ(EncodingOf(RenderId3v2(wide, TitleChange(U"a")).bytes, "TIT2"), '\x01');
}

TEST(Id3v2Render, ANewTagIsVersion23WithItsPadding) {
  const Id3v2Rendering rendered = RenderId3v2({}, TitleChange(U"Titel"));
  const std::string frame = Frame(3, "TIT2", Text(0, "Titel"));
  EXPECT_EQ(rendered.bytes, Tag(3, frame, kId3v2Padding));
  // Grown past its old size, a tag gets the same padding.
  const std::string full = Tag(3, Frame(3, "TIT2", Text(0, "a")));
  EXPECT_EQ(RenderId3v2(full, TitleChange(U"Titel")).bytes, rendered.bytes);
  // An empty text takes the frame out.
  EXPECT_EQ(RenderId3v2(rendered.bytes, TitleChange(U"")).bytes, Tag(3, "", 1040));
}

TEST(Id3v2Render, RefusesCompressedAndEncryptedFrames) {
  for (const std::uint16_t flags : {0x0080, 0x0040}) {
    const std::string tag = Tag(3, Frame(3, "TPE1", "xxxxxxxx", flags) +
                                       Frame(3, "TIT2", Text(0, "a")));
    EXPECT_EQ(RenderId3v2(tag, TitleChange(U"b")).refusal,
              U"ID3v2-Tag mit komprimierten oder verschlüsselten Frames wird nicht geändert");
  }
  const std::string v24 = Tag(4, Frame(4, "TPE1", "xxxxxxxx", 0x0008));
  EXPECT_FALSE(RenderId3v2(v24, TitleChange(U"b")).refusal.empty());
}

// What TagLib, an independent reader, finds in a file's ID3v2 tag.
std::u32string TagLibTitle(const std::string& path) {
  TagLib::MPEG::File file(path.c_str(), false);
  TagLib::ID3v2::Tag* tag = file.ID3v2Tag(false);
  return tag == nullptr ? U"(none)" : DecodeUtf8(tag->title().to8Bit(true));
}

std::string Joined(const test::RecordingReporter& reporter) {
  std::string text;
  for (const test::RecordedMessage& message : reporter.messages) {
    text += (message.kind == MessageKind::Warning ? "Warnung: " : "Fehler: ") +
            EncodeUtf8(message.text) + "\n";
  }
  return text;
}

class TagSyncTest : public test::JournaledBatchTest {
 protected:
  ApplyResult Run(Operation code) {
    BatchContext context;
    return Apply(PlanSelection(code, NoParams{}, music, {}, context));
  }
};

// Each tag of the table gets the ID3v1 fields, in place where it has room
// and through a new file where not; what follows the tag stays as it was,
// and undo gives every file back byte for byte.
TEST_F(TagSyncTest, Id3v1IntoEachKindOfId3v2TagAndBack) {
  const std::vector<TagRow> rows = TagRows();
  const std::string v1 = Id3v1("Aus ID3v1", "Interpret 1", "", "1987", 4, 17);
  std::vector<std::string> originals;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    originals.push_back(rows[i].tag + Audio() + v1);
    test::WriteFile(music + "/" + std::to_string(i) + ".mp3", originals.back());
  }
  const ApplyResult result = Run(Operation::V);
  EXPECT_EQ(result.failed, 0) << Joined(reporter);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(rows[i].name);
    const std::string path = music + "/" + std::to_string(i) + ".mp3";
    const std::string now = test::ReadFile(path);
    const auto oldLength = static_cast<std::size_t>(Id3v2Length(rows[i].tag));
    const auto newLength = static_cast<std::size_t>(Id3v2Length(now));
    EXPECT_EQ(now.substr(newLength), originals[i].substr(oldLength));
    for (const std::string& frame : {kPicture, kPrivate}) {
      EXPECT_EQ(test::Occurrences(now.substr(0, newLength), frame),
                test::Occurrences(Synchronised(rows[i].tag.substr(0, oldLength)), frame));
    }
    const Id3v2Info info = ReadId3v2(now.substr(0, newLength));
    EXPECT_EQ(info.Text(Id3v2Field::Titel), U"Aus ID3v1");
    EXPECT_EQ(info.Text(Id3v2Field::Interpret), U"Interpret 1");
    EXPECT_EQ(info.Text(Id3v2Field::Album), rows[i].album);  // empty in ID3v1
    EXPECT_EQ(info.Text(Id3v2Field::Track), U"4");
    EXPECT_EQ(info.Text(Id3v2Field::Genre), U"Rock");
    EXPECT_EQ(TagLibTitle(path), U"Aus ID3v1");
    if (const std::optional<std::string> eyeD3 = test::EyeD3Field(path, "title")) {
      EXPECT_EQ(*eyeD3, "Aus ID3v1");
    }
  }
  // The tag with padding to spare was written in place.
  EXPECT_EQ(test::ReadFile(music + "/1.mp3").size(), originals[1].size());
  EXPECT_GT(test::ReadFile(music + "/2.mp3").size(), originals[2].size());
  Undo(result.batch);
  EXPECT_EQ(Joined(reporter), "");
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(test::ReadFile(music + "/" + std::to_string(i) + ".mp3"), originals[i])
        << rows[i].name;
  }
}

TEST_F(TagSyncTest, AFileWithoutId3v2GetsANewTagAndOneWithoutId3v1IsLeftAlone) {
  const std::string bare = Audio() + Id3v1("Titel", "", "");
  test::WriteFile(music + "/a.mp3", bare);
  test::WriteFile(music + "/b.mp3", Audio());
  const ApplyResult result = Run(Operation::V);
  EXPECT_EQ(result.performed, 1);
  EXPECT_EQ(test::ReadFile(music + "/a.mp3"),
            Tag(3, Frame(3, "TIT2", Text(0, "Titel")), kId3v2Padding) + bare);
  EXPECT_EQ(test::ReadFile(music + "/b.mp3"), Audio());
  Undo(result.batch);
  EXPECT_EQ(test::ReadFile(music + "/a.mp3"), bare);
}

TEST_F(TagSyncTest, Id3v2IntoId3v1FitsTheTextsAndAppendsAMissingTag) {
  const std::string original =
      Tag(4, Frame(4, "TIT2", Text(3, "Ein sehr langer Titel mit \xE2\x98\x83 und mehr")) +
                 Frame(4, "TPE1", Text(3, "K\xC3\xBCnstler")) + Frame(4, "TRCK", Text(3, "9/10")) +
                 Frame(4, "TDRC", Text(3, "2001-02-03")) + Frame(4, "TCON", Text(3, "Rock"))) +
      Audio();
  test::WriteFile(music + "/a.mp3", original);
  const ApplyResult result = Run(Operation::Q);
  EXPECT_EQ(result.failed, 0) << Joined(reporter);
  const std::string tag = test::ReadFile(music + "/a.mp3").substr(original.size());
  EXPECT_EQ(tag.substr(0, 93), "TAG" + std::string("Ein sehr langer Titel mit ?...") +
                                   "K\xFC" "nstler" + std::string(22, ' ') + std::string(30, ' '));
  EXPECT_EQ(tag.substr(93, 4), "2001");
  EXPECT_EQ(tag.substr(125), std::string("\0\x09\x11", 3));
  // Back the other way, the cut texts do not replace the full ones.
  const std::string synced = test::ReadFile(music + "/a.mp3");
  EXPECT_EQ(Run(Operation::V).performed, 0);
  EXPECT_EQ(test::ReadFile(music + "/a.mp3"), synced);
  Undo(result.batch);
  EXPECT_EQ(test::ReadFile(music + "/a.mp3"), original);
}

TEST_F(TagSyncTest, TagsThatCannotBeRewrittenAreReportedAndLeftAlone) {
  const std::string compressed =
      Tag(3, Frame(3, "TPE1", "xxxxxxxx", 0x0080)) + Audio() + Id3v1("a", "", "");
  const std::string broken =
      Tag(3, "TIT2\x00\x00\x01\x00\x00\x00" "abc"s) + Audio() + Id3v1("a", "", "");
  test::WriteFile(music + "/a.mp3", compressed);
  test::WriteFile(music + "/b.mp3", broken);
  Run(Operation::V);
  Run(Operation::Q);
  EXPECT_EQ(test::ReadFile(music + "/a.mp3"), compressed);
  EXPECT_EQ(test::ReadFile(music + "/b.mp3"), broken);
  EXPECT_EQ(Joined(reporter),
            "Warnung: " + music + "/a.mp3\n\r\n\rID3v2-Tag mit komprimierten oder "
            "verschlüsselten Frames wird nicht geändert\n"
            "Warnung: " + music + "/b.mp3\n\r\n\rID3v2-Tag kann nicht neu geschrieben werden: "
            "seine Frames sind nicht lesbar\n"
            "Warnung: " + music + "/b.mp3\n\r\n\rID3v2-Tag nicht lesbar\n");
}

// A file changed between planning and writing is left alone.
TEST_F(TagSyncTest, AFileChangedSincePlanningIsLeftAlone) {
  const std::string original = Tag(3, Frame(3, "TIT2", Text(0, "a")), 100) + Audio() +
                               Id3v1("b", "", "");
  test::WriteFile(music + "/a.mp3", original);
  BatchContext context;
  const Plan plan = PlanSelection(Operation::V, NoParams{}, music, {}, context);
  std::string changed = original;
  changed[15] = 'z';
  test::WriteFile(music + "/a.mp3", changed);
  Apply(plan);
  EXPECT_EQ(test::ReadFile(music + "/a.mp3"), changed);
  EXPECT_NE(Joined(reporter).find("Datei wurde seither verändert"), std::string::npos);
}

}  // namespace
}  // namespace sonavex
