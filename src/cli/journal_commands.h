#pragma once
// The commands that read the undo journal and take batches back.
#include <iosfwd>
#include <string>

#include "cli/commands.h"

namespace sonavex::cli {

// Lists the journal's batches, newest first, one line each.
std::string ListJournal(Invocation& inv, std::ostream& out);

// Takes back the batch given as the argument, or the newest one in effect.
std::string UndoBatch(Invocation& inv, std::ostream& out);

}  // namespace sonavex::cli
