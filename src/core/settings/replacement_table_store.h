#pragma once
// The replacement table as the settings file keeps it.
#include <system_error>

#include "core/ops/replacement_table.h"

namespace sonavex {

class IniFile;

struct StoredReplacementTable {
  ReplacementTable table;
  bool active = false;
};

// Section "Ersetzen": "V1".."V10" and "A1".."A10" (missing keys read as
// empty texts) and "Flag" (missing reads as off).
StoredReplacementTable LoadReplacementTable(const IniFile& ini);
// The switch alone ("Flag"), for whoever shows it without the table.
bool LoadReplacementSwitch(const IniFile& ini);

// Writes V1, A1, .., V10, A10, Flag in this order, each text enclosed in
// apostrophes so that blanks at its edges survive, in one rewrite of the
// file: a failure leaves every stored pair as it was.
std::error_code StoreReplacementTable(const IniFile& ini,
                                      const ReplacementTable& table,
                                      bool active);

}  // namespace sonavex
