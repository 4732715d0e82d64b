#pragma once
// Runs the built command-line tool and captures what it prints.
#include <sys/types.h>

#include <string>
#include <vector>

#include "support/test_support.h"

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

// One run of the tool in the background, started as RunCliThrough starts
// it; Wait gives what RunCliThrough would.
class CliRun {
 public:
  CliRun(const std::vector<std::string>& launcher, const std::vector<std::string>& args,
         const std::string& workingDirectory = "");
  ~CliRun();
  CliRun(const CliRun&) = delete;
  CliRun& operator=(const CliRun&) = delete;
  CliResult Wait();

 private:
  TempDir capture_;
  pid_t shell_ = -1;
};

}  // namespace sonavex::test
