#pragma once
// The journal's record of a content replacement of `path` from "old" to
// "new" that was recorded and never performed: what a kill in the middle of
// a text replace leaves behind.
#include <string>

#include "core/apply/executor.h"
#include "core/journal/journal.h"

namespace sonavex::test {

inline JournalAction PendingReplacementOf(const std::string& path) {
  JournalAction replace;
  replace.kind = ActionKind::ContentReplace;
  replace.path = path;
  replace.before = "old";
  replace.sizeBefore = 3;
  replace.sizeAfter = 3;
  replace.hashAfter = ContentHash("new");
  return replace;
}

}  // namespace sonavex::test
