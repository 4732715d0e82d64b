#pragma once
// Name edits by position or by text: 'L' deletes at the start and end of the
// base name, 'E' inserts before and after it, 'X' replaces text in the base
// name and 'Y' in the file type. Each rule is pure: the caller applies the
// replacement table and renames.
#include <string>

#include "core/ops/rename_rule.h"

namespace sonavex {

struct DeleteEndsParams {  // 'L'
  long first = 0;  // characters to delete at the start
  long last = 0;   // characters to delete at the end
  bool operator==(const DeleteEndsParams&) const = default;
};
struct InsertEndsParams {  // 'E'
  std::u32string before{};
  std::u32string after{};
  bool operator==(const InsertEndsParams&) const = default;
};
struct SearchReplaceParams {  // 'X', 'Y'
  std::u32string search{};
  std::u32string replacement{};
  bool operator==(const SearchReplaceParams&) const = default;
};

// False when a dialog's start button would do nothing for these parameters:
// both counts 0, both texts empty, an empty search text.
bool HasWork(const DeleteEndsParams& params);
bool HasWork(const InsertEndsParams& params);
bool HasWork(const SearchReplaceParams& params);

// 'L'. Refuses (with the button "Abbrechen") when nothing but blanks would
// be left of the base name.
NameEdit DeleteAtEnds(const NameInput& name, const DeleteEndsParams& params);

// 'E'. Always renames, also when nothing changes.
NameEdit InsertAtEnds(const NameInput& name, const InsertEndsParams& params);

// 'X'. Leaves the file alone when the search text does not occur.
NameEdit ReplaceInName(const NameInput& name, const SearchReplaceParams& params);

// 'Y', on the extension without its dot. A name without extension is never
// changed.
NameEdit ReplaceInType(const NameInput& name, const SearchReplaceParams& params);

}  // namespace sonavex
