#include "gui/qt_text.h"

#include "core/text/encoding.h"

namespace sonavex {
namespace {

bool IsSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

}  // namespace

QString ToQString(std::u32string_view text) {
  std::u32string shown(text);
  for (char32_t& c : shown) {
    if (IsSurrogate(c)) c = 0xFFFD;
  }
  return QString::fromStdU32String(shown);
}

QString PathToQString(std::string_view bytes) {
  return ToQString(DecodeUtf8(bytes));
}

// QString::fromStdU32String would turn the escaped bytes into U+FFFD.
QString ToEditableQString(std::u32string_view text) {
  QString editable;
  editable.reserve(static_cast<qsizetype>(text.size()));
  for (const char32_t c : text) {
    if (IsSurrogate(c)) {
      editable.append(QChar(static_cast<char16_t>(c)));
    } else {
      editable.append(QString::fromUcs4(&c, 1));
    }
  }
  return editable;
}

// QString::toStdU32String would turn a lone surrogate into U+FFFD.
std::u32string ToU32(const QString& text) {
  std::u32string out;
  out.reserve(static_cast<std::size_t>(text.size()));
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
      out.push_back(QChar::surrogateToUcs4(c, text[i + 1]));
      ++i;
    } else {
      out.push_back(c.unicode());
    }
  }
  return out;
}

}  // namespace sonavex
