#pragma once
// A step of a plan in words, once for everyone who shows one: the preview's
// columns, the dry run's line and the history's rows all come from here.
#include <string>

#include "core/batch/plan.h"

namespace sonavex {

struct StepWords {
  std::u32string action;  // e.g. U"Umbenennen", U"ID3-Tag schreiben"
  // The file, from the plan's directory down (the export's list and a
  // walk's failing directory by their full path); bytes, as names are.
  std::string file;
  std::u32string before;  // e.g. the old name, U"Titel: a"
  std::u32string after;
  // A refusal or failure foreseen, on one line, and whether the step can
  // be taken back.
  std::u32string note;
  // The dry run's line: the full path, a tab and the new path or what
  // happens ("Tag geschrieben"); empty for a refusal, which is a message.
  std::string line;
};

StepWords Describe(const Plan& plan, const PlanStep& step);

// False for an undo step whose old content the journal did not keep:
// there is nothing to put back, and the executor skips it.
bool CanBePerformed(const PlanStep& step);

// False for a step that the journal cannot take back: one that cannot be
// performed, or a content replacement or removal whose old content is too
// large to keep.
bool IsUndoable(const PlanStep& step);

}  // namespace sonavex
