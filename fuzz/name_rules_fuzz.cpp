// Every renaming rule, with the replacement table after it, on any name
// with any parameters free of "/" and zero: the outcome is the old name
// kept, a refusal with its text, or a new name without "/" and zero.
#include <cstdint>
#include <string>

#include "core/batch/batch.h"
#include "core/batch/registry.h"
#include "core/fs/fs.h"
#include "core/ops/tag_ops.h"
#include "fuzz_params.h"

namespace sonavex::fuzz {
namespace {

std::u32string TakeFileName(FuzzedDataProvider& in) {
  using namespace std::string_view_literals;
  std::u32string name = TakeTextWithout(in, 40, "/\0"sv);
  return name.empty() || name == U"." || name == U".." ? U"a" : name;
}

const OperationInfo& TakeRenamingRow(FuzzedDataProvider& in) {
  std::vector<const OperationInfo*> rows;
  for (const OperationInfo& info : Operations()) {
    if (info.rule != nullptr) rows.push_back(&info);
  }
  return *rows[in.ConsumeIntegralInRange<std::size_t>(0, rows.size() - 1)];
}

void Check(FuzzedDataProvider& in) {
  const OperationInfo& info = TakeRenamingRow(in);
  ParamSource source(in, true);
  const OperationParams params = source.Take(info.paramsIndex);
  const ReplacementTable table = TakeTable(source, in);
  const bool tableOn = in.ConsumeBool();
  // Tag fields as a tag gives them: any character but the zero it drops.
  using namespace std::string_view_literals;
  const std::string_view zero = "\0"sv;
  const TagFieldsIn tag{TakeTextWithout(in, 30, zero), TakeTextWithout(in, 30, zero),
                        TakeTextWithout(in, 30, zero)};
  const std::u32string name = TakeFileName(in);
  NameParts parts = SplitName(name);
  const NameEdit edit = info.rule(
      {std::move(parts.base), std::move(parts.extension), U"/d/" + name, &tag}, params);
  switch (edit.outcome) {
    case NameEdit::Outcome::Keep: return;
    case NameEdit::Outcome::Refuse:
      Require(!edit.refusal.text.empty(), "refusal without a text");
      return;
    case NameEdit::Outcome::Rename: break;
  }
  const std::u32string base =
      info.appliesTable
          ? ApplyReplacementTable(edit.base, table, tableOn || info.code == Operation::R)
          : edit.base;
  const std::string newName = EncodeUtf8(base + edit.extension);
  Require(newName.find('/') == std::string::npos, "new name holds \"/\"");
  Require(newName.find('\0') == std::string::npos, "new name holds a zero");
}

}  // namespace
}  // namespace sonavex::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return sonavex::fuzz::WithProvider(data, size, sonavex::fuzz::Check);
}
