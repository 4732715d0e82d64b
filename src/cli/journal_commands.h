#pragma once
// The commands that read the undo journal and take batches back.
#include <iosfwd>
#include <string>

#include "cli/commands.h"

namespace sonavex::cli {

// Lists the journal's batches, newest first, one line each.
std::string ListJournal(Invocation& inv, std::ostream& out);

// Takes back the batch given as the argument, or the newest one in effect.
// Later batches that changed its files again are taken back first with
// --with-later; without it the command refuses and names them.
std::string UndoBatch(Invocation& inv, std::ostream& out);

// Applies again the undone batch given as the argument, or the one taken
// back most recently, by taking back its undo.
std::string RedoBatch(Invocation& inv, std::ostream& out);

}  // namespace sonavex::cli
