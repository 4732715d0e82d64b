#pragma once
#include <array>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/apply/executor.h"
#include "core/batch/arguments.h"
#include "core/batch/batch.h"
#include "core/batch/plan.h"
#include "core/journal/journal.h"
#include "core/session/session.h"

namespace sonavex::cli {

// What the command line asks for, once the options are read.
struct Invocation {
  std::string directory;
  std::vector<std::string> marks;
  std::string settingsPath;
  std::vector<std::string> arguments;
  // --title, --artist and --album, in this order, for the tag field edits.
  std::array<std::optional<FieldValues>, 3> fields;
  BatchContext context;
  // --playlists (beside the folders of the settings) and --no-playlists.
  std::vector<std::string> playlistFolders;
  bool noPlaylists = false;
  // --dry-run: print the plan, change nothing.
  bool dryRun = false;
  // The undo journal (--journal, else DefaultJournalPath()).
  std::string journalPath;
  // Where the journal's warning goes; it does not count as a message of
  // the command.
  std::ostream* err = nullptr;
  bool journalWarned = false;
  // --columns and --separator, for the list export.
  std::optional<std::string> columns;
  std::string separator = "tab";
  // --with-later: undo and redo take back the later batches that changed
  // the same files first.
  bool withLater = false;
  // Shows a running batch and stops it on Ctrl-C; null: neither.
  BatchProgress* progress = nullptr;
  // --id3v2: info adds the ID3v2 title, artist and album; the tag
  // operations keep the ID3v2 tag in step also when the settings say not.
  // --no-id3v2: they leave it alone whatever the settings say.
  bool id3v2 = false;
  bool noId3v2 = false;
  // --to: which tag sync-tags writes ("v2" or "v1").
  std::string syncTarget;
};

// The session of a run, its journal not yet opened. A batch runs without
// undo when the journal fails: "Warnung: Rückgängig nicht möglich:
// <reason>", once. For the commands that work on the journal itself
// (`needsJournal`), failing to open or read it is the command's error:
// "Das Journal <path> lässt sich nicht öffnen: <reason>".
std::unique_ptr<Session> MakeSession(Invocation& inv, bool needsJournal = false);

// "Das Journal <path> lässt sich nicht öffnen: <reason>" ("lesen" for a
// journal that opened but cannot be read), as an error.
void ReportJournalFailure(Invocation& inv, JournalTrouble trouble, std::error_code ec);


struct Command {
  std::string letter;  // the operation code, or empty
  std::string name;
  // Names shown in the help; a name in brackets ("[ID]") may be left out.
  std::vector<std::string> arguments;
  std::string description;
  // Does the work; returns a usage problem found in the arguments before
  // anything was done, or an empty text.
  std::function<std::string(Invocation&, std::ostream&)> run;
  // Takes --title, --artist and --album.
  bool takesFields = false;
};

// The command named by its letter or its long name; nullptr if none.
const Command* FindCommand(const std::string& word);

// One line per command for the usage text.
std::string CommandHelp();

// --dry-run: one line per change on `out`; what the run would say (the
// rules' refusals and the failures already in sight) through `reporter`.
void PrintPlan(const Plan& plan, Reporter& reporter, std::ostream& out);

}  // namespace sonavex::cli
