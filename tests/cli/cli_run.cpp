#include "cli/cli_run.h"

#include <sys/wait.h>

#include <cstdlib>

#include "support/test_support.h"

namespace sonavex::test {

CliResult RunCli(const std::vector<std::string>& args,
                 const std::string& workingDirectory) {
  return RunCliThrough({}, args, workingDirectory);
}

CliResult RunCliThrough(const std::vector<std::string>& launcher,
                        const std::vector<std::string>& args,
                        const std::string& workingDirectory) {
  TempDir capture;
  // The tool's undo journal goes into the capture directory, never into
  // the user's own.
  std::string command = "XDG_STATE_HOME=" + ShellQuote(capture.path());
  for (const std::string& word : launcher) command += " " + ShellQuote(word);
  command += " " + ShellQuote(SONAVEX_CLI);
  if (!workingDirectory.empty()) command = "cd " + ShellQuote(workingDirectory) + " && " + command;
  for (const std::string& arg : args) command += " " + ShellQuote(arg);
  command += " </dev/null >" + ShellQuote(capture / "out") + " 2>" + ShellQuote(capture / "err");
  const int raw = std::system(command.c_str());
  CliResult result;
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  result.out = ReadFile(capture / "out");
  result.err = ReadFile(capture / "err");
  return result;
}

}  // namespace sonavex::test
