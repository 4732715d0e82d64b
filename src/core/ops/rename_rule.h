#pragma once
// What every renaming rule takes and gives: the file's name split into base
// name and extension (plus the operation's own parameters, if it has any),
// and either a new name, a refusal to show, or nothing to do.
#include <string>
#include <string_view>

#include "core/report/reporter.h"

namespace sonavex {

struct TagFieldsIn;

struct NameInput {
  std::u32string base;
  std::u32string extension;  // with its dot; empty when the name has none
  // The directory with its closing "/", for messages. A view: the planner
  // decodes a directory once for all of its files.
  std::u32string_view folder;
  // The record's tag fields, for the rules that build the name from the tag
  // ('N'); nullptr for the others.
  const TagFieldsIn* tag = nullptr;

  // The file's full path, for messages.
  std::u32string Path() const {
    std::u32string path;
    path.reserve(folder.size() + base.size() + extension.size());
    return path.append(folder).append(base).append(extension);
  }
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

// The parameters of an operation that takes none.
struct NoParams {
  bool operator==(const NoParams&) const = default;
};

}  // namespace sonavex
