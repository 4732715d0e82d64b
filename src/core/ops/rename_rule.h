#pragma once
// What every renaming rule takes and gives: the file's name split into base
// name and extension, the parameters of the command, and either a new name,
// a refusal to show, or nothing to do.
#include <string>

#include "core/report/reporter.h"

namespace sonavex {

// The parameters of the name edits, as the dialog or the command line gives
// them when the batch starts. Only one batch runs at a time, so 'X' and 'Y'
// share their two texts.
struct NameEditParams {
  long deleteFirst = 0;  // 'L': characters to delete at the start
  long deleteLast = 0;   // 'L': characters to delete at the end
  std::u32string insertBefore{};  // 'E'
  std::u32string insertAfter{};   // 'E'
  std::u32string search{};        // 'X', 'Y'
  std::u32string replacement{};   // 'X', 'Y'
  int swapA = 0;  // 'T': "String"
  int swapB = 0;  // 'T': "mit String"
};

// False when a dialog's start button would do nothing for these parameters:
// 'L' with both counts 0, 'E' with both texts empty, 'X' and 'Y' with an
// empty search text, 'T' with two equal numbers. Other codes always work.
bool NameEditHasWork(char code, const NameEditParams& params);

struct NameInput {
  std::u32string base;
  std::u32string extension;  // with its dot; empty when the name has none
  std::u32string path;       // directory + "/" + file name, for messages
};

struct Refusal {
  MessageKind kind = MessageKind::Warning;
  std::u32string text;
  MessageButton button = MessageButton::Ok;
  bool operator==(const Refusal&) const = default;
};

struct NameEdit {
  enum class Outcome { Keep, Rename, Refuse };
  Outcome outcome = Outcome::Keep;
  // For Rename: the new base name (before the replacement table) and the
  // new extension. A rename onto the same name is still a rename: the table
  // may change it, and the file system leaves an equal name alone.
  std::u32string base;
  std::u32string extension;
  Refusal refusal;  // for Refuse

  static NameEdit Keep() { return {}; }
  static NameEdit RenameTo(std::u32string base, std::u32string extension) {
    return {Outcome::Rename, std::move(base), std::move(extension), {}};
  }
  static NameEdit Refuse(Refusal refusal) {
    return {Outcome::Refuse, {}, {}, std::move(refusal)};
  }
};

// Every renaming rule has this shape, so that the dispatcher runs them all
// through one frame.
using NameRule = NameEdit (*)(const NameInput& name,
                              const NameEditParams& params);

}  // namespace sonavex
