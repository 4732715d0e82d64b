// Text replacement inside file contents: the text model, and 'Z' as a
// batch that leaves what is not text (or not writable) alone and can be
// taken back.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <random>

#include "core/apply/executor.h"
#include "core/apply/undo.h"
#include "core/batch/planner.h"
#include "core/fs/fs.h"
#include "core/journal/journal.h"
#include "core/ops/text_replace.h"
#include "core/text/encoding.h"
#include "core/text/replace.h"
#include "support/recording_reporter.h"
#include "support/test_support.h"

namespace sonavex {
namespace {

using Outcome = TextReplaceResult::Outcome;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

struct ModelCase {
  const char* label;
  std::string search, replacement, before, after;
  int changedLines;
};

TEST(TextReplace, TextModel) {
  const std::string longLine = std::string(300, 'x') + "C:\\MUSIK\\a.mp3";
  const ModelCase cases[] = {
      {"CR LF, case ignored", "c:\\musik", "D:\\Musik", "C:\\MUSIK\\a.mp3\r\nb\r\n",
       "D:\\Musik\\a.mp3\r\nb\r\n", 1},
      {"CR lines come back CR LF, bare LF inside is text", "a", "b", "a\rx\ny\ra",
       "b\r\nx\ny\r\nb\r\n", 2},
      {"LF lines stay LF, final end added", "a", "b", "a\nc\na", "b\nc\nb\n", 2},
      {"no line end at all gets CR LF", "ab", "X", "abab", "XX\r\n", 1},
      {"three times, replacement holding the search text", "a", "aa", "a-a-a\r\n",
       "aa-aa-aa\r\n", 1},
      {"match beyond the 255th character", "c:\\musik", "D:", longLine + "\r\n",
       std::string(300, 'x') + "D:\\a.mp3\r\n", 1},
      {"trailing Ctrl-Z dropped", "a", "b", "a\r\n\x1a", "b\r\n", 1},
      {"umlaut case in UTF-8", "ä", "ae", "\xc3\x84rger\n", "aerger\n", 1},
      {"Windows-1252 stays Windows-1252", "ä", "ö", "\xc4rger\n", "\xf6rger\n", 1},
      // Without a match the file is still brought into the model's form,
      // and left alone only when it is in it already.
      {"nothing matches, CR lines", "zz", "y", "a\rb", "a\r\nb\r\n", 0},
      {"nothing matches, no final line end", "zz", "y", "a\r\nb", "a\r\nb\r\n", 0},
      {"nothing matches, last Ctrl-Z", "zz", "y", "a\n\x1a", "a\n", 0},
      {"nothing matches, CR LF form: not written", "zz", "y", "a\r\n\nb\r\n", "", 0},
      {"nothing matches, LF form: not written", "zz", "y", "a\nb\r\n", "", 0},
      {"a match that changes nothing: not written", "a", "a", "a\r\n", "", 0},
      {"empty file: not written", "a", "b", "", "", 0},
  };
  for (const ModelCase& c : cases) {
    const TextReplaceResult result =
        ReplaceTextInContent(c.before, {DecodeUtf8(c.search), DecodeUtf8(c.replacement)});
    EXPECT_EQ(result.content, c.after) << c.label;
    EXPECT_EQ(result.changedLines, c.changedLines) << c.label;
    EXPECT_EQ(result.outcome, c.after.empty() ? Outcome::Unchanged : Outcome::Replaced)
        << c.label;
  }
}

// The text model spelled out the slow way: each line decoded, replaced
// with the shared case-insensitive loop, and encoded again.
TextReplaceResult ReplaceLineByLine(const std::string_view bytes,
                                    const TextReplaceParams& params) {
  std::string_view text = bytes;
  if (!text.empty() && text.back() == '\x1a') text.remove_suffix(1);
  const bool utf8 = IsValidUtf8(text);
  const std::size_t firstEnd = text.find_first_of("\r\n");
  const bool lf = firstEnd != std::string_view::npos && text[firstEnd] == '\n';
  TextReplaceResult result;
  for (std::size_t at = 0; at < text.size();) {
    std::size_t stop = text.find(lf ? '\n' : '\r', at);
    if (stop == std::string_view::npos) stop = text.size();
    const std::string_view line = text.substr(at, stop - at);
    at = stop == text.size() ? stop : stop + 1 + (!lf && text.substr(stop + 1, 1) == "\n");
    const std::u32string decoded = utf8 ? DecodeUtf8(line) : DecodeWindows1252(line);
    const ReplaceResult r = ReplaceAllIgnoringCase(params.search, params.replacement, decoded);
    const bool changed = r.count > 0 && r.text != decoded;
    result.content += !changed ? std::string(line)
                      : utf8   ? EncodeUtf8(r.text)
                               : EncodeWindows1252(r.text);
    result.content += lf ? "\n" : "\r\n";
    result.changedLines += changed ? 1 : 0;
  }
  if (result.content == bytes) result.content.clear();
  return result;
}

// Random texts of letters in both cases, umlauts in UTF-8 and in
// Windows-1252, line ends of every kind and question marks, against search
// texts and replacements that reach over line ends, cannot be written in
// Windows-1252, or equal what they replace.
TEST(TextReplace, AgreesWithTheLineByLineModel) {
  const std::vector<std::string> pieces = {"a", "A", "b", "\xc3\xa4", "\xc3\x84", "\xe4", "\xc4",
                                           "\r", "\n", "\r\n", "?", "\x80", "\x81", "\xc3"};
  const std::u32string texts[] = {U"a",   U"A",    U"ab",  U"\u00e4", U"\u00c4b", U"a\nb",
                                  U"a\r", U"?",    U"\u0142", U"\u20ac", U"aa",  U"\nA"};
  std::mt19937 random(7);
  for (int round = 0; round < 3000; ++round) {
    std::string bytes;
    const std::size_t count = random() % 12;
    for (std::size_t i = 0; i < count; ++i) bytes += pieces[random() % pieces.size()];
    const TextReplaceParams params{texts[random() % std::size(texts)],
                                   texts[random() % std::size(texts)]};
    const TextReplaceResult fast = ReplaceTextInContent(bytes, params);
    const TextReplaceResult slow = ReplaceLineByLine(bytes, params);
    ASSERT_EQ(fast.content, slow.content) << testing::PrintToString(bytes);
    ASSERT_EQ(fast.changedLines, slow.changedLines) << testing::PrintToString(bytes);
  }
}

TEST(TextReplace, RefusesWhatIsNotText) {
  for (const std::string& bytes : {std::string("a\0b\r\n", 5), std::string("a\x1a" "b")}) {
    EXPECT_EQ(ReplaceTextInContent(bytes, {U"a", U"b"}).outcome, Outcome::NotText);
  }
}

class TextReplaceBatch : public ::testing::Test {
 protected:
  Plan PlanZ(const std::string& search, const std::string& replacement) {
    BatchContext context;
    context.reporter = &reporter;
    context.mask = U"*";
    return PlanSelection(Operation::Z,
                         TextReplaceParams{DecodeUtf8(search), DecodeUtf8(replacement)},
                         dir.path(), {}, context);
  }

  ApplyResult Apply(const Plan& plan) {
    ExecutorContext context;
    context.reporter = &reporter;
    context.journal = journal.get();
    context.now = [] { return std::int64_t{1'700'000'000}; };
    return ApplyPlan(plan, context);
  }

  TempDir dir;
  test::RecordingReporter reporter;
  std::unique_ptr<Journal> journal;
};

// An MP3 file (Ctrl-Z and NUL bytes in its audio) and a file with a NUL byte
// are refused and stay byte for byte, named in one warning at the end; a
// playlist is rewritten, also one without a match whose line ends change.
// A playlist already in the model's form is not written.
TEST_F(TextReplaceBatch, LeavesFilesThatAreNotTextAlone) {
  const std::string mp3("\xff\xfb\x90\x00" "a\x1a" "a\r\nTAGa", 12);
  const std::string binary("a\r\n\0a\r\n", 7);
  WriteFile(dir / "song.mp3", mp3);
  WriteFile(dir / "data.bin", binary);
  WriteFile(dir / "list.m3u", "a\r\n");
  WriteFile(dir / "cr.m3u", "x\ry");
  WriteFile(dir / "kept.m3u", "x\r\n");
  const Plan plan = PlanZ("a", "b");
  std::vector<std::string> planned;
  for (const PlanStep& step : plan.steps) planned.push_back(step.name);
  EXPECT_EQ(planned, (std::vector<std::string>{"cr.m3u", "list.m3u", ""}));
  Apply(plan);
  EXPECT_EQ(ReadFile(dir / "song.mp3"), mp3);
  EXPECT_EQ(ReadFile(dir / "data.bin"), binary);
  EXPECT_EQ(ReadFile(dir / "list.m3u"), "b\r\n");
  EXPECT_EQ(ReadFile(dir / "cr.m3u"), "x\r\ny\r\n");
  ASSERT_EQ(reporter.messages.size(), 1u);
  EXPECT_EQ(reporter.messages[0].kind, MessageKind::Warning);
  EXPECT_EQ(reporter.messages[0].text,
            U"Datei ist keine Textdatei und wird nicht verändert!\n\r\n\r" +
                DecodeUtf8(dir / "data.bin") + U"\n\r" + DecodeUtf8(dir / "song.mp3"));
}

// A folder of MP3 files under the default mask: one warning names the
// first 20 and counts the rest.
TEST_F(TextReplaceBatch, ManyRefusedFilesMakeOneWarning) {
  std::u32string expected = U"Datei ist keine Textdatei und wird nicht verändert!\n\r";
  for (int i = 10; i < 35; ++i) {
    const std::string name = "song" + std::to_string(i) + ".mp3";
    WriteFile(dir / name, std::string("\xff\xfb\x90\x00\0", 5));
    if (i < 30) expected += U"\n\r" + DecodeUtf8(dir / name);
  }
  expected += U"\n\r… und 5 weitere";
  Apply(PlanZ("a", "b"));
  ASSERT_EQ(reporter.messages.size(), 1u);
  EXPECT_EQ(reporter.messages[0].text, expected);
}

// A read-only playlist is refused although a rename would replace it, and
// no temporary file stays behind.
TEST_F(TextReplaceBatch, ReadOnlyPlaylistStays) {
  WriteFile(dir / "list.m3u", "a\r\n");
  chmod((dir / "list.m3u").c_str(), 0444);
  Apply(PlanZ("a", "b"));
  EXPECT_EQ(ReadFile(dir / "list.m3u"), "a\r\n");
  std::error_code ec;
  EXPECT_EQ(ListFiles(dir.path(), U"*", ec), std::vector<std::string>{"list.m3u"});
  ASSERT_EQ(reporter.messages.size(), 1u);
  EXPECT_NE(reporter.messages[0].text.find(U"list.m3u"), std::u32string::npos);
}

// Links stay links: a symbolic link's target and a hard-linked file get the
// new content, every name keeps seeing it.
TEST_F(TextReplaceBatch, KeepsLinks) {
  TempDir other;
  WriteFile(other / "target.m3u", "a\n");
  ASSERT_EQ(symlink((other / "target.m3u").c_str(), (dir / "link.m3u").c_str()), 0);
  WriteFile(dir / "hard.m3u", "a\n");
  ASSERT_EQ(link((dir / "hard.m3u").c_str(), (other / "second.m3u").c_str()), 0);
  Apply(PlanZ("a", "b"));
  struct stat st{};
  ASSERT_EQ(lstat((dir / "link.m3u").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(ReadFile(other / "target.m3u"), "b\n");
  EXPECT_EQ(ReadFile(other / "second.m3u"), "b\n");
  std::error_code ec;
  EXPECT_EQ(ListFiles(other.path(), U"*", ec).size(), 2u);
}

TEST_F(TextReplaceBatch, UndoRestoresEveryByte) {
  std::error_code ec;
  TempDir journalDir;
  journal = Journal::Open(journalDir / "journal.sqlite", 1'700'000'000, ec);
  ASSERT_FALSE(ec) << ec.message();
  const std::string original = "C:\\Musik\\a.mp3\rx\ny\r\n\x1a";
  WriteFile(dir / "list.m3u", original);
  const ApplyResult applied = Apply(PlanZ("c:\\musik", "D:\\Neu"));
  ASSERT_EQ(applied.performed, 1);
  EXPECT_EQ(ReadFile(dir / "list.m3u"), "D:\\Neu\\a.mp3\r\nx\ny\r\n");
  const Plan undo = PlanUndo(*journal, applied.batch, ec);
  ASSERT_FALSE(ec) << ec.message();
  EXPECT_EQ(Apply(undo).performed, 1);
  EXPECT_EQ(ReadFile(dir / "list.m3u"), original);
}

}  // namespace
}  // namespace sonavex
