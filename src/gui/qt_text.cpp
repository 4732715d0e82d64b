#include "gui/qt_text.h"

#include "core/text/encoding.h"

namespace sonavex {

QString ToQString(std::u32string_view text) {
  std::u32string shown(text);
  for (char32_t& c : shown) {
    if (c >= 0xD800 && c <= 0xDFFF) c = 0xFFFD;
  }
  return QString::fromStdU32String(shown);
}

QString PathToQString(std::string_view bytes) {
  return ToQString(DecodeUtf8(bytes));
}

std::u32string ToU32(const QString& text) { return text.toStdU32String(); }

}  // namespace sonavex
