#include "cli/commands.h"

#include <ostream>

#include "core/fs/fs.h"

namespace sonavex::cli {
namespace {

void ListFileSet(Invocation& inv, std::ostream& out) {
  ForEachSelected(inv.directory, inv.marks, inv.context,
                  [&](const std::string& directory, const std::string& name) {
                    out << JoinPath(directory, name) << '\n';
                  });
}

const std::vector<Command>& Commands() {
  static const std::vector<Command> commands = {
      {"", "list", {}, "die Dateien in Bearbeitungsreihenfolge, ein Pfad je Zeile",
       ListFileSet},
  };
  return commands;
}

}  // namespace

const Command* FindCommand(const std::string& word) {
  for (const Command& command : Commands()) {
    if (word == command.name || (!command.letter.empty() && word == command.letter)) {
      return &command;
    }
  }
  return nullptr;
}

std::string CommandHelp() {
  std::string text;
  for (const Command& command : Commands()) {
    std::string head = "  " + (command.letter.empty() ? "" : command.letter + ", ") +
                       command.name;
    for (const std::string& argument : command.arguments) head += " " + argument;
    if (head.size() < 28) head.resize(28, ' ');
    text += head + " " + command.description + "\n";
  }
  return text;
}

}  // namespace sonavex::cli
