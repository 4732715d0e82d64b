#include "cli/cli.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <optional>
#include <ostream>

#include "cli/commands.h"
#include "cli/stream_reporter.h"
#include "core/fs/fs.h"
#include "core/settings/location.h"
#include "core/text/encoding.h"

namespace sonavex::cli {
namespace {

constexpr const char* kUsage =
    "Aufruf: mp3sonavex-cli [Optionen] BEFEHL [ARGUMENTE]\n"
    "\n"
    "Optionen:\n"
    "  --dir VERZ        das Verzeichnis (Vorgabe: das Arbeitsverzeichnis)\n"
    "  --mask MASKE      die Dateimaske, Muster durch \";\" getrennt\n"
    "                    (Vorgabe: \"*.mp3\")\n"
    "  --recursive       Unterverzeichnisse einbeziehen\n"
    "  --mark NAME       nur diese Datei bearbeiten (mehrfach erlaubt; dann\n"
    "                    genau die markierten Dateien in Listenreihenfolge)\n"
    "  --settings DATEI  die Einstellungsdatei (Vorgabe: die des Programms\n"
    "                    mp3sonavex neben diesem); wird nur gelesen\n"
    "  --help            diese Hilfe\n"
    "\n"
    "Meldungen gehen als \"Warnung: \" oder \"Fehler: \" auf die\n"
    "Standardfehlerausgabe. Rückgabewert: 0 ohne Meldung, 1 mit Meldung,\n"
    "2 bei falschem Aufruf.\n"
    "\n"
    "Befehle:\n";

std::string CurrentDirectory() {
  char buffer[PATH_MAX];
  return getcwd(buffer, sizeof buffer) != nullptr ? buffer : "/";
}

std::string Absolute(const std::string& path) {
  if (!path.empty() && path[0] == '/') return path;
  return JoinPath(CurrentDirectory(), path);
}

// The directory without trailing "/" (the root keeps its own).
std::string WithoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// Reads the options; stops at the first argument that is not an option.
// Returns false on a malformed option.
bool ParseOptions(const std::vector<std::string>& args, std::size_t& next,
                  Invocation& inv, std::string& problem) {
  for (; next < args.size() && args[next].starts_with("--"); ++next) {
    const std::string& option = args[next];
    if (option == "--recursive") {
      inv.context.recursive = true;
      continue;
    }
    if (option == "--help") {
      inv.help = true;
      continue;
    }
    if (next + 1 >= args.size()) {
      problem = "Option " + option + " braucht einen Wert";
      return false;
    }
    const std::string& value = args[++next];
    if (option == "--dir") inv.directory = value;
    else if (option == "--mask") inv.context.mask = DecodeUtf8(value);
    else if (option == "--mark") inv.marks.push_back(value);
    else if (option == "--settings") inv.settingsPath = value;
    else {
      problem = "Unbekannte Option " + args[next - 1];
      return false;
    }
  }
  return true;
}

int Usage(std::ostream& stream, const std::string& problem, int status) {
  if (!problem.empty()) stream << "mp3sonavex-cli: " << problem << "\n\n";
  stream << kUsage << CommandHelp();
  return status;
}

// Puts the marks into list order, as the window would process them. Returns
// the first mark that is not an entry of the list, or an empty text.
std::string OrderMarks(Invocation& inv) {
  if (inv.marks.empty()) return {};
  std::error_code ec;
  std::vector<std::string> ordered;
  for (const std::string& name : ListFiles(inv.directory, inv.context.mask, ec)) {
    if (std::find(inv.marks.begin(), inv.marks.end(), name) != inv.marks.end()) {
      ordered.push_back(name);
    }
  }
  for (const std::string& mark : inv.marks) {
    if (std::find(ordered.begin(), ordered.end(), mark) == ordered.end()) return mark;
  }
  inv.marks = std::move(ordered);
  return {};
}

void Complete(Invocation& inv) {
  inv.directory = WithoutTrailingSlash(
      Absolute(inv.directory.empty() ? CurrentDirectory() : inv.directory));
  if (inv.settingsPath.empty()) {
    const std::string program = RunningProgramPath();
    const std::size_t slash = program.rfind('/');
    inv.settingsPath = DefaultSettingsPath(
        JoinPath(program.substr(0, slash == std::string::npos ? 0 : slash),
                 "mp3sonavex"));
  }
}

}  // namespace

int Run(const std::vector<std::string>& args, std::ostream& out,
        std::ostream& err) {
  Invocation inv;
  std::size_t next = 0;
  std::string problem;
  if (!ParseOptions(args, next, inv, problem)) return Usage(err, problem, 2);
  if (inv.help) return Usage(out, "", 0);
  if (next >= args.size()) return Usage(err, "Kein Befehl angegeben", 2);
  const Command* command = FindCommand(args[next]);
  if (command == nullptr) return Usage(err, "Unbekannter Befehl " + args[next], 2);
  inv.arguments.assign(args.begin() + static_cast<long>(next) + 1, args.end());
  if (inv.arguments.size() != command->arguments.size()) {
    return Usage(err, "Falsche Anzahl Argumente für " + args[next], 2);
  }
  Complete(inv);
  if (const std::string stray = OrderMarks(inv); !stray.empty()) {
    return Usage(err, stray + " steht nicht in der Dateiliste", 2);
  }
  StreamReporter reporter(err);
  inv.context.reporter = &reporter;
  if (const std::string wrong = command->run(inv, out); !wrong.empty()) {
    return Usage(err, wrong, 2);
  }
  return reporter.reported() ? 1 : 0;
}

}  // namespace sonavex::cli
