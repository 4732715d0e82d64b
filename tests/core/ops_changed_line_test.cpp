// The first changed line of a text replacement, as the preview shows it:
// found by the file's own line model, decoded in the file's encoding.
#include <gtest/gtest.h>

#include "core/ops/text_replace.h"
#include "core/text/encoding.h"

namespace sonavex {
namespace {

TEST(FirstChangedLine, FollowsTheLineModelAndTheEncoding) {
  struct Row {
    const char* label;
    std::string search, replacement, before;
    std::u32string old, now;
  };
  const Row rows[] = {
      {"CR LF, second line", "c:\\musik", "/m", "a\r\nC:\\MUSIK\\x.mp3\r\nc:\\musik\\y\r\n",
       U"C:\\MUSIK\\x.mp3", U"/m\\x.mp3"},
      {"CR lines come back CR LF; a bare LF is text", "y", "z", "a\rx\ny\rb",
       U"x\ny", U"x\nz"},
      {"LF lines, last line without its end", "b", "B", "a\nab", U"ab", U"aB"},
      {"Windows-1252 decoded", "\xc3\xa4", "ae", "x\n\xc4rger\n", U"\u00c4rger", U"aerger"},
      {"a final Ctrl-Z is no line", "a", "b", "x\r\na\x1a", U"a", U"b"},
  };
  for (const Row& row : rows) {
    const TextReplaceResult result = ReplaceTextInContent(
        row.before, {DecodeUtf8(row.search), DecodeUtf8(row.replacement)});
    const std::optional<ChangedLine> line = FirstChangedLine(row.before, result.content);
    ASSERT_TRUE(line.has_value()) << row.label;
    EXPECT_EQ(line->before, row.old) << row.label;
    EXPECT_EQ(line->after, row.now) << row.label;
  }
  // Only the line ends differ: no line's text changed.
  EXPECT_FALSE(FirstChangedLine("a\rb", "a\r\nb\r\n").has_value());
}

}  // namespace
}  // namespace sonavex
