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

CliResult RunCli(const std::vector<std::string>& args);

}  // namespace sonavex::test
