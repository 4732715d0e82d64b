#pragma once
// Name edits by position or by text: 'L' deletes at the start and end of the
// base name, 'E' inserts before and after it, 'X' replaces text in the base
// name and 'Y' in the file type. Each rule is pure: the caller applies the
// replacement table and renames.
#include "core/ops/rename_rule.h"

namespace sonavex {

// 'L'. Refuses (with the button "Abbrechen") when nothing but blanks would
// be left of the base name.
NameEdit DeleteAtEnds(const NameInput& name, const NameEditParams& params);

// 'E'. Always renames, also when nothing changes.
NameEdit InsertAtEnds(const NameInput& name, const NameEditParams& params);

// 'X'. Leaves the file alone when the search text does not occur.
NameEdit ReplaceInName(const NameInput& name, const NameEditParams& params);

// 'Y', on the extension without its dot. A name without extension is never
// changed.
NameEdit ReplaceInType(const NameInput& name, const NameEditParams& params);

}  // namespace sonavex
