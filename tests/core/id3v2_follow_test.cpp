// The ID3v2 tag kept in step with the ID3v1 tag: the tag operations and
// the grid's edits write the whole text into the ID3v2 tag, 'N' names
// files by it, and with the option off nothing but the ID3v1 tag changes.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "core/apply/executor.h"
#include "core/apply/undo.h"
#include "core/batch/planner.h"
#include "core/fs/fs.h"
#include "core/journal/journal.h"
#include "core/mp3/id3v2.h"
#include "core/mp3/tinfo.h"
#include "core/ops/tag_agreement.h"
#include "core/text/case.h"
#include "core/text/encoding.h"
#include "support/id3v2_fixtures.h"
#include "support/id3v2_oracle.h"
#include "support/journaled_batch.h"
#include "support/recording_reporter.h"
#include "support/test_support.h"

namespace sonavex {
namespace {

using namespace test::tag_bytes;

constexpr char32_t kLong[] = U"Ein sehr langer Titel über dreißig Zeichen";
// kLong as ID3v1 holds it.
constexpr char kLongCut[] = "Ein sehr langer Titel \xFC" "ber ...";
constexpr char kLongLatin1[] = "Ein sehr langer Titel \xFC" "ber drei\xDF" "ig Zeichen";

// A tag of version 2.3 in Latin-1 with room to spare: the title kLong.
std::string RoomyTag() {
  return Tag(3, Frame(3, "TIT2", Text(0, kLongLatin1)) + Frame(3, "TPE1", Text(0, "Band")), 512);
}

std::u32string Id3v1Title(const std::string& path) {
  return TrimBlanks(ReadFileInfo(path).info.Titel);
}

std::u32string Id3v2Title(const std::string& path) {
  return Id3v2Text(ReadFileInfo(path).info.record, Id3v2Field::Titel);
}

class Id3v2FollowTest : public test::JournaledBatchTest {
 protected:
  ApplyResult Run(Operation code, const OperationParams& params, bool follow) {
    BatchContext context;
    context.id3v2FollowsTags = follow;
    return Apply(PlanSelection(code, params, music, {}, context));
  }
};

// Each tag operation writes the fitted text into ID3v1 and, with the
// option on, the rule's whole text into ID3v2 ('I': the text it derived,
// the others: the rule run over the ID3v2 text). With the option off the
// file changes in its ID3v1 tag only.
TEST_F(Id3v2FollowTest, EachTagOperationWritesTheWholeTextIntoId3v2) {
  struct Row {
    const char* name;
    Operation code;
    OperationParams params;
    const char32_t* v1;
    const char32_t* v2;
  };
  const std::vector<Row> rows = {
      {"I from the name", Operation::I,
       TagFromNameParams{{true, 1, U""}, {}, {}},
       U"Neuer Titel aus dem Dateina...", U"Neuer Titel aus dem Dateinamen, lang"},
      {"W", Operation::W, TagReplaceParams{{U"langer", U"kurzer"}, {}, {}},
       U"Ein sehr kurzer Titel über ...", U"Ein sehr kurzer Titel über dreißig Zeichen"},
      {"A", Operation::A, TagDeleteParams{{4, 0}, {}, {}}, U"sehr langer Titel über",
       U"sehr langer Titel über dreißig Zeichen"},
      {"B", Operation::B, TagInsertParams{{U"Live: ", U""}, {}, {}},
       U"Live: Ein sehr langer Titel...", U"Live: Ein sehr langer Titel über dreißig Zeichen"},
  };
  const std::string original = RoomyTag() + Audio() + Id3v1(kLongCut, "Band", "");
  const std::string path = music + "/Band - Neuer Titel aus dem Dateinamen, lang.mp3";
  for (const Row& row : rows) {
    for (const bool follow : {true, false}) {
      SCOPED_TRACE(std::string(row.name) + (follow ? " on" : " off"));
      test::WriteFile(path, original);
      const ApplyResult result = Run(row.code, row.params, follow);
      EXPECT_EQ(result.failed, 0);
      EXPECT_EQ(Id3v1Title(path), row.v1);
      const std::string now = test::ReadFile(path);
      if (!follow) {
        EXPECT_EQ(now.substr(0, now.size() - 128), original.substr(0, original.size() - 128));
        continue;
      }
      EXPECT_EQ(Id3v2Title(path), row.v2);
      EXPECT_EQ(now.size(), original.size());  // written in place
      if (const auto eyeD3 = test::EyeD3Field(path, "title")) {
        EXPECT_EQ(*eyeD3, EncodeUtf8(row.v2));
      }
    }
  }
  EXPECT_TRUE(reporter.messages.empty());
}

// A field the rule leaves alone keeps its ID3v2 frame byte for byte, even
// where the ID3v1 write trims its blanks.
TEST_F(Id3v2FollowTest, FieldsTheRuleLeavesAloneKeepTheirId3v2Frames) {
  const std::string artist = Frame(3, "TPE1", Text(0, " Band "));
  const std::string album = Frame(3, "TALB", Text(1, Utf16(U"Album ")));
  const std::string path = music + "/a.mp3";
  const std::vector<std::pair<Operation, OperationParams>> rows = {
      {Operation::W, TagReplaceParams{{U"Alt", U"Neu"}, {}, {}}},
      {Operation::A, TagDeleteParams{{1, 0}, {}, {}}},
      {Operation::B, TagInsertParams{{U"", U"!"}, {}, {}}},
  };
  for (const auto& [code, params] : rows) {
    SCOPED_TRACE(std::string(1, static_cast<char>(code)));
    test::WriteFile(path, Tag(3, Frame(3, "TIT2", Text(0, "Alt")) + artist + album, 64) +
                              Audio() + Id3v1("Alt", " Band", "Album"));
    EXPECT_EQ(Run(code, params, true).failed, 0);
    const std::string now = test::ReadFile(path);
    EXPECT_NE(Id3v2Title(path), U"Alt");
    EXPECT_NE(now.find(artist), std::string::npos);
    EXPECT_NE(now.find(album), std::string::npos);
  }
}

// Every kind of tag keeps its version; a tag without room is rewritten
// through a new file; a file without ID3v2 gets none, one that cannot be
// rewritten is reported and keeps its ID3v2 tag while its ID3v1 tag is
// written; undo gives every file back byte for byte.
TEST_F(Id3v2FollowTest, KeepsEachTagsVersionCreatesNoneAndUndoesByteForByte) {
  struct Row {
    const char* name;
    std::string tag;
    int version;  // 0: no ID3v2 tag after the batch
  };
  const std::vector<Row> rows = {
      {"2.3 Latin-1 with room", RoomyTag(), 3},
      {"2.4 UTF-8 without padding", Tag(4, Frame(4, "TIT2", Text(3, "Kurz"))), 4},
      {"2.3 UTF-16 without padding", Tag(3, Frame(3, "TIT2", Text(1, Utf16(U"Kurz")))), 3},
      {"2.2", Tag(2, Frame(2, "TT2", Text(0, "Kurz")), 64), 2},
      {"none", "", 0},
  };
  std::vector<std::string> originals;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    originals.push_back(rows[i].tag + Audio() + Id3v1("Kurz", "", ""));
    test::WriteFile(music + "/" + std::to_string(i) + ".mp3", originals.back());
  }
  const std::string compressed =
      Tag(3, Frame(3, "TIT2", "xxxxxxxx", 0x0080)) + Audio() + Id3v1("Kurz", "", "");
  test::WriteFile(music + "/x.mp3", compressed);
  const ApplyResult result =
      Run(Operation::B, TagInsertParams{{U"", U" (Live im Konzertsaal, zweite Zugabe)"}, {}, {}}, true);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(rows[i].name);
    const std::string path = music + "/" + std::to_string(i) + ".mp3";
    const std::string now = test::ReadFile(path);
    const std::int64_t length = Id3v2Length(now);
    EXPECT_EQ(now.substr(static_cast<std::size_t>(length), Audio().size()), Audio());
    EXPECT_EQ(Id3v1Title(path), U"Kurz (Live im Konzertsaal, ...");
    if (rows[i].version == 0) {
      EXPECT_EQ(length, 0);
      continue;
    }
    EXPECT_EQ(now[3], rows[i].version);
    const std::u32string whole = i == 0 ? std::u32string(kLong) : U"Kurz";
    EXPECT_EQ(Id3v2Title(path), whole + U" (Live im Konzertsaal, zweite Zugabe)");
    if (const auto eyeD3 = test::EyeD3Field(path, "title")) {
      EXPECT_EQ(*eyeD3, EncodeUtf8(whole) + " (Live im Konzertsaal, zweite Zugabe)");
    }
  }
  EXPECT_EQ(test::ReadFile(music + "/x.mp3").substr(0, 128), compressed.substr(0, 128));
  EXPECT_EQ(Id3v1Title(music + "/x.mp3"), U"Kurz (Live im Konzertsaal, ...");
  ASSERT_EQ(reporter.messages.size(), 1u);
  EXPECT_EQ(reporter.messages[0].text,
            DecodeUtf8(music) + U"/x.mp3\n\r\n\rID3v2-Tag mit komprimierten oder "
                                U"verschlüsselten Frames wird nicht geändert");
  reporter.messages.clear();
  Undo(result.batch);
  EXPECT_TRUE(reporter.messages.empty());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(test::ReadFile(music + "/" + std::to_string(i) + ".mp3"), originals[i])
        << rows[i].name;
  }
  EXPECT_EQ(test::ReadFile(music + "/x.mp3"), compressed);
}

// A field typed into the grid goes into ID3v2 uncut; an untagged file gets
// its ID3v1 tag as always and no ID3v2 tag.
TEST_F(Id3v2FollowTest, AGridEditWritesBothTags) {
  const std::string original = RoomyTag() + Audio() + Id3v1(kLongCut, "Band", "");
  test::WriteFile(music + "/a.mp3", original);
  test::WriteFile(music + "/b.mp3", Audio());
  const std::u32string typed = U"Ein ganz anderer Titel, wieder über dreißig Zeichen";
  for (const char* name : {"a.mp3", "b.mp3"}) {
    std::error_code ec;
    Apply(PlanTagField(music, name, TagField::Titel, typed, ec, true));
    ASSERT_FALSE(ec);
  }
  // The grid cuts what ID3v1 cannot hold without a mark.
  EXPECT_EQ(Id3v1Title(music + "/a.mp3"), U"Ein ganz anderer Titel, wieder");
  EXPECT_EQ(Id3v2Title(music + "/a.mp3"), typed);
  EXPECT_EQ(Id3v2Length(test::ReadFile(music + "/b.mp3")), 0);
  EXPECT_EQ(Id3v1Title(music + "/b.mp3"), U"Ein ganz anderer Titel, wieder");
  // Off: the ID3v1 tag alone.
  test::WriteFile(music + "/a.mp3", original);
  std::error_code ec;
  Apply(PlanTagField(music, "a.mp3", TagField::Titel, typed, ec, false));
  EXPECT_EQ(test::ReadFile(music + "/a.mp3").substr(0, original.size() - 128),
            original.substr(0, original.size() - 128));
  EXPECT_TRUE(reporter.messages.empty());
}

// 'N' takes each field from ID3v2 where that tag holds it, so a long title
// is no longer cut; a field ID3v2 lacks comes from ID3v1.
TEST_F(Id3v2FollowTest, NameFromTagPrefersTheId3v2Texts) {
  const std::string bytes = Tag(3, Frame(3, "TIT2", Text(0, kLongLatin1))) + Audio() +
                            Id3v1(kLongCut, "Band", "");
  for (const bool follow : {true, false}) {
    test::WriteFile(music + "/a.mp3", bytes);
    Run(Operation::N, NameFromTagParams{2}, follow);
    std::error_code ec;
    const std::vector<std::string> names = ListNames(music, ec);
    EXPECT_EQ(names, std::vector<std::string>{
                         follow ? "Band - Ein sehr langer Titel über dreißig Zeichen.mp3"
                                : "Band - Ein sehr langer Titel über ....mp3"});
    for (const std::string& name : names) std::remove((music + "/" + name).c_str());
  }
}

}  // namespace
}  // namespace sonavex

namespace sonavex {
namespace {

// A tag written in place keeps in the journal only the bytes that changed;
// writes one after the other on the same file (the keystrokes of a grid
// edit) are taken back one after the other, byte for byte.
TEST_F(Id3v2FollowTest, AWriteInPlaceJournalsTheChangedBytesAndUndoesByteForByte) {
  const std::string original = RoomyTag() + Audio() + Id3v1(kLongCut, "Band", "");
  const std::string path = music + "/a.mp3";
  test::WriteFile(path, original);
  const auto titled = [](const std::string& tag, std::u32string title) {
    Id3v2Changes changes;
    changes[static_cast<std::size_t>(Id3v2Field::Titel)] = std::move(title);
    return RenderId3v2(tag, changes).bytes;
  };
  const std::string first = titled(RoomyTag(), U"Neu");
  const std::string second = titled(first, U"Neuer");
  ASSERT_EQ(second.size(), RoomyTag().size());
  Plan plan;
  plan.kind = PlanKind::GridEdit;
  plan.steps = {{music, "a.mp3", steps::Id3v2Write{RoomyTag(), first}},
                {music, "a.mp3", steps::Id3v2Write{first, second}}};
  const ApplyResult result = Apply(plan);
  ASSERT_EQ(result.performed, 2);
  EXPECT_EQ(test::ReadFile(path), second + original.substr(second.size()));
  std::error_code ec;
  for (const JournalAction& action : journal->ActionsOf(result.batch, ec)) {
    EXPECT_GT(action.sizeBefore, 10);
    EXPECT_LT(action.after.size(), 64u);
    EXPECT_EQ(action.before.size(), action.after.size());
  }
  Undo(result.batch);
  EXPECT_TRUE(reporter.messages.empty());
  EXPECT_EQ(test::ReadFile(path), original);
}

// A journal that kept whole tags (from the file's start) is taken back as
// well; a file whose tag changed since, outside the bytes the batch wrote
// too, is reported and left as it is.
TEST_F(Id3v2FollowTest, UndoOfWholeTagsAndOfAFileChangedSince) {
  const std::string path = music + "/a.mp3";
  const std::string rest = Audio() + Id3v1("Kurz", "", "");
  const std::string grown = Tag(3, Frame(3, "TIT2", Text(0, "Lang")), 1024);
  test::WriteFile(path, grown + rest);
  std::error_code ec;
  const std::int64_t batch = journal->BeginBatch({kNow, 'B', "Anfang/Ende", "", music, 0}, ec);
  JournalAction action;
  action.kind = ActionKind::Id3v2Write;
  action.path = path;
  action.before = RoomyTag();
  action.after = grown;
  const std::vector<std::int64_t> ids = journal->RecordPending(batch, {&action, 1}, ec);
  ASSERT_FALSE(ec);
  ASSERT_FALSE(journal->MarkDone(ids));
  ASSERT_FALSE(journal->EndBatch(batch));
  Undo(batch);
  EXPECT_TRUE(reporter.messages.empty());
  EXPECT_EQ(test::ReadFile(path), RoomyTag() + rest);

  test::WriteFile(path, RoomyTag() + rest);
  const ApplyResult result = Run(Operation::B, TagInsertParams{{U"[", U"]"}, {}, {}}, true);
  std::string changed = test::ReadFile(path);
  // The last byte of the tag's padding: the write left it alone.
  const std::size_t padding = RoomyTag().size() - 1;
  changed[padding] = static_cast<char>(changed[padding] ^ 1);
  test::WriteFile(path, changed);
  reporter.messages.clear();
  Undo(result.batch);
  ASSERT_EQ(reporter.messages.size(), 1u);
  EXPECT_EQ(reporter.messages[0].text,
            DecodeUtf8(path) + U"\n\r\n\rDatei wurde seither verändert");
  // The file's ID3v1 write is not taken back either once its ID3v2 tag was
  // found changed.
  EXPECT_EQ(test::ReadFile(path), changed);
}

// The grid marks a field only where ID3v1 holds something else than what
// it can hold of the ID3v2 text.
TEST(Id3v2Agreement, TheCutFormsOfId3v1AgreeWithTheWholeText) {
  struct Row {
    const char32_t* v1;
    const char32_t* v2;
    bool agree;
  };
  const Row rows[] = {
      {U"Song", U"Song", true},
      {U"Song", U"Anderer Song", false},
      {U"", U"Song", false},
      {U"Ein sehr langer Titel über ...", kLong, true},  // fitted by a rule
      {U"Ein sehr langer Titel über dr", kLong, false},  // 29 characters
      {U"Ein sehr langer Titel über dre", kLong, true},  // cut by the grid
      {U"Schnee ?", U"Schnee ☃", true},                  // Windows-1252 lacks it
      {U"Schnee ?", U"Schnee ?", true},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(Id3v1HoldsId3v2Text(row.v1, row.v2), row.agree)
        << EncodeUtf8(row.v1) << " / " << EncodeUtf8(row.v2);
  }
}

}  // namespace
}  // namespace sonavex
