#include "core/ops/name_edits.h"

#include <algorithm>

#include "core/text/case.h"
#include "core/text/encoding.h"
#include "core/text/replace.h"

namespace sonavex {
namespace {

std::u32string Decimal(long value) { return U32(std::to_string(value)); }

Refusal NothingLeftRefusal(const std::u32string& path, long first, long last) {
  const std::u32string br(kBreak);
  return {MessageKind::Warning,
          path + br + Decimal(first) + U" am Anfang und " + Decimal(last) +
              U" am Ende ..." + br +
              U"... da bleibt kein Zeichen mehr für den Dateinamen!" + br +
              U"(überflüssige Leerzeichen werden gelöscht!)",
          MessageButton::Abbrechen};
}

}  // namespace

bool HasWork(const DeleteEndsParams& params) {
  return params.first > 0 || params.last > 0;
}

bool HasWork(const InsertEndsParams& params) {
  return !params.before.empty() || !params.after.empty();
}

bool HasWork(const SearchReplaceParams& params) { return !params.search.empty(); }

NameEdit DeleteAtEnds(const NameInput& name, const DeleteEndsParams& params) {
  // The dialog never lets a count go below zero; a caller that tries gets
  // the same.
  const long first = std::max(params.first, 0L);
  const long last = std::max(params.last, 0L);
  const auto length = static_cast<unsigned long>(name.base.size());
  const auto a = static_cast<unsigned long>(first);
  const auto z = static_cast<unsigned long>(last);
  if (a >= length || z >= length - a) {
    return NameEdit::Refuse(NothingLeftRefusal(name.Path(), first, last));
  }
  const std::u32string kept = TrimBlanks(
      std::u32string_view(name.base).substr(a, length - a - z));
  if (kept.empty()) {
    return NameEdit::Refuse(NothingLeftRefusal(name.Path(), first, last));
  }
  return NameEdit::RenameTo(kept, name.extension);
}

NameEdit InsertAtEnds(const NameInput& name, const InsertEndsParams& params) {
  return NameEdit::RenameTo(
      TrimBlanks(params.before + name.base + params.after),
      name.extension);
}

NameEdit ReplaceInName(const NameInput& name, const SearchReplaceParams& params) {
  ReplaceResult replaced =
      ReplaceAllIgnoringCase(params.search, params.replacement, name.base);
  if (replaced.count == 0) return NameEdit::Keep();
  return NameEdit::RenameTo(std::move(replaced.text), name.extension);
}

NameEdit ReplaceInType(const NameInput& name, const SearchReplaceParams& params) {
  const std::u32string_view type =
      std::u32string_view(name.extension).substr(name.extension.empty() ? 0 : 1);
  const ReplaceResult replaced =
      ReplaceAllIgnoringCase(params.search, params.replacement, type);
  if (replaced.count == 0) return NameEdit::Keep();
  return NameEdit::RenameTo(name.base, U"." + replaced.text);
}

}  // namespace sonavex
