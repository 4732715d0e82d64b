#pragma once
// An operation's parameters from the words of a command line, as its
// dialog's controls would hold them. Each reader returns a usage problem,
// or an empty text.
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "core/batch/registry.h"

namespace sonavex {

// The two values of --title, --artist or --album.
struct FieldValues {
  std::string first;
  std::string second;
};

// What a command gives an operation: its operands, and the field options
// in the order title, artist, album.
struct CommandWords {
  const std::vector<std::string>& operands;
  const std::array<std::optional<FieldValues>, 3>& fields;
};

// A whole number; false when the text is none.
bool ParseNumber(const std::string& text, long& value);

// 'L' ERSTE LETZTE, 'E' VORN HINTEN, 'X'/'Y'/'Z' SUCHEN ERSETZEN, 'T' A B;
// the operations without parameters take no words.
std::string ReadNameEditWords(Operation code, const CommandWords& words,
                              OperationParams& params);
// 'N' MUSTER: 0 to 4, or -1 for none.
std::string ReadNameFromTagWords(const CommandWords& words, OperationParams& params);
// 'I' TITEL INTERPRET ALBUM: each "-" (not written), the index of its
// source table, or "=TEXT" (the typed text).
std::string ReadTagFromNameWords(const CommandWords& words, OperationParams& params);
// 'W', 'A', 'B': the two values of each field option given; at least one
// must be given.
std::string ReadTagReplaceWords(const CommandWords& words, OperationParams& params);
std::string ReadTagDeleteWords(const CommandWords& words, OperationParams& params);
std::string ReadTagInsertWords(const CommandWords& words, OperationParams& params);

}  // namespace sonavex
