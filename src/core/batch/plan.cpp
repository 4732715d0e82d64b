#include "core/batch/plan.h"

#include <type_traits>

namespace sonavex {

RenamedFiles::RenamedFiles(std::initializer_list<Pair> pairs)
    : table_(std::make_shared<const Table>(pairs)), rows_(pairs.size()) {
  for (std::uint32_t row = 0; row < rows_.size(); ++row) rows_[row] = row;
}

template <StepKind kind, class Change>
constexpr bool IsAlternative() {
  return std::is_same_v<std::variant_alternative_t<static_cast<std::size_t>(kind), StepChange>,
                        Change>;
}
static_assert(std::variant_size_v<StepChange> == static_cast<std::size_t>(StepKind::Id3v2Write) + 1);
static_assert(IsAlternative<StepKind::Rename, steps::Rename>() &&
              IsAlternative<StepKind::TagWrite, steps::TagWrite>() &&
              IsAlternative<StepKind::TagAppend, steps::TagAppend>() &&
              IsAlternative<StepKind::TagRemove, steps::TagRemove>() &&
              IsAlternative<StepKind::ContentReplace, steps::ContentReplace>() &&
              IsAlternative<StepKind::Refuse, steps::Refuse>() &&
              IsAlternative<StepKind::WalkFailure, steps::WalkFailure>() &&
              IsAlternative<StepKind::Export, steps::Export>() &&
              IsAlternative<StepKind::FileCreate, steps::FileCreate>() &&
              IsAlternative<StepKind::FileRemove, steps::FileRemove>() &&
              IsAlternative<StepKind::Id3v2Write, steps::Id3v2Write>());

const std::string* NewNameOf(const PlanStep& step) {
  const auto* rename = std::get_if<steps::Rename>(&step.change);
  return rename != nullptr ? &rename->newName : nullptr;
}

const StepMessage* MessageOf(const PlanStep& step) {
  if (const auto* refuse = std::get_if<steps::Refuse>(&step.change)) return &refuse->message;
  if (const auto* failure = std::get_if<steps::WalkFailure>(&step.change)) {
    return &failure->message;
  }
  return nullptr;
}

ByteChange ChangedPart(const steps::Id3v2Write& write) {
  const std::string_view before = write.before;
  const std::string_view after = write.after;
  if (before.size() != after.size()) return {0, before, after};
  // Most of a tag stays: it is compared a block at a time.
  constexpr std::size_t kBlock = 64;
  std::size_t first = 0;
  while (first + kBlock <= before.size() &&
         before.substr(first, kBlock) == after.substr(first, kBlock)) {
    first += kBlock;
  }
  while (first < before.size() && before[first] == after[first]) ++first;
  std::size_t end = before.size();
  while (end >= first + kBlock && before.substr(end - kBlock, kBlock) == after.substr(end - kBlock, kBlock)) {
    end -= kBlock;
  }
  while (end > first && before[end - 1] == after[end - 1]) --end;
  return {static_cast<std::int64_t>(first), before.substr(first, end - first),
          after.substr(first, end - first)};
}

std::string* OldContentOf(PlanStep& step) {
  if (auto* replace = std::get_if<steps::ContentReplace>(&step.change)) return &replace->before;
  if (auto* remove = std::get_if<steps::FileRemove>(&step.change)) return &remove->content;
  return nullptr;
}

const std::string* OldContentOf(const PlanStep& step) {
  return OldContentOf(const_cast<PlanStep&>(step));
}

char LetterOf(PlanKind kind) { return static_cast<char>(kind); }

PlanKind PlanKindOfLetter(char letter) { return static_cast<PlanKind>(letter); }

char JournalLetter(const Plan& plan) {
  return LetterOf(plan.kind == PlanKind::Undo ? plan.undone : plan.kind);
}

PlanCounts CountSteps(const Plan& plan) {
  PlanCounts counts;
  for (const PlanStep& step : plan.steps) {
    switch (Kind(step)) {
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
