// Output that cannot be written: the tool says so and does not end as if it
// had succeeded.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "support/mp3_fixtures.h"
#include "support/test_support.h"

namespace sonavex::test {
namespace {

enum class Output { Closed, FullDevice, PipeNobodyReads };

struct Ended {
  int status = -1;  // the exit status, -1 when a signal ended the tool
  int signal = 0;
  std::string err;
};

// Runs the tool with its standard output as `output` and SIGPIPE ignored or
// not; standard error goes to a file.
Ended RunWithOutput(const std::vector<std::string>& args, Output output, bool ignorePipe,
                    const TempDir& capture) {
  int pipeEnds[2] = {-1, -1};
  if (output == Output::PipeNobodyReads && pipe(pipeEnds) == 0) close(pipeEnds[0]);
  const std::string errPath = capture / "err";
  const pid_t child = fork();
  if (child == 0) {
    signal(SIGPIPE, ignorePipe ? SIG_IGN : SIG_DFL);
    const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(err, 2);
    if (output == Output::Closed) close(1);
    if (output == Output::FullDevice) dup2(open("/dev/full", O_WRONLY), 1);
    if (output == Output::PipeNobodyReads) dup2(pipeEnds[1], 1);
    setenv("XDG_STATE_HOME", capture.path().c_str(), 1);
    std::vector<char*> argv{const_cast<char*>(SONAVEX_CLI)};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(SONAVEX_CLI, argv.data());
    _exit(127);
  }
  if (pipeEnds[1] >= 0) close(pipeEnds[1]);
  int raw = 0;
  waitpid(child, &raw, 0);
  Ended ended;
  ended.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  ended.signal = WIFSIGNALED(raw) ? WTERMSIG(raw) : 0;
  ended.err = ReadFile(errPath);
  return ended;
}

TEST(CliOutput, AWriteThatFailsIsReportedAndFailsTheRun) {
  TempDir dir;
  WriteFile(dir / "a.mp3", TwoFrames() + TagWith("Song", "Queen", "Gold"));
  const std::vector<std::string> commands[] = {
      {"--dir", dir.path(), "--journal", dir / "j.sqlite", "P", "-", "--columns", "1,5"},
      {"--dir", dir.path(), "list"},
      {"--dir", dir.path(), "info"},
  };
  struct Row {
    Output output;
    bool ignorePipe;
    std::string err;
  };
  const Row rows[] = {
      {Output::Closed, false, "mp3sonavex-cli: Schreibfehler: Bad file descriptor\n"},
      {Output::FullDevice, false, "mp3sonavex-cli: Schreibfehler: No space left on device\n"},
      {Output::PipeNobodyReads, true, "mp3sonavex-cli: Schreibfehler: Broken pipe\n"},
  };
  for (const std::vector<std::string>& command : commands) {
    for (const Row& row : rows) {
      TempDir capture;
      const Ended ended = RunWithOutput(command, row.output, row.ignorePipe, capture);
      EXPECT_EQ(ended.status, 1) << command.back() << " " << row.err;
      EXPECT_EQ(ended.err, row.err) << command.back();
    }
    // Like any tool of the system, it ends by the signal when the reader is
    // gone and SIGPIPE is not ignored.
    TempDir capture;
    EXPECT_EQ(RunWithOutput(command, Output::PipeNobodyReads, false, capture).signal, SIGPIPE)
        << command.back();
  }
  EXPECT_EQ(ReadFile(dir / "a.mp3"), TwoFrames() + TagWith("Song", "Queen", "Gold"));
}

}  // namespace
}  // namespace sonavex::test
