#pragma once
// The two tag syncs as rules: "ID3v1 → ID3v2" copies the ID3v1 tag's title,
// artist, album, track, year and genre into the ID3v2 tag, "ID3v2 → ID3v1"
// the other way. A field the source leaves empty is not copied, so that a
// blank tag never wipes the other one's texts. Pure: the planner reads the
// tags and the executor writes them.
#include <string>
#include <string_view>

#include "core/mp3/id3v2.h"

namespace sonavex {

// The ID3v2 changes the ID3v1 tag `v1Tag` (128 bytes) gives to an ID3v2
// tag whose texts are `present`: its texts without their padding blanks,
// the track of an ID3v1.1 tag, the genre's name. A field whose ID3v1 form
// is just the cut form of the present text ("...", "?" for a character
// Windows-1252 lacks, "2001" of "2001-05-03") keeps the present text.
Id3v2Changes Id3v2FromId3v1(std::string_view v1Tag, const Id3v2Texts& present);

// The ID3v1 tag `v1Tag` (128 bytes) with the fields of an ID3v2 tag:
// title, artist and album fitted into their 30 characters (FitTagField,
// Windows-1252, "?" for what it cannot hold), the first four characters of
// the year, the track (1 to 255) as ID3v1.1 holds it, and the genre's
// number where the list has its name.
std::string Id3v1FromId3v2(std::string v1Tag, const Id3v2Texts& v2);

}  // namespace sonavex
