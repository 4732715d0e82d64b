#pragma once
// Reading title, artist and album out of a file name and its directory path:
// the pieces that 'I' (tag from file name) chooses its sources from.
#include <cstddef>
#include <string>
#include <string_view>

namespace sonavex {

// The number of entries of each field's source list; an index outside
// 0..count-1 other than -1 (the typed text) names no source.
inline constexpr int kTitelSourceCount = 10;
inline constexpr int kInterpretSourceCount = 12;
inline constexpr int kAlbumSourceCount = 10;

// The name less the text from its last "." to its end.
std::u32string NameWithoutExtension(std::u32string_view name);

// Drops a leading two-digit track number and its blank ("07 Waterloo" ->
// "Waterloo") from texts longer than 3 characters.
std::u32string StripTrackNumber(std::u32string_view text);

// Part k (1-based) of an MP3 file name, less its ".mp3", split at " - " into
// two or three parts, each trimmed of edge blanks. Missing parts are filled
// from the front: "Waterloo" has part 1 "Waterloo" and an empty part 2; the
// last part keeps any further separators. Any other k gives the empty text.
std::u32string SplitNameTwo(std::u32string_view name, int k);
std::u32string SplitNameThree(std::u32string_view name, int k);

// The name of the directory `level` steps above the last component of the
// "/"-separated `directory` (0: the last component itself). A level that
// reaches past the start of the path, and the root "/", give the empty text.
std::u32string DirectoryLevelName(std::u32string_view directory, int level);

}  // namespace sonavex
