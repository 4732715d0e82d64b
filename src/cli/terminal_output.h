#pragma once
// Output meant for a terminal. File names and tag texts may hold control
// characters, which a terminal obeys: ESC sequences retitle the window or
// clear the screen, BEL rings, CR overwrites the line. On a terminal they
// are shown as backslash escapes, the way `ls -b` shows names; to a pipe or
// a file the bytes go as they are.
#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>

namespace sonavex::cli {

// `bytes` with every control character (C0 but line feed and tab, which
// the tool's own output is made of; DEL; C1) escaped: \a \b \f \r \v by
// name, the others as three octal digits per byte ("\033"). A byte that is
// no part of a UTF-8 character is escaped the same way.
std::string EscapeForTerminal(std::string_view bytes);

// Passes what is written on to `target`, escaped as above. Whole lines
// go out at a time (and the rest at a flush), so no character is split.
class TerminalBuffer : public std::streambuf {
 public:
  explicit TerminalBuffer(std::streambuf* target) : target_(target) {}
  ~TerminalBuffer() override;

 protected:
  std::streamsize xsputn(const char* text, std::streamsize count) override;
  int_type overflow(int_type c) override;
  int sync() override;

 private:
  bool Pass(std::size_t length);

  std::streambuf* target_;
  std::string pending_;
};

// While it lives, `stream` writes through a TerminalBuffer when the
// descriptor `fd` is a terminal.
class TerminalStream {
 public:
  TerminalStream(std::ostream& stream, int fd);
  ~TerminalStream();
  TerminalStream(const TerminalStream&) = delete;
  TerminalStream& operator=(const TerminalStream&) = delete;

 private:
  std::ostream& stream_;
  std::streambuf* original_;
  TerminalBuffer escaping_;
};

}  // namespace sonavex::cli
