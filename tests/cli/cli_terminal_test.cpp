// Names and texts with control characters: escaped where the output is a
// terminal, so that they cannot steer it; byte for byte into a file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include "cli/cli_run.h"
#include "support/test_support.h"

extern char** environ;

namespace sonavex::test {
namespace {

// Runs the tool with the descriptor `terminalFd` (1 or 2) on a
// pseudo-terminal and the other of the two into a file.
CliResult RunOnTerminal(const std::vector<std::string>& args, int terminalFd) {
  TempDir capture;
  const std::string other = capture / "other";
  // Everything the child needs is made before the fork.
  std::vector<std::string> words = {SONAVEX_CLI};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  std::string state = "XDG_STATE_HOME=" + capture.path();
  std::vector<char*> envp;
  for (char** variable = environ; *variable != nullptr; ++variable) envp.push_back(*variable);
  envp.push_back(state.data());
  envp.push_back(nullptr);

  termios raw{};
  cfmakeraw(&raw);  // no CR added before each line feed
  int master = -1;
  int slave = -1;
  CliResult result;
  if (openpty(&master, &slave, nullptr, &raw, nullptr) != 0) return result;
  const int file = open(other.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  const pid_t child = fork();
  if (child == 0) {
    dup2(slave, terminalFd);
    dup2(file, terminalFd == STDOUT_FILENO ? STDERR_FILENO : STDOUT_FILENO);
    close(master);
    close(slave);
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  close(slave);
  close(file);
  std::string shown;
  char block[4096];
  ssize_t count = 0;
  // Ends with EIO once the child's side is closed.
  while ((count = read(master, block, sizeof block)) > 0) {
    shown.append(block, static_cast<std::size_t>(count));
  }
  close(master);
  int status = 0;
  if (waitpid(child, &status, 0) == child && WIFEXITED(status)) {
    result.status = WEXITSTATUS(status);
  }
  (terminalFd == STDOUT_FILENO ? result.out : result.err) = shown;
  (terminalFd == STDOUT_FILENO ? result.err : result.out) = ReadFile(other);
  return result;
}

class CliTerminalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Not text: 'Z' names each of them in its warning.
    for (const std::string& name : kNames) WriteFile(dir / name, std::string("\0", 1));
    WriteFile(dir / "settings.INI", "");
  }

  std::vector<std::string> Args(std::vector<std::string> command) const {
    command.insert(command.begin(), {"--settings", dir / "settings.INI", "--dir", dir.path()});
    return command;
  }

  // In name order: a window title set by ESC ] ... BEL, a carriage return,
  // the C1 control CSI, a byte that is no UTF-8, and letters that stay.
  const std::vector<std::string> kNames = {"a\x1b]0;owned\ab.mp3", "c\rd.mp3",
                                           "e\xc2\x9b" "2Jf.mp3", "g\xf6.mp3", "\xc3\xbc\tx.mp3"};
  const std::vector<std::string> kEscaped = {"a\\033]0;owned\\ab.mp3", "c\\rd.mp3",
                                             "e\\302\\2332Jf.mp3", "g\\366.mp3",
                                             "\xc3\xbc\tx.mp3"};
  TempDir dir;
};

// The paths of `names` in `directory`, one a line.
std::string Lines(const std::string& directory, const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += directory + "/" + name + "\n";
  return text;
}

TEST_F(CliTerminalTest, ListShowsControlCharactersEscapedOnATerminalOnly) {
  const CliResult onTerminal = RunOnTerminal(Args({"list"}), STDOUT_FILENO);
  EXPECT_EQ(onTerminal.status, 0) << onTerminal.err;
  EXPECT_EQ(onTerminal.out, Lines(dir.path(), kEscaped));

  const CliResult toFile = RunCli(Args({"list"}));
  EXPECT_EQ(toFile.status, 0) << toFile.err;
  EXPECT_EQ(toFile.out, Lines(dir.path(), kNames));
}

// A message shows a carriage return as a line break, wherever it goes.
std::vector<std::string> AsInMessages(std::vector<std::string> names) {
  for (std::string& name : names) {
    if (name == "c\rd.mp3" || name == "c\\rd.mp3") name = "c\nd.mp3";
  }
  return names;
}

TEST_F(CliTerminalTest, WarningsShowControlCharactersEscapedOnATerminalOnly) {
  const std::string warning = "Warnung: Datei ist keine Textdatei und wird nicht verändert!\n\n";
  const std::vector<std::string> command = {"--mask", "*.mp3", "Z", "a", "b"};
  const CliResult onTerminal = RunOnTerminal(Args(command), STDERR_FILENO);
  EXPECT_EQ(onTerminal.status, 1);
  EXPECT_EQ(onTerminal.err, warning + Lines(dir.path(), AsInMessages(kEscaped)));

  const CliResult toFile = RunCli(Args(command));
  EXPECT_EQ(toFile.status, 1);
  EXPECT_EQ(toFile.err, warning + Lines(dir.path(), AsInMessages(kNames)));
}

}  // namespace
}  // namespace sonavex::test
