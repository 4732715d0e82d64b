#include "cli/cli_run.h"

#include <sys/wait.h>

#include <cstdlib>

#include "support/test_support.h"

namespace sonavex::test {
namespace {

std::string Quote(const std::string& arg) {
  std::string out = "'";
  for (char c : arg) {
    if (c == '\'') out += "'\\''";
    else out += c;
  }
  return out + "'";
}

}  // namespace

CliResult RunCli(const std::vector<std::string>& args,
                 const std::string& workingDirectory) {
  TempDir capture;
  // The tool's undo journal goes into the capture directory, never into
  // the user's own.
  std::string command = "XDG_STATE_HOME=" + Quote(capture.path()) + " " + Quote(SONAVEX_CLI);
  if (!workingDirectory.empty()) command = "cd " + Quote(workingDirectory) + " && " + command;
  for (const std::string& arg : args) command += " " + Quote(arg);
  command += " </dev/null >" + Quote(capture / "out") + " 2>" + Quote(capture / "err");
  const int raw = std::system(command.c_str());
  CliResult result;
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  result.out = ReadFile(capture / "out");
  result.err = ReadFile(capture / "err");
  return result;
}

}  // namespace sonavex::test
