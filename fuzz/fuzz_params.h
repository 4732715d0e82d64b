#pragma once
// Parameters of any operation drawn from the fuzz input.
#include <string>
#include <string_view>
#include <utility>

#include "core/batch/registry.h"
#include "core/ops/replacement_table.h"
#include "fuzz_support.h"

namespace sonavex::fuzz {

// Texts as a dialog gives them: without a line break, and, when `clean`,
// without the "/" and the zero a file name cannot hold.
class ParamSource {
 public:
  ParamSource(FuzzedDataProvider& in, bool clean) : in_(in), clean_(clean) {}

  std::u32string Text() {
    using namespace std::string_view_literals;
    return TakeTextWithout(in_, 12, clean_ ? "\r\n/\0"sv : "\r\n"sv);
  }

  // Mostly small counts, now and then any number.
  template <class Int>
  Int Count(Int low, Int high) {
    return in_.ConsumeBool() ? in_.ConsumeIntegralInRange<Int>(low, high)
                             : in_.ConsumeIntegral<Int>();
  }

  OperationParams Take(std::size_t index) {
    switch (index) {
      case 1: return DeleteEndsParams{Count<long>(0, 40), Count<long>(0, 40)};
      case 2: return InsertEndsParams{Text(), Text()};
      case 3: return SearchReplaceParams{Text(), Text()};
      case 4: return SwapParams{Count<int>(0, 6), Count<int>(0, 6)};
      case 5: return NameFromTagParams{Count<int>(-1, 5)};
      case 6: return TagFromNameParams{Source(), Source(), Source()};
      case 7: return TagReplaceParams{{Text(), Text()}, {Text(), Text()}, {Text(), Text()}};
      case 8:
        return TagDeleteParams{{Count<long>(0, 31), Count<long>(0, 31)},
                               {Count<long>(0, 31), Count<long>(0, 31)},
                               {Count<long>(0, 31), Count<long>(0, 31)}};
      case 9: return TagInsertParams{{Text(), Text()}, {Text(), Text()}, {Text(), Text()}};
      case 10: return TextReplaceParams{Text(), Text()};
      default: return NoParams{};
    }
  }

 private:
  TagSource Source() { return {in_.ConsumeBool(), Count<int>(-1, 12), Text()}; }

  FuzzedDataProvider& in_;
  bool clean_;
};

// A replacement table with a few rows filled.
inline ReplacementTable TakeTable(ParamSource& params, FuzzedDataProvider& in) {
  ReplacementTable table;
  const int rows = in.ConsumeIntegralInRange(0, 3);
  for (int i = 0; i < rows; ++i) table[static_cast<std::size_t>(i)] = {params.Text(), params.Text()};
  return table;
}

}  // namespace sonavex::fuzz
