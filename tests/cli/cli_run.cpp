#include "cli/cli_run.h"

#include <sys/wait.h>
#include <unistd.h>

namespace sonavex::test {

CliResult RunCli(const std::vector<std::string>& args,
                 const std::string& workingDirectory) {
  return RunCliThrough({}, args, workingDirectory);
}

CliResult RunCliThrough(const std::vector<std::string>& launcher,
                        const std::vector<std::string>& args,
                        const std::string& workingDirectory) {
  return CliRun(launcher, args, workingDirectory).Wait();
}

CliRun::CliRun(const std::vector<std::string>& launcher, const std::vector<std::string>& args,
               const std::string& workingDirectory) {
  // The tool's undo journal goes into the capture directory, never into
  // the user's own.
  std::string command = "XDG_STATE_HOME=" + ShellQuote(capture_.path());
  for (const std::string& word : launcher) command += " " + ShellQuote(word);
  command += " " + ShellQuote(SONAVEX_CLI);
  if (!workingDirectory.empty()) command = "cd " + ShellQuote(workingDirectory) + " && " + command;
  for (const std::string& arg : args) command += " " + ShellQuote(arg);
  command += " </dev/null >" + ShellQuote(capture_ / "out") + " 2>" + ShellQuote(capture_ / "err");
  shell_ = fork();
  if (shell_ == 0) {
    execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
}

CliResult CliRun::Wait() {
  CliResult result;
  int raw = 0;
  if (shell_ > 0 && waitpid(shell_, &raw, 0) == shell_) {
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  }
  shell_ = -1;
  result.out = ReadFile(capture_ / "out");
  result.err = ReadFile(capture_ / "err");
  return result;
}

CliRun::~CliRun() {
  if (shell_ > 0) waitpid(shell_, nullptr, 0);
}

}  // namespace sonavex::test
