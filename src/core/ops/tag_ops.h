#pragma once
// The tag operations as rules: 'N' builds a file name from the ID3v1 tag,
// 'I' fills the tag from the file and directory names, 'W' searches and
// replaces in the three text fields, 'A' deletes characters at their start
// and end and 'B' adds text before and after them. Each rule is pure: it
// takes the fields as the file's record holds them and gives the new name
// or the new field texts; the planner loads the record and the executor
// writes.
#include <string>
#include <string_view>

#include "core/mp3/id3v1.h"

namespace sonavex {

// Titel, Interpret and Album as the record read them from the tag (zero
// bytes left out, padding blanks kept).
struct TagFieldsIn {
  std::u32string titel;
  std::u32string interpret;
  std::u32string album;
};

// 'N': the pattern index of "Dateiname aus ID3Tag" (0 to 4, -1: none).
struct NameFromTagParams {
  int pattern = -1;
  bool operator==(const NameFromTagParams&) const = default;
};
// The new base name (before the replacement table; the caller adds ".mp3"):
// the pattern's text, or with no pattern `presentBase`; either way with the
// characters a file name cannot hold replaced by "_".
std::u32string NameFromTag(const TagFieldsIn& fields, std::u32string_view presentBase,
                           const NameFromTagParams& params);

// 'I': per field whether it is written and its source: the index of its
// combo box, -1 with the typed text, or kNoTagSource when the box shows
// neither (nothing chosen, nothing typed). A checked field without a
// source is left as it is: the box's prompt is no text for the tag.
inline constexpr int kNoTagSource = -2;
struct TagSource {
  bool enabled = false;
  int index = -1;
  std::u32string text;
  bool operator==(const TagSource&) const = default;
};
struct TagFromNameParams {
  TagSource titel;
  TagSource interpret;
  TagSource album;
  bool operator==(const TagFromNameParams&) const = default;
};
// The texts of the enabled fields (not yet fitted), from the file's name and
// its directory's full path.
TagTexts TagFromName(std::u32string_view fileName, std::u32string_view directory,
                     const TagFromNameParams& params);

// 'W': a search and a replacement text per field; an empty search text
// leaves the field alone.
struct FieldReplace {
  std::u32string search;
  std::u32string replacement;
  bool operator==(const FieldReplace&) const = default;
};
struct TagReplaceParams {
  FieldReplace titel;
  FieldReplace interpret;
  FieldReplace album;
  bool operator==(const TagReplaceParams&) const = default;
};
TagTexts TagSearchReplace(const TagFieldsIn& fields, const TagReplaceParams& params);

// 'A': characters to delete at the start and the end of each field (0..30).
struct FieldCounts {
  long first = 0;
  long last = 0;
  bool operator==(const FieldCounts&) const = default;
};
struct TagDeleteParams {
  FieldCounts titel;
  FieldCounts interpret;
  FieldCounts album;
  bool operator==(const TagDeleteParams&) const = default;
};
TagTexts TagDeleteStartEnd(const TagFieldsIn& fields, const TagDeleteParams& params);

// 'B': text to put before the start and after the end of each field.
struct FieldAffixes {
  std::u32string before;
  std::u32string after;
  bool operator==(const FieldAffixes&) const = default;
};
struct TagInsertParams {
  FieldAffixes titel;
  FieldAffixes interpret;
  FieldAffixes album;
  bool operator==(const TagInsertParams&) const = default;
};
TagTexts TagInsertStartEnd(const TagFieldsIn& fields, const TagInsertParams& params);

// The dialogs' "nothing to do" rules: 'I' with no checked field that has
// a source, 'W' with every search text empty, 'A' with every count 0, 'B'
// with every text empty. 'N' always works.
bool HasWork(const TagFromNameParams& params);
bool HasWork(const TagReplaceParams& params);
bool HasWork(const TagDeleteParams& params);
bool HasWork(const TagInsertParams& params);
// The same for one field's parameters: whether the edit does more to the
// field than trim its blanks.
bool HasWork(const FieldReplace& field);
bool HasWork(const FieldCounts& field);
bool HasWork(const FieldAffixes& field);

}  // namespace sonavex
