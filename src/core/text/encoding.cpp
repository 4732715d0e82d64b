#include "core/text/encoding.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace sonavex {
namespace {

constexpr char32_t kEscapeBase = 0xDC00;

bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// Length and minimum code point of a UTF-8 sequence by its lead byte;
// length 0 for a byte that cannot start one.
struct Lead {
  int length;
  char32_t bits;
  char32_t minimum;
};

Lead ClassifyLead(unsigned char b) {
  if (b < 0x80) return {1, b, 0};
  if ((b & 0xE0) == 0xC0) return {2, char32_t(b & 0x1F), 0x80};
  if ((b & 0xF0) == 0xE0) return {3, char32_t(b & 0x0F), 0x800};
  if ((b & 0xF8) == 0xF0) return {4, char32_t(b & 0x07), 0x10000};
  return {0, 0, 0};
}

// Decodes one sequence at bytes[i]; returns its length, or 0 when the bytes
// there are not valid UTF-8 (overlong, surrogate, beyond U+10FFFF, cut off).
int DecodeOne(std::string_view bytes, std::size_t i, char32_t& out) {
  const Lead lead = ClassifyLead(static_cast<unsigned char>(bytes[i]));
  if (lead.length == 0 || i + lead.length > bytes.size()) return 0;
  char32_t cp = lead.bits;
  for (int k = 1; k < lead.length; ++k) {
    const auto b = static_cast<unsigned char>(bytes[i + k]);
    if (!IsContinuation(b)) return 0;
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < lead.minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    return 0;
  }
  out = cp;
  return lead.length;
}

// Writes the UTF-8 bytes of `cp` at `out` (room for four) and returns how
// many.
std::size_t PutUtf8(char* out, char32_t cp) {
  if (cp < 0x80) {
    out[0] = static_cast<char>(cp);
    return 1;
  }
  if (cp < 0x800) {
    out[0] = static_cast<char>(0xC0 | (cp >> 6));
    out[1] = static_cast<char>(0x80 | (cp & 0x3F));
    return 2;
  }
  if (cp < 0x10000) {
    out[0] = static_cast<char>(0xE0 | (cp >> 12));
    out[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (cp & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (cp >> 18));
  out[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (cp & 0x3F));
  return 4;
}

// Windows-1252 0x80..0x9F; 0 marks the five unassigned bytes.
constexpr std::array<char16_t, 32> kHigh1252 = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char EncodeOne1252(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
  // A byte of a file name that was not UTF-8 goes back as that byte: an old
  // Latin-1 name already shows the Windows-1252 character it stands for.
  if (cp >= kEscapeBase + 0x80 && cp <= kEscapeBase + 0xFF) {
    return static_cast<char>(cp - kEscapeBase);
  }
  for (std::size_t k = 0; k < kHigh1252.size(); ++k) {
    if (kHigh1252[k] == 0 ? cp == 0x80 + k : kHigh1252[k] == cp) {
      return static_cast<char>(0x80 + k);
    }
  }
  return '?';
}

}  // namespace

std::size_t DecodeUtf8Into(char32_t* out, std::string_view bytes) {
  // ASCII, the usual case, is copied a code point per byte up to the first
  // byte that is not.
  std::size_t i = 0;
  for (; i < bytes.size() && static_cast<unsigned char>(bytes[i]) < 0x80; ++i) {
    out[i] = static_cast<unsigned char>(bytes[i]);
  }
  // No more code points than bytes: the rest goes into the room there is.
  std::size_t k = i;
  while (i < bytes.size()) {
    char32_t cp = 0;
    const int n = DecodeOne(bytes, i, cp);
    if (n == 0) {
      out[k++] = kEscapeBase + static_cast<unsigned char>(bytes[i]);
      ++i;
    } else {
      out[k++] = cp;
      i += static_cast<std::size_t>(n);
    }
  }
  return k;
}

std::u32string DecodeUtf8(std::string_view bytes) {
  std::u32string out(bytes.size(), U'\0');
  out.resize(DecodeUtf8Into(out.data(), bytes));
  return out;
}

bool IsValidUtf8(std::string_view bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    // Eight ASCII bytes at a time, the usual case of a text file.
    std::uint64_t word = 0;
    if (i + sizeof word <= bytes.size()) {
      std::memcpy(&word, bytes.data() + i, sizeof word);
      if ((word & 0x8080808080808080ULL) == 0) {
        i += sizeof word;
        continue;
      }
    }
    char32_t cp = 0;
    const int n = DecodeOne(bytes, i, cp);
    if (n == 0) return false;
    i += static_cast<std::size_t>(n);
  }
  return true;
}

std::string EncodeUtf8(std::u32string_view text) {
  std::string out;
  EncodeUtf8Into(out, text);
  return out;
}

void EncodeUtf8Into(std::string& out, std::u32string_view text) {
  // ASCII, the usual case, is copied a byte per code point into room for
  // one byte each, up to the first character that is not. The rest takes at
  // most four bytes a code point: the room grows once to that, and is cut
  // back at the end.
  const std::size_t start = out.size();
  out.resize(start + text.size());
  std::size_t ascii = 0;
  for (; ascii < text.size() && text[ascii] < 0x80; ++ascii) {
    out[start + ascii] = static_cast<char>(text[ascii]);
  }
  if (ascii == text.size()) return;
  out.resize(start + ascii + 4 * (text.size() - ascii));
  std::size_t end = start + ascii;
  for (char32_t cp : text.substr(ascii)) {
    if (cp >= kEscapeBase + 0x80 && cp <= kEscapeBase + 0xFF) {
      out[end++] = static_cast<char>(cp - kEscapeBase);
    } else if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) {
      end += PutUtf8(&out[end], 0xFFFD);
    } else {
      end += PutUtf8(&out[end], cp);
    }
  }
  out.resize(end);
}

std::u32string DecodeWindows1252(std::string_view bytes) {
  std::u32string out(bytes.size(), U'\0');
  DecodeWindows1252Into(out.data(), bytes);
  return out;
}

void DecodeWindows1252Into(char32_t* out, std::string_view bytes) {
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    const bool mapped = b >= 0x80 && b <= 0x9F && kHigh1252[b - 0x80] != 0;
    out[i] = mapped ? kHigh1252[b - 0x80] : b;
  }
}

std::string EncodeWindows1252(std::u32string_view text) {
  std::string out(text.size(), '\0');
  EncodeWindows1252Into(out.data(), text);
  return out;
}

void EncodeWindows1252Into(char* out, std::u32string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) out[i] = EncodeOne1252(text[i]);
}

}  // namespace sonavex
