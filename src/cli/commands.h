#pragma once
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "core/apply/executor.h"
#include "core/batch/batch.h"
#include "core/journal/journal.h"

namespace sonavex::cli {

// What the command line asks for, once the options are read.
struct Invocation {
  std::string directory;
  std::vector<std::string> marks;
  std::string settingsPath;
  std::vector<std::string> arguments;
  BatchContext context;
  // --dry-run: print the plan, change nothing.
  bool dryRun = false;
  // The undo journal (--journal, else DefaultJournalPath()).
  std::string journalPath;
  // Where the journal's warning goes; it does not count as a message of
  // the command.
  std::ostream* err = nullptr;
  bool journalWarned = false;
};

// Opens the invocation's journal, or prints "Warnung: Rückgängig nicht
// möglich: <reason>" once and gives nullptr: the command runs without undo.
std::unique_ptr<Journal> OpenJournal(Invocation& inv);

// The executor's context for a run: the invocation's reporter and
// `journal`, whose failure during the run is warned about as above.
ExecutorContext RunContext(Invocation& inv, Journal* journal);

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
