#include "core/ops/rename_rule.h"

namespace sonavex {

bool NameEditHasWork(char code, const NameEditParams& params) {
  switch (code) {
    case 'L': return params.deleteFirst > 0 || params.deleteLast > 0;
    case 'E': return !params.insertBefore.empty() || !params.insertAfter.empty();
    case 'X':
    case 'Y': return !params.search.empty();
    case 'T': return params.swapA != params.swapB;
    default: return true;
  }
}

}  // namespace sonavex
