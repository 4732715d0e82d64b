#include "cli/tag_commands.h"

#include <algorithm>

#include "core/text/encoding.h"

namespace sonavex::cli {
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
std::string ReadFields(const Invocation& inv, Params& params, Read read) {
  FieldParams* own[] = {&params.titel, &params.interpret, &params.album};
  bool any = false;
  for (int k = 0; k < 3; ++k) {
    if (!inv.fields[k]) continue;
    any = true;
    if (std::string problem = read(*inv.fields[k], *own[k]); !problem.empty()) {
      return std::string(kFieldOption[k]) + ": " + problem;
    }
  }
  return any ? std::string() : "Kein Feld angegeben (--title, --artist oder --album)";
}

// The two texts of each field option given into `params`, `limit`
// characters at most each.
template <class FieldParams, class Params>
std::string ReadTextPairs(const Invocation& inv, OperationParams& params,
                          std::size_t limit = std::u32string::npos) {
  Params own;
  std::string problem = ReadFields<FieldParams>(
      inv, own, [limit](const FieldValues& values, FieldParams& field) {
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

std::string ReadNameFromTagArguments(const Invocation& inv, OperationParams& params) {
  long pattern = 0;
  if (!ParseNumber(inv.arguments[0], pattern) || pattern < -1 || pattern > 4) {
    return "Muster von -1 bis 4 erwartet: " + inv.arguments[0];
  }
  params = NameFromTagParams{static_cast<int>(pattern)};
  return {};
}

std::string ReadTagFromNameArguments(const Invocation& inv, OperationParams& params) {
  TagFromNameParams own;
  TagSource* sources[] = {&own.titel, &own.interpret, &own.album};
  for (int k = 0; k < 3; ++k) {
    if (std::string problem = ReadSource(inv.arguments[k], k, *sources[k]);
        !problem.empty()) {
      return problem;
    }
  }
  params = own;
  return {};
}

std::string ReadTagReplaceOptions(const Invocation& inv, OperationParams& params) {
  return ReadTextPairs<FieldReplace, TagReplaceParams>(inv, params);
}

std::string ReadTagDeleteOptions(const Invocation& inv, OperationParams& params) {
  TagDeleteParams own;
  std::string problem = ReadFields<FieldCounts>(
      inv, own, [](const FieldValues& values, FieldCounts& field) {
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

std::string ReadTagInsertOptions(const Invocation& inv, OperationParams& params) {
  // The dialog's fields take at most 30 characters.
  return ReadTextPairs<FieldAffixes, TagInsertParams>(inv, params, kTagFieldLength);
}

}  // namespace sonavex::cli
