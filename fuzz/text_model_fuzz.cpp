// The text replace on any bytes: a file with a zero, or with a Ctrl-Z before
// its last byte, is not text; any other comes back line by line, each line
// either as it was or with the replacement, every line followed by the
// file's line end (CR LF, or LF for a file whose first line end is a bare
// LF), a final Ctrl-Z dropped; a file that comes back as it was is not
// written.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/ops/text_replace.h"
#include "core/text/replace.h"
#include "fuzz_params.h"

namespace sonavex::fuzz {
namespace {

struct Lines {
  bool lf = false;
  std::vector<std::string> lines;
};

// The lines of a text, one byte at a time.
Lines SplitLines(std::string_view text) {
  Lines out;
  const std::size_t first = text.find_first_of("\r\n");
  out.lf = first != std::string_view::npos && text[first] == '\n';
  std::string line;
  bool open = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c != (out.lf ? '\n' : '\r')) {
      line += c;
      open = true;
      continue;
    }
    out.lines.push_back(std::move(line));
    line.clear();
    open = false;
    if (!out.lf && i + 1 < text.size() && text[i + 1] == '\n') ++i;
  }
  if (open) out.lines.push_back(std::move(line));
  return out;
}

bool IsValidUtf8(std::string_view text) {
  for (const char32_t c : DecodeUtf8(text)) {
    if (c >= 0xDC80 && c <= 0xDCFF) return false;
  }
  return true;
}

// The content the replace should give, and how many lines change.
std::string Expected(std::string_view bytes, const TextReplaceParams& params, int& changed) {
  std::string_view text = bytes;
  if (!text.empty() && text.back() == '\x1a') text.remove_suffix(1);
  const bool utf8 = IsValidUtf8(text);
  const Lines split = SplitLines(text);
  std::string out;
  changed = 0;
  for (const std::string& line : split.lines) {
    const std::u32string decoded = utf8 ? DecodeUtf8(line) : DecodeWindows1252(line);
    const ReplaceResult result =
        ReplaceAllIgnoringCase(params.search, params.replacement, decoded);
    if (result.count == 0 || result.text == decoded) {
      out += line;
    } else {
      out += utf8 ? EncodeUtf8(result.text) : EncodeWindows1252(result.text);
      ++changed;
    }
    out += split.lf ? "\n" : "\r\n";
  }
  return out;
}

bool IsText(std::string_view bytes) {
  const std::size_t ctrlZ = bytes.find('\x1a');
  return bytes.find('\0') == std::string_view::npos &&
         (ctrlZ == std::string_view::npos || ctrlZ + 1 == bytes.size());
}

// A search text cut from the content now and then, so that lines match.
std::u32string TakeSearch(FuzzedDataProvider& in, ParamSource& source,
                          std::string_view bytes) {
  if (bytes.empty() || !in.ConsumeBool()) return source.Text();
  const std::size_t at = in.ConsumeIntegralInRange<std::size_t>(0, bytes.size() - 1);
  const std::size_t length = in.ConsumeIntegralInRange<std::size_t>(1, 6);
  std::u32string search = DecodeUtf8(bytes.substr(at, length));
  std::erase_if(search, [](char32_t c) { return c == U'\r' || c == U'\n'; });
  return search;
}

void Check(FuzzedDataProvider& in) {
  const std::string bytes = in.ConsumeRandomLengthString(4096);
  ParamSource source(in, false);
  TextReplaceParams params;
  params.search = TakeSearch(in, source, bytes);
  params.replacement = source.Text();
  const TextReplaceResult result = ReplaceTextInContent(bytes, params);
  using Outcome = TextReplaceResult::Outcome;
  if (!IsText(bytes)) {
    Require(result.outcome == Outcome::NotText, "a file that is not text was taken");
    return;
  }
  Require(result.outcome != Outcome::NotText, "a text file was refused");
  if (params.search.empty()) {
    Require(result.outcome == Outcome::Unchanged, "empty search changed a file");
    return;
  }
  int changed = 0;
  const std::string expected = Expected(bytes, params, changed);
  Require(result.changedLines == changed, "count of changed lines differs");
  // Written whenever the model changes the bytes, line ends alone included.
  const bool rewritten = expected != bytes;
  Require((result.outcome == Outcome::Replaced) == rewritten, "outcome differs");
  if (rewritten) Require(result.content == expected, "content differs from its lines");
}

}  // namespace
}  // namespace sonavex::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return sonavex::fuzz::WithProvider(data, size, sonavex::fuzz::Check);
}
