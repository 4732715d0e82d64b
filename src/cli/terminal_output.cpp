#include "cli/terminal_output.h"

#include <unistd.h>

#include "core/text/encoding.h"

namespace sonavex::cli {
namespace {

// Code points DecodeUtf8 gives a byte that is no part of a UTF-8 character.
constexpr char32_t kEscapedByteFirst = 0xDC80;
constexpr char32_t kEscapedByteLast = 0xDCFF;

bool IsControl(char32_t c) {
  return (c < 0x20 && c != U'\n' && c != U'\t') || (c >= 0x7F && c <= 0x9F);
}

void AppendOctal(std::string& out, unsigned char byte) {
  out += '\\';
  out += static_cast<char>('0' + (byte >> 6));
  out += static_cast<char>('0' + ((byte >> 3) & 7));
  out += static_cast<char>('0' + (byte & 7));
}

void AppendEscaped(std::string& out, char32_t c) {
  switch (c) {
    case U'\a': out += "\\a"; return;
    case U'\b': out += "\\b"; return;
    case U'\f': out += "\\f"; return;
    case U'\r': out += "\\r"; return;
    case U'\v': out += "\\v"; return;
    default: break;
  }
  if (c >= kEscapedByteFirst) {
    AppendOctal(out, static_cast<unsigned char>(c - 0xDC00));
    return;
  }
  for (const char byte : EncodeUtf8(std::u32string(1, c))) {
    AppendOctal(out, static_cast<unsigned char>(byte));
  }
}

}  // namespace

std::string EscapeForTerminal(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (const char32_t c : DecodeUtf8(bytes)) {
    if (IsControl(c) || (c >= kEscapedByteFirst && c <= kEscapedByteLast)) {
      AppendEscaped(out, c);
    } else {
      EncodeUtf8Into(out, std::u32string_view(&c, 1));
    }
  }
  return out;
}

TerminalBuffer::~TerminalBuffer() { Pass(pending_.size()); }

std::streamsize TerminalBuffer::xsputn(const char* text, std::streamsize count) {
  pending_.append(text, static_cast<std::size_t>(count));
  const std::size_t lineEnd = pending_.rfind('\n');
  if (lineEnd != std::string::npos && !Pass(lineEnd + 1)) return 0;
  return count;
}

TerminalBuffer::int_type TerminalBuffer::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  const char byte = traits_type::to_char_type(c);
  return xsputn(&byte, 1) == 1 ? c : traits_type::eof();
}

int TerminalBuffer::sync() {
  if (!Pass(pending_.size())) return -1;
  return target_->pubsync();
}

// Sends the first `length` pending bytes on, escaped.
bool TerminalBuffer::Pass(std::size_t length) {
  if (length == 0) return true;
  const std::string escaped = EscapeForTerminal(std::string_view(pending_).substr(0, length));
  pending_.erase(0, length);
  const auto size = static_cast<std::streamsize>(escaped.size());
  return target_->sputn(escaped.data(), size) == size;
}

TerminalStream::TerminalStream(std::ostream& stream, int fd)
    : stream_(stream), original_(stream.rdbuf()), escaping_(original_) {
  if (isatty(fd) == 1) stream_.rdbuf(&escaping_);
}

TerminalStream::~TerminalStream() {
  stream_.flush();
  stream_.rdbuf(original_);
}

}  // namespace sonavex::cli
