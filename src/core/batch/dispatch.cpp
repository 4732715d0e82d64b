#include "core/batch/batch.h"
#include "core/fs/fs.h"
#include "core/ops/case_swap.h"
#include "core/ops/name_edits.h"
#include "core/text/encoding.h"

namespace sonavex {

NameParts SplitName(std::u32string_view fileName) {
  const std::size_t dot = fileName.rfind(U'.');
  if (dot == std::u32string_view::npos) return {std::u32string(fileName), {}};
  return {std::u32string(fileName.substr(0, dot)),
          std::u32string(fileName.substr(dot))};
}

namespace {

// 'R' renames every file to its own name with the table run over it.
NameEdit KeepNameForTable(const NameInput& name, const NameEditParams&) {
  return NameEdit::RenameTo(name.base, name.extension);
}

struct NameCase {
  OperationCode code;
  NameRule rule;
  bool appliesTable;
};

constexpr NameCase kNameCases[] = {
    {'R', KeepNameForTable, true}, {'L', DeleteAtEnds, true},
    {'E', InsertAtEnds, false},    {'X', ReplaceInName, true},
    {'Y', ReplaceInType, true},    {'G', CapitalizeWords, true},
    {'K', LowerInsideWords, true}, {'S', StripMarker, true},
    {'T', SwapParts, true},
};

const NameCase* FindNameCase(OperationCode code) {
  for (const NameCase& entry : kNameCases) {
    if (entry.code == code) return &entry;
  }
  return nullptr;
}

void Report(const BatchContext& context, const Refusal& refusal) {
  if (context.reporter != nullptr) {
    context.reporter->Report(refusal.kind, refusal.text, refusal.button);
  }
}

// The frame every renaming case shares: split, run the rule, run the table
// over the new base name, rename without ever replacing another file.
void ApplyNameCase(const NameCase& entry, const std::string& fileName,
                   const std::string& directory, const BatchContext& context) {
  const std::u32string name = DecodeUtf8(fileName);
  NameParts parts = SplitName(name);
  const NameEdit edit = entry.rule(
      {std::move(parts.base), std::move(parts.extension),
       DecodeUtf8(JoinPath(directory, fileName))},
      context.nameEdits);
  if (edit.outcome == NameEdit::Outcome::Refuse) Report(context, edit.refusal);
  if (edit.outcome != NameEdit::Outcome::Rename) return;
  // "Sofort" runs the table whatever the switch says.
  const bool tableOn = entry.code == 'R' || context.replacementActive;
  const std::u32string base =
      entry.appliesTable ? ApplyReplacementTable(edit.base, context.table, tableOn)
                         : edit.base;
  std::string stranded;
  const std::error_code ec =
      RenameNoReplace(directory, fileName, EncodeUtf8(base + edit.extension), &stranded);
  if (ec && context.reporter != nullptr) {
    RenameWithMessage(*context.reporter, ec, DecodeUtf8(directory), name,
                      DecodeUtf8(stranded));
  }
}

}  // namespace

void ApplyOperation(OperationCode code, const std::string& fileName,
                    const std::string& directory, const BatchContext& context) {
  // The other families add their cases here; a code without a case leaves
  // the file as it is.
  if (const NameCase* entry = FindNameCase(code)) {
    ApplyNameCase(*entry, fileName, directory, context);
  }
}

}  // namespace sonavex
