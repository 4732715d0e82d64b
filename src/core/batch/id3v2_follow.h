#pragma once
// "ID3v2 mitführen": each write of the ID3v1 tag's text fields writes the
// same fields into the file's ID3v2 tag as well, where the file has one,
// so that players that read ID3v2 first see the change. ID3v2 gets the
// whole text, which ID3v1 holds only cut to its 30 characters. No ID3v2
// tag is created here: that is the tag sync's business.
#include <string>

#include "core/batch/plan.h"
#include "core/mp3/id3v1.h"
#include "core/mp3/id3v2.h"
#include "core/ops/tag_ops.h"

namespace sonavex {

// Titel, Interpret and Album: the fields that follow, and those 'N' names
// files by.
inline constexpr Id3v2FieldSet kFollowedFields{0b111};

// The ID3v2 fields of those `texts` gives.
Id3v2FieldSet Id3v2FieldsOf(const TagTexts& texts);

// The ID3v2 fields a tag rule with `params` changes, of those its `texts`
// give: a field the rule would only trim ('W' without a search text, 'A'
// without a count, 'B' without a text) is not read and keeps its ID3v2
// text as it is.
Id3v2FieldSet Id3v2FieldsToFollow(const TagTexts& texts, const OperationParams& params);

// `texts` with only the fields of `fields`.
TagTexts SameFields(TagTexts texts, Id3v2FieldSet fields);

// The changes `texts` make to an ID3v2 tag holding `present`: each field
// given whose text differs from the present one.
Id3v2Changes FollowingChanges(const TagTexts& texts, const Id3v2Texts& present);

// Adds the step that writes `texts` into the ID3v2 tag `tag` (`info` what
// it holds): nothing when nothing changes, a refusal for a tag that cannot
// be rewritten (the ID3v1 write goes ahead all the same).
void AddId3v2Follow(const std::string& directory, const std::string& name,
                    const Id3v2Tag& tag, const Id3v2Info& info, const TagTexts& texts,
                    Plan& plan);

// Titel, Interpret and Album of `v1` with those of the readable ID3v2 tag
// `info` in place of each one it holds: what 'N' names a file by.
TagFieldsIn FieldsPreferringId3v2(const TagFieldsIn& v1, const Id3v2Info* info);

}  // namespace sonavex
