#include "core/ops/text_replace.h"

#include <algorithm>

#include "core/report/reporter.h"
#include "core/text/case.h"
#include "core/text/encoding.h"

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

// The line end of a file: a bare LF when its first line end is one.
bool HasLfLines(std::string_view text) {
  const std::size_t end = text.find_first_of("\r\n");
  return end != std::string_view::npos && text[end] == kLf;
}

// Whether the model writes `text` back as it is: every line, the last one
// included, already ends with the line end the model writes.
bool KeepsItsBytes(std::string_view text, bool lfLines) {
  if (text.empty()) return true;
  if (lfLines) return text.back() == kLf;
  if (!text.ends_with("\r\n")) return false;
  for (std::size_t cr = text.find(kCr); cr != std::string_view::npos;
       cr = text.find(kCr, cr + 1)) {
    if (text[cr + 1] != kLf) return false;  // the last CR has its LF
  }
  return true;
}

// One line of the text from `at` on: where its bytes stop (before the line
// end), and where the next line starts.
std::size_t NextLineStop(std::string_view text, bool lfLines, std::size_t& at) {
  const std::size_t stop = std::min(text.find(lfLines ? kLf : kCr, at), text.size());
  at = stop == text.size() ? stop : stop + 1;
  if (!lfLines && at < text.size() && text[at] == kLf) ++at;
  return stop;
}

// The file's text in one encoding: how its characters become bytes, and
// how they come back.
struct TextEncoding {
  bool utf8;
  std::string Encode(std::u32string_view text) const {
    return utf8 ? EncodeUtf8(text) : EncodeWindows1252(text);
  }
  std::u32string Decode(std::string_view bytes) const {
    return utf8 ? DecodeUtf8(bytes) : DecodeWindows1252(bytes);
  }
  // True when `text` written in this encoding reads back as itself.
  bool Holds(std::u32string_view text) const {
    const std::string bytes = Encode(text);
    return (!utf8 || IsValidUtf8(bytes)) && Decode(bytes) == text;
  }
};

// The bytes of the text with each character folded as LowCaseUmlaut folds
// it. Folding keeps every byte in place: it changes A-Z and the umlauts,
// which are one byte in Windows-1252 and keep their first byte in UTF-8.
std::string FoldedBytes(std::string_view text, bool utf8) {
  std::string folded(text);
  // Two simple loops over all bytes that the compiler vectorises.
  unsigned char high = 0;
  for (char& c : folded) {
    const auto b = static_cast<unsigned char>(c);
    c = static_cast<char>(b + (static_cast<unsigned char>(b - 'A') < 26 ? 0x20 : 0));
  }
  for (const char c : folded) high |= static_cast<unsigned char>(c);
  if (high < 0x80) return folded;
  for (std::size_t i = 0; i < folded.size(); ++i) {
    const auto b = static_cast<unsigned char>(folded[i]);
    if (!utf8 && b >= 0xA0) {
      folded[i] = static_cast<char>(LowCaseChar(b));  // Latin-1 there
    } else if (utf8 && (b == 0xC2 || b == 0xC3) && i + 1 < folded.size()) {
      // U+0080..U+00FF: the second byte holds the low six bits.
      const char32_t c = char32_t((b & 0x1F) << 6) | (folded[i + 1] & 0x3F);
      folded[++i] = static_cast<char>(0x80 | (LowCaseChar(c) & 0x3F));
    }
  }
  return folded;
}

// The search and the replacement as bytes of the file's encoding, matched
// against the folded bytes of the whole text. A match found that way is a
// match of the characters: both sides are folded alike, and a UTF-8 needle
// can only match at the start of a character.
class ByteReplacer {
 public:
  ByteReplacer(const TextReplaceParams& params, std::string_view text, bool utf8)
      : text_(text) {
    const TextEncoding encoding{utf8};
    const std::u32string needle = LowCaseUmlaut(params.search);
    // A search text the encoding cannot hold occurs nowhere in the file.
    if (!encoding.Holds(needle)) return;
    needle_ = encoding.Encode(needle);
    replacement_ = encoding.Encode(params.replacement);
    // A replacement that does not read back as typed changes the text
    // wherever it goes in, even where its bytes equal those replaced.
    alwaysChanges_ = !encoding.Holds(params.replacement);
    folded_ = FoldedBytes(text, utf8);
    hit_ = Find(0);
  }

  // False when the search text occurs nowhere in the text.
  bool AnyMatch() const { return hit_ != std::string::npos; }

  // Appends the line [start, stop) with every occurrence replaced; true
  // when its text changes. Occurrences never reach over a line end.
  bool AppendLine(std::size_t start, std::size_t stop, std::string& out) {
    if (hit_ != std::string::npos && hit_ < start) hit_ = Find(start);
    if (hit_ == std::string::npos || hit_ + needle_.size() > stop) {
      out.append(text_.substr(start, stop - start));
      return false;
    }
    bool changed = alwaysChanges_;
    std::size_t from = start;
    for (; hit_ != std::string::npos && hit_ + needle_.size() <= stop;
         hit_ = Find(from)) {
      out.append(text_.substr(from, hit_ - from)).append(replacement_);
      changed = changed || text_.substr(hit_, needle_.size()) != replacement_;
      from = hit_ + needle_.size();
    }
    out.append(text_.substr(from, stop - from));
    return changed;
  }

 private:
  std::size_t Find(std::size_t from) const {
    return folded_.find(needle_, from);
  }

  std::string_view text_;
  std::string folded_;
  std::string needle_;
  std::string replacement_;
  bool alwaysChanges_ = false;
  std::size_t hit_ = std::string::npos;
};

}  // namespace

bool HasWork(const TextReplaceParams& params) { return !params.search.empty(); }

std::u32string NotTextMessage(std::span<const std::u32string> paths) {
  std::u32string text = std::u32string(kNotTextMessage) + std::u32string(kBreak);
  for (std::size_t i = 0; i < paths.size() && i < kNotTextListed; ++i) {
    text += std::u32string(kBreak) + paths[i];
  }
  if (paths.size() > kNotTextListed) {
    text += std::u32string(kBreak) + U"… und " +
            DecodeUtf8(std::to_string(paths.size() - kNotTextListed)) + U" weitere";
  }
  return text;
}

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
  ByteReplacer replacer(params, text, IsValidUtf8(text));
  const bool lfLines = HasLfLines(text);
  if (!replacer.AnyMatch() && text.size() == bytes.size() && KeepsItsBytes(text, lfLines)) {
    return result;
  }
  const std::string_view lineEnd = lfLines ? "\n" : "\r\n";
  result.content.reserve(text.size() + text.size() / 8);
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t start = at;
    const std::size_t stop = NextLineStop(text, lfLines, at);
    if (replacer.AppendLine(start, stop, result.content)) ++result.changedLines;
    result.content += lineEnd;
  }
  // Line ends and a last Ctrl-Z change the bytes too, with no line changed.
  if (result.content != bytes) {
    result.outcome = TextReplaceResult::Outcome::Replaced;
  } else {
    result.content.clear();
  }
  return result;
}

// The replaced content has as many lines as the text, each ending as the
// text's model says, and is in the text's encoding.
std::optional<ChangedLine> FirstChangedLine(std::string_view before,
                                            std::string_view after) {
  for (std::string_view* text : {&before, &after}) {
    if (!text->empty() && text->back() == kCtrlZ) text->remove_suffix(1);
  }
  const bool lfLines = HasLfLines(before);
  std::size_t oldAt = 0;
  std::size_t newAt = 0;
  while (oldAt < before.size() || newAt < after.size()) {
    const std::size_t oldStart = oldAt;
    const std::size_t newStart = newAt;
    const std::string_view oldLine =
        before.substr(oldStart, NextLineStop(before, lfLines, oldAt) - oldStart);
    const std::string_view newLine =
        after.substr(newStart, NextLineStop(after, lfLines, newAt) - newStart);
    if (oldLine == newLine) continue;
    const TextEncoding encoding{IsValidUtf8(before)};
    return ChangedLine{encoding.Decode(oldLine), encoding.Decode(newLine)};
  }
  return std::nullopt;
}

}  // namespace sonavex
