#pragma once
// Runs the built command-line tool and captures what it prints.
#include <string>
#include <vector>

namespace sonavex::test {

struct CliResult {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs in `workingDirectory`, or in the test's own when it is empty.
CliResult RunCli(const std::vector<std::string>& args,
                 const std::string& workingDirectory = "");

// The same, the tool started through `launcher`: {"timeout", "20"} bounds
// the wait (status 124 when it ran out), setpriv drops root.
CliResult RunCliThrough(const std::vector<std::string>& launcher,
                        const std::vector<std::string>& args,
                        const std::string& workingDirectory = "");

}  // namespace sonavex::test
