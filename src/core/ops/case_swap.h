#pragma once
// Fixed tidying rules: 'G' raises the first letter of every word, 'K' lowers
// every capital inside a word, 'S' cuts a "!s." or "!!s." marker with what
// follows it, and 'T' swaps, moves or drops " - "-separated name parts.
// Each rule is pure: the caller applies the replacement table and renames.
#include "core/ops/rename_rule.h"

namespace sonavex {

struct SwapParams {  // 'T': "String" a "mit String" b
  int a = 0;
  int b = 0;
  bool operator==(const SwapParams&) const = default;
};

// False for two equal numbers: nothing would move.
bool HasWork(const SwapParams& params);

// 'G'. Also trims blanks and turns the accents ` and ´ into apostrophes.
NameEdit CapitalizeWords(const NameInput& name);

// 'K'. Also trims blanks and turns the accents ` and ´ into apostrophes.
NameEdit LowerInsideWords(const NameInput& name);

// 'S'. Leaves a name without marker alone.
NameEdit StripMarker(const NameInput& name);

// 'T': a = 0 moves part b to the front, b = 0
// drops part a, otherwise parts a and b change places. Refuses a name with
// fewer parts than a or b asks for; leaves a name without " - " alone.
NameEdit SwapParts(const NameInput& name, const SwapParams& params);

}  // namespace sonavex
