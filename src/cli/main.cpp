#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <streambuf>

#include "cli/cli.h"
#include "cli/terminal_output.h"

namespace {

// A standard stream the caller closed is held on /dev/null, opened for
// reading only: no file the tool opens can take its number (output meant
// for the terminal would land in that file), and writing to it still fails.
void HoldClosedStandardStreams() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    const int held = open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (held >= 0 && held != fd) {
      dup2(held, fd);
      close(held);
    }
  }
}

// The standard output through stdio, as std::cout writes it, keeping the
// error number of the first write that failed.
class StandardOutput : public std::streambuf {
 public:
  int error() const { return error_; }

 protected:
  std::streamsize xsputn(const char* text, std::streamsize count) override {
    const std::size_t written = std::fwrite(text, 1, static_cast<std::size_t>(count), stdout);
    if (written != static_cast<std::size_t>(count)) Keep();
    return static_cast<std::streamsize>(written);
  }

  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    if (std::fputc(c, stdout) != EOF) return c;
    Keep();
    return traits_type::eof();
  }

  int sync() override {
    if (std::fflush(stdout) == 0) return 0;
    Keep();
    return -1;
  }

 private:
  void Keep() {
    if (error_ == 0) error_ = errno;
  }
  int error_ = 0;
};

// Output that did not arrive fails the run, whether the reader of a pipe
// quit, the descriptor was closed or the disk is full.
int CloseStandardOutput(std::ostream& out, StandardOutput& buffer, int status) {
  out.flush();
  errno = 0;
  // The descriptor is closed too, as a file system may tell a failed write
  // only then; the stdio stream stays for the library's own end.
  const bool failed = !out || std::fflush(stdout) != 0 || std::ferror(stdout) != 0 ||
                      close(STDOUT_FILENO) != 0;
  const int error = buffer.error() != 0 ? buffer.error() : errno;
  if (!failed) return status;
  std::cerr << "mp3sonavex-cli: Schreibfehler";
  if (error != 0) std::cerr << ": " << std::strerror(error);
  std::cerr << "\n";
  return status != 0 ? status : 1;
}

}  // namespace

int main(int argc, char** argv) {
  HoldClosedStandardStreams();
  StandardOutput buffer;
  std::ostream out(&buffer);
  // Names and texts shown on a terminal cannot steer it.
  const sonavex::cli::TerminalStream outTerminal(out, STDOUT_FILENO);
  const sonavex::cli::TerminalStream errTerminal(std::cerr, STDERR_FILENO);
  std::vector<std::string> args(argv + 1, argv + argc);
  const int status = sonavex::cli::Run(args, out, std::cerr);
  return CloseStandardOutput(out, buffer, status);
}
