#include "core/ops/text_replace.h"

#include "core/text/encoding.h"
#include "core/text/replace.h"

namespace sonavex {
namespace {

constexpr char kCr = '\r';
constexpr char kLf = '\n';
constexpr char kCtrlZ = '\x1a';

bool IsText(std::string_view bytes) {
  if (bytes.find('\0') != std::string_view::npos) return false;
  const std::size_t ctrlZ = bytes.find(kCtrlZ);
  return ctrlZ == std::string_view::npos || ctrlZ + 1 == bytes.size();
}

// Valid UTF-8 decodes without a single escaped byte.
bool IsUtf8(std::u32string_view decoded) {
  for (const char32_t c : decoded) {
    if (c >= 0xDC80 && c <= 0xDCFF) return false;
  }
  return true;
}

// The line end of a file: a bare LF when its first line end is one.
bool HasLfLines(std::string_view text) {
  const std::size_t end = text.find_first_of("\r\n");
  return end != std::string_view::npos && text[end] == kLf;
}

// One line of the text from `at` on: its bytes without the line end, and
// where the next line starts.
std::string_view NextLine(std::string_view text, bool lfLines, std::size_t& at) {
  const std::size_t end = text.find(lfLines ? kLf : kCr, at);
  const std::size_t stop = end == std::string_view::npos ? text.size() : end;
  std::string_view line = text.substr(at, stop - at);
  at = stop == text.size() ? stop : stop + 1;
  if (!lfLines && at < text.size() && text[at] == kLf && stop != text.size()) ++at;
  return line;
}

class LineReplacer {
 public:
  LineReplacer(const TextReplaceParams& params, bool utf8)
      : params_(params), utf8_(utf8) {}

  // The line's new bytes, or false when its text stays as it is.
  bool Replace(std::string_view line, std::string& out) {
    const std::u32string text = utf8_ ? DecodeUtf8(line) : DecodeWindows1252(line);
    ReplaceResult result = ReplaceAllIgnoringCase(params_.search, params_.replacement, text);
    if (result.count == 0 || result.text == text) return false;
    out += utf8_ ? EncodeUtf8(result.text) : EncodeWindows1252(result.text);
    return true;
  }

 private:
  const TextReplaceParams& params_;
  bool utf8_;
};

}  // namespace

bool HasWork(const TextReplaceParams& params) { return !params.search.empty(); }

TextReplaceResult ReplaceTextInContent(std::string_view bytes,
                                       const TextReplaceParams& params) {
  TextReplaceResult result;
  if (!IsText(bytes)) {
    result.outcome = TextReplaceResult::Outcome::NotText;
    return result;
  }
  if (!HasWork(params)) return result;
  std::string_view text = bytes;
  if (!text.empty() && text.back() == kCtrlZ) text.remove_suffix(1);
  const bool lfLines = HasLfLines(text);
  const std::string_view lineEnd = lfLines ? "\n" : "\r\n";
  LineReplacer replacer(params, IsUtf8(DecodeUtf8(text)));
  result.content.reserve(text.size() + text.size() / 8);
  for (std::size_t at = 0; at < text.size();) {
    const std::string_view line = NextLine(text, lfLines, at);
    if (replacer.Replace(line, result.content)) {
      ++result.changedLines;
    } else {
      result.content += line;
    }
    result.content += lineEnd;
  }
  if (result.changedLines > 0) {
    result.outcome = TextReplaceResult::Outcome::Replaced;
  } else {
    result.content.clear();
  }
  return result;
}

}  // namespace sonavex
