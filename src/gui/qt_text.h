#pragma once
// Crossing between the core's texts and Qt's strings. Only for showing and
// for reading what the user typed: a file name on disk always stays in the
// core's bytes.
#include <QString>
#include <string>
#include <string_view>

namespace sonavex {

// A byte that is not UTF-8 (kept by the core as U+DC80..U+DCFF) is shown as
// the replacement character.
QString ToQString(std::u32string_view text);
QString PathToQString(std::string_view bytes);

// For a field whose text goes back to the core, a file name being edited:
// such a byte stays in the QString as the lone surrogate U+DC80..U+DCFF, so
// that ToU32 gives it back unchanged. Nothing the user types or pastes can
// make a lone surrogate, so no character is ever mistaken for a byte.
QString ToEditableQString(std::u32string_view text);

// Pairs of surrogates become their character; a lone one stays as it is.
std::u32string ToU32(const QString& text);

}  // namespace sonavex
