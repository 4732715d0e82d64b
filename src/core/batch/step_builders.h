#pragma once
// Steps the planners build alike.
#include <string>
#include <string_view>
#include <system_error>

#include "core/batch/plan.h"
#include "core/ops/rename_rule.h"

namespace sonavex {

// A refusal shown for the file in place of a change.
PlanStep RefuseStep(const std::string& directory, const std::string& name,
                    const Refusal& refusal);

// The ID3v2 tag at the start of the file: `before` (empty: none) -> `after`.
PlanStep Id3v2WriteStep(const std::string& directory, const std::string& name,
                        std::string before, std::string after);

// A file whose ID3v2 tag is left alone, and why: "<path>", an empty line,
// the reason.
PlanStep Id3v2Refusal(const std::string& directory, const std::string& name,
                      std::u32string_view reason);

// A file the planner could not read: reported, the batch goes on.
PlanStep ReadFailureStep(const std::string& directory, const std::string& name,
                         std::error_code ec);

}  // namespace sonavex
