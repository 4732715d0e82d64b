#pragma once
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "core/batch/batch.h"

namespace sonavex::cli {

// What the command line asks for, once the options are read.
struct Invocation {
  std::string directory;
  std::vector<std::string> marks;
  std::string settingsPath;
  std::string journalPath;
  std::vector<std::string> arguments;
  BatchContext context;
};

struct Command {
  std::string letter;  // the operation code, or empty
  std::string name;
  // Names shown in the help; a name in brackets ("[ID]") may be left out.
  std::vector<std::string> arguments;
  std::string description;
  // Does the work; returns a usage problem found in the arguments before
  // anything was done, or an empty text.
  std::function<std::string(Invocation&, std::ostream&)> run;
};

// The command named by its letter or its long name; nullptr if none.
const Command* FindCommand(const std::string& word);

// One line per command for the usage text.
std::string CommandHelp();

}  // namespace sonavex::cli
