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
std::u32string ToU32(const QString& text);

}  // namespace sonavex
