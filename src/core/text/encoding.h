#pragma once
// Conversions between the byte forms found on disk and the code points the
// rules work on.
//
// File names are UTF-8. A byte that is not part of valid UTF-8 becomes the
// code point U+DC00 + byte ("surrogate escape") and turns back into that
// byte on the way out, so every name round-trips exactly.
#include <cstddef>
#include <string>
#include <string_view>

namespace sonavex {

std::u32string DecodeUtf8(std::string_view bytes);
// DecodeUtf8 into `out`, which has room for a code point per byte: the
// number of code points.
std::size_t DecodeUtf8Into(char32_t* out, std::string_view bytes);
std::string EncodeUtf8(std::u32string_view text);
// The same, appended to `out`.
void EncodeUtf8Into(std::string& out, std::u32string_view text);
// True when DecodeUtf8 would escape no byte of `bytes`.
bool IsValidUtf8(std::string_view bytes);

// ID3v1 fields are Windows-1252. Characters it cannot hold are written as
// "?". The five bytes without a 1252 mapping decode to their C1 controls.
// An escaped byte of a file name (U+DC80..U+DCFF) is written as that byte.
std::u32string DecodeWindows1252(std::string_view bytes);
// DecodeWindows1252 into room for `bytes.size()` characters at `out`.
void DecodeWindows1252Into(char32_t* out, std::string_view bytes);
std::string EncodeWindows1252(std::u32string_view text);
// EncodeWindows1252 into room for `text.size()` bytes at `out`.
void EncodeWindows1252Into(char* out, std::u32string_view text);

// Short spellings for literals and paths.
// ASCII bytes as text, each byte its character.
inline std::u32string WidenAscii(std::string_view ascii) { return {ascii.begin(), ascii.end()}; }

inline std::u32string U32(std::string_view utf8) { return DecodeUtf8(utf8); }
inline std::string U8(std::u32string_view text) { return EncodeUtf8(text); }

}  // namespace sonavex
