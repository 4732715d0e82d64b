#pragma once
// The list export on the command line.
#include <iosfwd>
#include <string>

#include "cli/commands.h"
#include "core/ops/export.h"

namespace sonavex::cli {

// Reads --columns (numbers 1 to 13 or check box captions, joined by ",")
// and --separator (tab or semicolon); returns a usage problem or "".
std::string ReadExportOptions(const Invocation& inv, ExportParams& params);

// 'P' DATEI: writes the list to DATEI, or to `out` for "-".
std::string ExportList(Invocation& inv, std::ostream& out);

}  // namespace sonavex::cli
