#pragma once
// What a batch takes from the settings file, read here once for the window
// and the command line alike. The front end adds what its controls say:
// the mask, the subdirectory option, and in the window the replacement
// table as its edit fields stand.
#include "core/batch/batch.h"

namespace sonavex {

class IniFile;

// The stored replacement table and its switch (section "Ersetzen").
void TakeStoredTable(const IniFile& settings, BatchContext& context);

// The playlists that follow renames (section "Playlisten").
void TakeStoredPlaylists(const IniFile& settings, BatchContext& context);

// Both of the above, as the command line runs a batch.
void TakeStoredBatchSettings(const IniFile& settings, BatchContext& context);

}  // namespace sonavex
