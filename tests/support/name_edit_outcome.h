#pragma once
// Short, readable forms of a rule's answer for table-driven tests.
#include <string>
#include <string_view>

#include "core/batch/batch.h"
#include "core/ops/rename_rule.h"

namespace sonavex::test {

inline constexpr std::u32string_view kMusicFolder = U"/music/";

// The rule's input for a file of /music.
inline NameInput InputFor(std::u32string_view fileName) {
  NameParts parts = SplitName(fileName);
  return {std::move(parts.base), std::move(parts.extension), kMusicFolder};
}

// "keep", "refuse", or the new base name and extension as "base|.ext", so
// that a test sees which part the replacement table would get.
inline std::u32string Outcome(const NameEdit& edit) {
  switch (edit.outcome) {
    case NameEdit::Outcome::Keep: return U"keep";
    case NameEdit::Outcome::Refuse: return U"refuse";
    case NameEdit::Outcome::Rename: break;
  }
  return edit.base + U"|" + edit.extension;
}

}  // namespace sonavex::test
