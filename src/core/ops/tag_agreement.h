#pragma once
// Whether a file's ID3v1 and ID3v2 tags tell the same: what the grid marks
// and the status bar counts after a filling. ID3v1 holds at most 30
// Windows-1252 characters of a field, so its cut form of the ID3v2 text
// agrees with it.
#include <optional>
#include <string>
#include <string_view>

#include "core/mp3/info_record.h"

namespace sonavex {

// The ID3v2 field of an ID3v1 text field.
Id3v2Field Id3v2FieldOf(TagField field);

// Whether the ID3v1 text `v1` (as the grid shows it, trimmed) is what
// ID3v1 can hold of the ID3v2 text `v2`: the same text, or its cut form
// (fitted with "...", or its first 30 characters), with "?" for a
// character Windows-1252 lacks.
bool Id3v1HoldsId3v2Text(std::u32string_view v1, std::u32string_view v2);

// The ID3v2 text of `field` where the file's readable ID3v2 tag tells
// another text than its ID3v1 tag (a file without ID3v1 tag counts as
// empty there); nothing where they agree or the file has no such tag.
std::optional<std::u32string> DisagreeingId3v2Text(const InfoRecord& record, TagField field);

// Whether any of title, artist and album disagree.
bool TagsDisagree(const InfoRecord& record);

// Whether the file has an ID3v2 tag whose texts could be read.
bool HasReadableId3v2(const InfoRecord& record);

}  // namespace sonavex
