#pragma once
// The command-line arguments of the tag operations, read into their
// parameters as the dialogs' controls would hold them. Each returns a usage
// problem, or an empty text.
#include <string>

#include "cli/commands.h"
#include "core/batch/registry.h"

namespace sonavex::cli {

// 'N' MUSTER: 0 to 4, or -1 for none.
std::string ReadNameFromTagArguments(const Invocation& inv, OperationParams& params);

// 'I' TITEL INTERPRET ALBUM: each "-" (not written), the index of its
// source table, or "=TEXT" (the typed text).
std::string ReadTagFromNameArguments(const Invocation& inv, OperationParams& params);

// 'W', 'A', 'B': the two values of --title, --artist, --album; at least one
// of them must be given.
std::string ReadTagReplaceOptions(const Invocation& inv, OperationParams& params);
std::string ReadTagDeleteOptions(const Invocation& inv, OperationParams& params);
std::string ReadTagInsertOptions(const Invocation& inv, OperationParams& params);

}  // namespace sonavex::cli
