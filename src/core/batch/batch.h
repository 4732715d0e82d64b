#pragma once
// The batch engine: one operation code applied to a file set, either the
// marked entries of the list or every matching file of a directory (tree).
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/ops/rename_rule.h"
#include "core/ops/replacement_table.h"
#include "core/report/reporter.h"

namespace sonavex {

// One letter naming a batch operation ('A' .. 'Z' as listed in the
// dispatcher). Any other letter does nothing.
using OperationCode = char;

// A file name split at its last ".": the extension keeps the dot and is
// empty when there is none.
struct NameParts {
  std::u32string base;
  std::u32string extension;
};
NameParts SplitName(std::u32string_view fileName);

// Everything a batch reads while it runs. The front end fills it from its
// controls when the command starts.
struct BatchContext {
  std::u32string mask = U"*.mp3";
  bool recursive = false;
  // The table as its edit fields stand when the batch starts.
  ReplacementTable table;
  bool replacementActive = false;
  // The parameters of the name edits 'L', 'E', 'X', 'Y' and 'T'.
  NameEditParams nameEdits;
  Reporter* reporter = nullptr;
  // Told the full path of each subdirectory the walk enters.
  std::function<void(const std::string& directory)> onDirectoryEntered;
};

// Called with (directory, file name) for each file of the walk.
using FileVisitor =
    std::function<void(const std::string& directory, const std::string& name)>;

// Visits the files of `startDirectory` that match the mask, then, with the
// recursive option, the subdirectories depth first (each directory's own
// files before its subdirectories; names starting with "." are skipped,
// links to directories are not followed). Each directory is listed once
// before its first file is visited. A directory that cannot be listed ends
// the whole walk with the error "Verzeichnis (start) nicht gefunden!";
// returns false then.
bool WalkDirectory(const BatchContext& context,
                   const std::string& startDirectory, const FileVisitor& visit);

// Applies `code` to one file: splits the name, runs the operation's case and
// reports a file-system failure through RenameWithMessage, then returns.
void ApplyOperation(OperationCode code, const std::string& fileName,
                    const std::string& directory, const BatchContext& context);

// ApplyOperation for every file of the walk below `startDirectory`.
void RunOperation(OperationCode code, const std::string& startDirectory,
                  const BatchContext& context);

// The selection rule: with no marked names the whole directory (tree),
// otherwise exactly the marked names in the order given.
void RunSelection(OperationCode code, const std::string& directory,
                  const std::vector<std::string>& markedNames,
                  const BatchContext& context);

// The file set the selection rule hands to ApplyOperation, in order.
void ForEachSelected(const std::string& directory,
                     const std::vector<std::string>& markedNames,
                     const BatchContext& context, const FileVisitor& visit);

}  // namespace sonavex
