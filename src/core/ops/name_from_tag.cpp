#include <algorithm>

#include "core/ops/tag_ops.h"
#include "core/text/case.h"

namespace sonavex {
namespace {

// Characters a file name must not hold, each replaced by "_".
constexpr std::u32string_view kForbidden = U"/\\?:*\"<>|";

std::u32string BuiltName(const TagFieldsIn& fields, int pattern) {
  const std::u32string sep = U" - ";
  switch (pattern) {
    case 0:
      return fields.album + sep + fields.interpret + sep + fields.titel;
    case 1:
      return fields.interpret + sep + fields.album + sep + fields.titel;
    case 2:
      return fields.interpret + sep + fields.titel;
    case 3:
      return fields.titel + sep + fields.interpret;
    default:
      return fields.titel;
  }
}

}  // namespace

std::u32string NameFromTag(const TagFieldsIn& fields, std::u32string_view presentBase,
                           const NameFromTagParams& params) {
  const bool byPattern = params.pattern >= 0 && params.pattern <= 4;
  std::u32string base = byPattern ? TrimBlanks(BuiltName(fields, params.pattern))
                                  : std::u32string(presentBase);
  for (char32_t c : kForbidden) std::replace(base.begin(), base.end(), c, U'_');
  return base;
}

}  // namespace sonavex
