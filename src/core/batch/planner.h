#pragma once
// Turns an operation on a file set into a plan, without touching a file.
//
// The planner walks the file set exactly as the batch runs (the marked
// names in list order, or the directory (tree) by the walk's rules), runs
// the operation's rule on each file and records the step it gets. It keeps
// track of the names its own earlier steps give and take, per directory, so
// that a later step sees the directory as the sequential run would: a
// rename onto a name an earlier step took, or onto a name that exists, is
// planned with a foreseen collision; a name an earlier step freed is free.
#include <string>
#include <system_error>
#include <vector>

#include "core/batch/batch.h"
#include "core/batch/plan.h"
#include "core/batch/registry.h"
#include "core/mp3/id3v1.h"

namespace sonavex {

// The plan of `code` with `params` on the selection: `markedNames` of
// `directory` in order, or with none marked (or an operation that ignores
// marks) every file of the walk below `directory`. The context's mask,
// recursive option, table and switch apply; its reporter is not used (a
// walk failure becomes a WalkFailure step). A plan that renames files ends
// with the steps of the playlists that follow the renames.
Plan PlanSelection(Operation code, const OperationParams& params,
                   const std::string& directory,
                   const std::vector<std::string>& markedNames,
                   const BatchContext& context);

// The plan of renaming one file by hand ("Umbenennen"): no step when the
// names are equal. The context's playlist options apply.
Plan PlanRename(const std::string& directory, const std::string& oldName,
                const std::string& newName, const BatchContext& context = {});

// The plan of writing one tag field, as the grid does on each keystroke:
// a TagWrite step from the file's present 128 tag bytes to those bytes
// with the field replaced. A file
// without a tag first gets a TagAppend step and the field goes into the
// empty tag. An error reading the file comes back in `ec`. With
// `id3v2Follows`, a file with an ID3v2 tag gets the text in that tag too,
// uncut, after the ID3v1 write.
Plan PlanTagField(const std::string& directory, const std::string& name,
                  TagField field, const std::u32string& text, std::error_code& ec,
                  bool id3v2Follows = false);

// The plan of the list export of `markedNames` of `directory` (or of the
// directory (tree) when none is marked) to `target` ("-": standard
// output): one Export step. Nothing is read now; the executor walks and
// reads the set once it knows the list can be written.
Plan PlanExport(const std::string& target, const std::string& directory,
                const std::vector<std::string>& markedNames,
                const BatchContext& context, const ExportParams& params);

}  // namespace sonavex
