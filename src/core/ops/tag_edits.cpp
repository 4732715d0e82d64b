// 'W', 'A' and 'B': edits of the three text fields as they stand. Every
// field comes back trimmed with TrimBlanks; the caller fits it into the tag.
#include <algorithm>
#include <optional>

#include "core/ops/tag_ops.h"
#include "core/text/case.h"
#include "core/text/replace.h"

namespace sonavex {
namespace {

// Runs `edit` over the three fields with their own parameters; a field
// whose edit gives nothing is left alone.
template <class FieldParams, class Edit>
TagTexts EachField(const TagFieldsIn& fields, const FieldParams& titel,
                   const FieldParams& interpret, const FieldParams& album, Edit edit) {
  TagTexts texts;
  texts.Titel = edit(fields.titel, titel);
  texts.Interpret = edit(fields.interpret, interpret);
  texts.Album = edit(fields.album, album);
  return texts;
}

std::optional<std::u32string> ReplaceInField(const std::u32string& text,
                                             const FieldReplace& replace) {
  // An empty search text leaves the field untouched, not even trimmed.
  if (replace.search.empty()) return std::nullopt;
  std::u32string replaced =
      ReplaceAllIgnoringCase(replace.search, replace.replacement, text).text;
  TrimBlanksInPlace(replaced);
  return replaced;
}

std::optional<std::u32string> DeleteInField(const std::u32string& text,
                                            const FieldCounts& counts) {
  // Trailing padding blanks do not count: the cut is on the trimmed text.
  std::u32string kept = text;
  TrimBlanksInPlace(kept);
  const auto first = static_cast<std::size_t>(std::max(counts.first, 0L));
  const auto last = static_cast<std::size_t>(std::max(counts.last, 0L));
  kept.erase(0, std::min(first, kept.size()));
  // More last characters than are left cuts nothing at all.
  if (last <= kept.size()) kept.resize(kept.size() - last);
  TrimBlanksInPlace(kept);
  return kept;
}

std::optional<std::u32string> InsertInField(const std::u32string& text,
                                            const FieldAffixes& affixes) {
  // before + TrimBlanks(text) + after, trimmed once more, in one text.
  std::u32string out;
  out.reserve(affixes.before.size() + text.size() + affixes.after.size());
  out += affixes.before;
  const std::size_t at = out.size();
  out += text;
  out.resize(at + TrimBlanksIn(out.data() + at, text.size()));
  out += affixes.after;
  TrimBlanksInPlace(out);
  return out;
}

}  // namespace

TagTexts TagSearchReplace(const TagFieldsIn& fields, const TagReplaceParams& params) {
  return EachField(fields, params.titel, params.interpret, params.album, ReplaceInField);
}

TagTexts TagDeleteStartEnd(const TagFieldsIn& fields, const TagDeleteParams& params) {
  return EachField(fields, params.titel, params.interpret, params.album, DeleteInField);
}

TagTexts TagInsertStartEnd(const TagFieldsIn& fields, const TagInsertParams& params) {
  return EachField(fields, params.titel, params.interpret, params.album, InsertInField);
}

bool HasWork(const FieldReplace& field) { return !field.search.empty(); }

bool HasWork(const FieldCounts& field) { return field.first > 0 || field.last > 0; }

bool HasWork(const FieldAffixes& field) { return !field.before.empty() || !field.after.empty(); }

namespace {

template <class Params>
bool AnyFieldHasWork(const Params& params) {
  return HasWork(params.titel) || HasWork(params.interpret) || HasWork(params.album);
}

}  // namespace

bool HasWork(const TagReplaceParams& params) { return AnyFieldHasWork(params); }

bool HasWork(const TagDeleteParams& params) { return AnyFieldHasWork(params); }

bool HasWork(const TagInsertParams& params) { return AnyFieldHasWork(params); }

}  // namespace sonavex
