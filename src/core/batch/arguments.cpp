#include "core/batch/arguments.h"

#include <algorithm>
#include <charconv>

#include "core/text/encoding.h"

namespace sonavex {
namespace {

// The largest source index of the title, artist and album tables.
constexpr long kLastSource[] = {9, 11, 9};
constexpr const char* kFieldOption[] = {"--title", "--artist", "--album"};

std::string ReadSource(const std::string& word, int field, TagSource& source) {
  if (word == "-") return {};
  source.enabled = true;
  if (word.starts_with('=')) {
    source.index = -1;
    source.text = DecodeUtf8(std::string_view(word).substr(1));
    return {};
  }
  long index = 0;
  if (!ParseNumber(word, index) || index < 0 || index > kLastSource[field]) {
    return "Quelle \"-\", 0 bis " + std::to_string(kLastSource[field]) +
           " oder \"=TEXT\" erwartet: " + word;
  }
  source.index = static_cast<int>(index);
  return {};
}

// Runs `read` on each field option given; a call without any has nothing
// to do.
template <class FieldParams, class Params, class Read>
std::string ReadFields(const CommandWords& words, Params& params, Read read) {
  FieldParams* own[] = {&params.titel, &params.interpret, &params.album};
  bool any = false;
  for (int k = 0; k < 3; ++k) {
    if (!words.fields[k]) continue;
    any = true;
    if (std::string problem = read(*words.fields[k], *own[k]); !problem.empty()) {
      return std::string(kFieldOption[k]) + ": " + problem;
    }
  }
  return any ? std::string() : "Kein Feld angegeben (--title, --artist oder --album)";
}

// The two texts of each field option given into `params`, `limit`
// characters at most each.
template <class FieldParams, class Params>
std::string ReadTextPairs(const CommandWords& words, OperationParams& params,
                          std::size_t limit = std::u32string::npos) {
  Params own;
  std::string problem = ReadFields<FieldParams>(
      words, own, [limit](const FieldValues& values, FieldParams& field) {
        std::u32string first = DecodeUtf8(values.first);
        std::u32string second = DecodeUtf8(values.second);
        if (first.size() > limit || second.size() > limit) {
          return "Höchstens " + std::to_string(limit) + " Zeichen je Text";
        }
        field = {std::move(first), std::move(second)};
        return std::string();
      });
  params = own;
  return problem;
}

}  // namespace

bool ParseNumber(const std::string& text, long& value) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() && !text.empty();
}

std::string ReadNameEditWords(Operation code, const CommandWords& words,
                              OperationParams& params) {
  const std::vector<std::string>& a = words.operands;
  long first = 0, second = 0;
  if (code == Operation::L || code == Operation::T) {
    if (!ParseNumber(a[0], first) || !ParseNumber(a[1], second)) {
      return "Zahlen erwartet: " + a[0] + " " + a[1];
    }
  }
  switch (code) {
    case Operation::L:  // the spin fields set a value below 0 back to 0
      params = DeleteEndsParams{std::max(first, 0L), std::max(second, 0L)};
      break;
    case Operation::E: params = InsertEndsParams{DecodeUtf8(a[0]), DecodeUtf8(a[1])}; break;
    case Operation::X:
    case Operation::Y: params = SearchReplaceParams{DecodeUtf8(a[0]), DecodeUtf8(a[1])}; break;
    case Operation::Z: params = TextReplaceParams{DecodeUtf8(a[0]), DecodeUtf8(a[1])}; break;
    case Operation::T:
      if (first < 0 || first > 10 || second < 0 || second > 10) {
        return "Zahlen von 0 bis 10 erwartet";
      }
      params = SwapParams{static_cast<int>(first), static_cast<int>(second)};
      break;
    default: params = NoParams{}; break;
  }
  return {};
}

std::string ReadNameFromTagWords(const CommandWords& words, OperationParams& params) {
  long pattern = 0;
  if (!ParseNumber(words.operands[0], pattern) || pattern < -1 || pattern > 4) {
    return "Muster von -1 bis 4 erwartet: " + words.operands[0];
  }
  params = NameFromTagParams{static_cast<int>(pattern)};
  return {};
}

std::string ReadTagFromNameWords(const CommandWords& words, OperationParams& params) {
  TagFromNameParams own;
  TagSource* sources[] = {&own.titel, &own.interpret, &own.album};
  for (int k = 0; k < 3; ++k) {
    if (std::string problem = ReadSource(words.operands[k], k, *sources[k]);
        !problem.empty()) {
      return problem;
    }
  }
  params = own;
  return {};
}

std::string ReadTagReplaceWords(const CommandWords& words, OperationParams& params) {
  return ReadTextPairs<FieldReplace, TagReplaceParams>(words, params);
}

std::string ReadTagDeleteWords(const CommandWords& words, OperationParams& params) {
  TagDeleteParams own;
  std::string problem = ReadFields<FieldCounts>(
      words, own, [](const FieldValues& values, FieldCounts& field) {
        if (!ParseNumber(values.first, field.first) ||
            !ParseNumber(values.second, field.last)) {
          return "Zahlen erwartet: " + values.first + " " + values.second;
        }
        // The spin fields bring a count back into 0 to 30.
        field.first = std::clamp(field.first, 0L, 30L);
        field.last = std::clamp(field.last, 0L, 30L);
        return std::string();
      });
  params = own;
  return problem;
}

std::string ReadTagInsertWords(const CommandWords& words, OperationParams& params) {
  // The dialog's fields take at most 30 characters.
  return ReadTextPairs<FieldAffixes, TagInsertParams>(words, params, kTagFieldLength);
}

}  // namespace sonavex
