#include "core/ops/tag_agreement.h"

#include "core/text/case.h"
#include "core/text/encoding.h"

namespace sonavex {

Id3v2Field Id3v2FieldOf(TagField field) {
  switch (field) {
    case TagField::Titel: return Id3v2Field::Titel;
    case TagField::Interpret: return Id3v2Field::Interpret;
    case TagField::Album: break;
  }
  return Id3v2Field::Album;
}

bool Id3v1HoldsId3v2Text(std::u32string_view v1, std::u32string_view v2) {
  const std::u32string held = DecodeWindows1252(EncodeWindows1252(v2));
  return v1 == TrimBlanks(held) ||
         v1 == TrimBlanks(std::u32string_view(FitTagField(held)).substr(0, kTagFieldLength)) ||
         (v1.size() == kTagFieldLength && std::u32string_view(held).starts_with(v1));
}

bool HasReadableId3v2(const InfoRecord& record) {
  return record.id3v2 != nullptr && record.id3v2->readable;
}

std::optional<std::u32string> DisagreeingId3v2Text(const InfoRecord& record, TagField field) {
  if (!HasReadableId3v2(record)) return std::nullopt;
  const std::u32string& v2 = record.id3v2->Text(Id3v2FieldOf(field));
  if (Id3v1HoldsId3v2Text(TrimBlanks(TagText(record, field)), v2)) return std::nullopt;
  return v2;
}

bool TagsDisagree(const InfoRecord& record) {
  for (const TagField field : {TagField::Titel, TagField::Interpret, TagField::Album}) {
    if (DisagreeingId3v2Text(record, field)) return true;
  }
  return false;
}

}  // namespace sonavex
