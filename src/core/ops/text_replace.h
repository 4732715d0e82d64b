#pragma once
// 'Z': a text replaced by another inside the contents of a text file, line
// by line, ignoring the letter case of A-Z and the umlauts.
//
// The text model: a file whose first line end is a bare LF has LF lines and
// keeps them. Any other file ends its lines at CR (an LF right after the CR
// belongs to the line end), a later bare LF is an ordinary character, and
// every line, the last one included, is written back followed by CR LF; a
// Ctrl-Z that is the last byte ends the text and is dropped. A file that is
// valid UTF-8 is read and written as UTF-8, any other as Windows-1252.
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace sonavex {

struct TextReplaceParams {  // 'Z': "suchen nach", "ersetzen mit"
  std::u32string search;
  std::u32string replacement;
  bool operator==(const TextReplaceParams&) const = default;
};

// False for an empty search text: nothing would match.
bool HasWork(const TextReplaceParams& params);

struct TextReplaceResult {
  enum class Outcome {
    Unchanged,  // the model writes the bytes the file holds: not written
    Replaced,   // `content` is the new content, also when only line ends
                // or a last Ctrl-Z change (no changed line)
    NotText,    // a NUL byte, or a Ctrl-Z with bytes after it
  };
  Outcome outcome = Outcome::Unchanged;
  std::string content;
  int changedLines = 0;
};

TextReplaceResult ReplaceTextInContent(std::string_view bytes,
                                       const TextReplaceParams& params);

// The first line whose text differs between the content of a text file
// and its content as ReplaceTextInContent gave it, each line decoded and
// without its line end; nothing when no line's text differs.
struct ChangedLine {
  std::u32string before;
  std::u32string after;
};
std::optional<ChangedLine> FirstChangedLine(std::string_view before,
                                            std::string_view after);

// What a file that is not text is refused with.
inline constexpr char32_t kNotTextMessage[] =
    U"Datei ist keine Textdatei und wird nicht verändert!";

// The one warning for all files of a run that are not text (the default
// mask picks MP3 files): the refusal, an empty line, then their paths one
// a line, at most kNotTextListed of them and "… und n weitere" for the
// rest.
inline constexpr std::size_t kNotTextListed = 20;
std::u32string NotTextMessage(std::span<const std::u32string> paths);

}  // namespace sonavex
