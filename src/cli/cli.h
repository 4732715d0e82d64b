#pragma once
#include <iosfwd>
#include <string>
#include <vector>

namespace sonavex::cli {

// Runs the command line `args` (without the program name). Returns the exit
// status: 0 nothing reported, 1 something reported, 2 wrong usage.
int Run(const std::vector<std::string>& args, std::ostream& out,
        std::ostream& err);

}  // namespace sonavex::cli
