#include "core/batch/plan.h"

namespace sonavex {

PlanCounts CountSteps(const Plan& plan) {
  PlanCounts counts;
  for (const PlanStep& step : plan.steps) {
    switch (step.kind) {
      case StepKind::Rename: ++counts.renames; break;
      case StepKind::TagWrite:
      case StepKind::TagAppend:
      case StepKind::TagRemove:
      case StepKind::Id3v2Write: ++counts.tagWrites; break;
      case StepKind::ContentReplace:
      case StepKind::Export:
      case StepKind::FileCreate:
      case StepKind::FileRemove: ++counts.contents; break;
      case StepKind::Refuse:
      case StepKind::WalkFailure: ++counts.refusals; break;
    }
    if (!step.foreseen.empty()) ++counts.foreseenFailures;
  }
  return counts;
}

std::string ContentReplacedText(int changedLines, bool playlist) {
  std::string text = playlist ? "Playlist angepasst" : "Inhalt ersetzt";
  if (changedLines == 0) return text;
  return text + " (" + std::to_string(changedLines) +
         (changedLines == 1 ? " Zeile)" : " Zeilen)");
}

}  // namespace sonavex
