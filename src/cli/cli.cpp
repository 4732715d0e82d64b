#include "cli/cli.h"

#include <getopt.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <filesystem>
#include <optional>
#include <ostream>

#include "cli/commands.h"
#include "cli/progress_line.h"
#include "cli/stream_reporter.h"
#include "core/fs/fs.h"
#include "core/settings/location.h"
#include "core/text/encoding.h"

namespace sonavex::cli {
namespace {

constexpr const char* kProgram = "mp3sonavex-cli";
// A batch stopped by Ctrl-C ends the run as an interrupted program does.
constexpr int kInterrupted = 128 + SIGINT;

constexpr const char* kUsage =
    "Aufruf: mp3sonavex-cli [Optionen] BEFEHL [ARGUMENTE]\n"
    "\n"
    "Optionen (vor oder nach dem Befehl; Werte als \"--dir VERZ\" oder\n"
    "\"--dir=VERZ\"):\n"
    "  --dir VERZ        das Verzeichnis (Vorgabe: das Arbeitsverzeichnis)\n"
    "  --mask MASKE      die Dateimaske, Muster durch \";\" getrennt\n"
    "                    (Vorgabe: \"*.mp3\")\n"
    "  --recursive       Unterverzeichnisse einbeziehen\n"
    "  --mark NAME       nur diese Datei bearbeiten (mehrfach erlaubt; dann\n"
    "                    genau die markierten Dateien in Listenreihenfolge)\n"
    "  --settings DATEI  die Einstellungsdatei (Vorgabe: die des Programms\n"
    "                    mp3sonavex neben diesem); wird nur gelesen\n"
    "  --playlists VERZ  Playlisten (*.m3u, *.m3u8, *.pls) in VERZ und seinen\n"
    "                    Unterverzeichnissen beim Umbenennen anpassen, neben\n"
    "                    denen der durchlaufenen Verzeichnisse und den Ordnern\n"
    "                    der Einstellungen (mehrfach erlaubt)\n"
    "  --no-playlists    keine Playlisten anpassen\n"
    "  --dry-run         nur zeigen, was geschähe: je Änderung eine Zeile\n"
    "                    \"ALT<Tab>NEU\", Meldungen wie sonst; ändert nichts\n"
    "  --journal DATEI   das Rückgängig-Journal (Vorgabe:\n"
    "                    $XDG_STATE_HOME/mp3sonavex/journal.sqlite)\n"
    "  --title WERT1 WERT2, --artist WERT1 WERT2, --album WERT1 WERT2\n"
    "                    für W, A und B: die zwei Werte für das Feld Titel,\n"
    "                    Interpret oder Album (W: SUCHEN ERSETZEN, A: ERSTE\n"
    "                    LETZTE, B: VORN HINTEN); WERT2 ist immer das nächste\n"
    "                    Argument, auch wenn es mit \"-\" beginnt oder leer ist,\n"
    "                    z. B. mp3sonavex-cli W --title \"-live\" \"\"\n"
    "  --columns LISTE   für P: die Spalten, durch \",\" getrennt, als Nummern\n"
    "                    1 bis 13 oder Beschriftungen (Dateiname, Dateityp,\n"
    "                    Dateigröße, Datum/Uhrzeit, Titel, Interpret, Album,\n"
    "                    MPEG-Version, Layer, Bitrate, Samplefrequenz,\n"
    "                    Stereo-Mode, Spieldauer)\n"
    "  --separator tab|semicolon\n"
    "                    für P: das Trennzeichen (Vorgabe: tab)\n"
    "  --with-later      für undo und redo: spätere Einträge, die dieselben\n"
    "                    Dateien wieder geändert haben, zuerst rückgängig machen\n"
    "  --id3v2           für info: Titel, Interpret und Album des ID3v2-Tags als\n"
    "                    drei weitere Spalten; für N, I, W, A und B: den\n"
    "                    ID3v2-Tag mitführen, auch wenn die Einstellungen es\n"
    "                    abschalten ([Optionen] ID3v2=0)\n"
    "  --no-id3v2        für N, I, W, A und B: den ID3v2-Tag nicht mitführen\n"
    "  --to v2|v1        für sync-tags: in welchen Tag kopiert wird\n"
    "  -h, --help        diese Hilfe\n"
    "  --version         Programmname und Version\n"
    "\n"
    "\"--\" beendet die Optionen: Argumente danach, die mit \"-\" beginnen,\n"
    "sind Argumente des Befehls, z. B. mp3sonavex-cli X -- -live \"\".\n"
    "Eine negative Zahl ist immer ein Argument, z. B. mp3sonavex-cli N -1.\n"
    "\n"
    "Meldungen gehen als \"Warnung: \" oder \"Fehler: \" auf die\n"
    "Standardfehlerausgabe, auf einem Terminal dort auch eine Zeile, die den\n"
    "Fortschritt eines längeren Vorgangs zeigt. Strg+C (SIGINT) bricht einen\n"
    "Vorgang ab: laufende Änderungen werden fertig, keine weitere beginnt, und\n"
    "das Journal hält genau die ausgeführten. Rückgabewert: 0 ohne Meldung,\n"
    "1 mit Meldung, 2 bei falschem Aufruf, 130 nach Abbruch mit Strg+C.\n"
    "\n"
    "Befehle:\n";

std::string CurrentDirectory() {
  char buffer[PATH_MAX];
  return getcwd(buffer, sizeof buffer) != nullptr ? buffer : "/";
}

// The directory as an absolute path without "." and ".." steps, doubled
// slashes or a trailing "/" (the root keeps its own), so that messages and
// directory names read the same however it was typed. ".." is taken by
// name, as the shell's cd does.
std::string NormalDirectory(const std::string& typed) {
  const std::string absolute =
      typed.empty() ? CurrentDirectory()
      : typed[0] == '/' ? typed
                        : JoinPath(CurrentDirectory(), typed);
  std::string path = std::filesystem::path(absolute).lexically_normal().string();
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

enum class Request { Work, Help, Version, Wrong };

enum OptionId {
  kHelp = 'h',
  kDir = 256,
  kMask,
  kRecursive,
  kMark,
  kSettings,
  kVersion,
  kDryRun,
  kJournal,
  kTitle,
  kArtist,
  kAlbum,
  kColumns,
  kSeparator,
  kWithLater,
  kPlaylists,
  kNoPlaylists,
  kId3v2,
  kNoId3v2,
  kTo
};

constexpr option kOptions[] = {
    {"dir", required_argument, nullptr, kDir},
    {"mask", required_argument, nullptr, kMask},
    {"recursive", no_argument, nullptr, kRecursive},
    {"mark", required_argument, nullptr, kMark},
    {"settings", required_argument, nullptr, kSettings},
    {"help", no_argument, nullptr, kHelp},
    {"version", no_argument, nullptr, kVersion},
    {"dry-run", no_argument, nullptr, kDryRun},
    {"journal", required_argument, nullptr, kJournal},
    {"title", required_argument, nullptr, kTitle},
    {"artist", required_argument, nullptr, kArtist},
    {"album", required_argument, nullptr, kAlbum},
    {"columns", required_argument, nullptr, kColumns},
    {"separator", required_argument, nullptr, kSeparator},
    {"with-later", no_argument, nullptr, kWithLater},
    {"playlists", required_argument, nullptr, kPlaylists},
    {"no-playlists", no_argument, nullptr, kNoPlaylists},
    {"id3v2", no_argument, nullptr, kId3v2},
    {"no-id3v2", no_argument, nullptr, kNoId3v2},
    {"to", required_argument, nullptr, kTo},
    {nullptr, 0, nullptr, 0},
};

// How many long options begin with `prefix`.
int MatchingOptions(const std::string& prefix) {
  int count = 0;
  for (const option& known : kOptions) {
    if (known.name != nullptr && std::string_view(known.name).starts_with(prefix)) ++count;
  }
  return count;
}

// What is wrong with the option getopt_long refused in `word`.
std::string OptionProblem(int answer, const std::string& word) {
  const bool isLong = word.starts_with("--");
  const std::string option =
      isLong ? word.substr(0, word.find('=')) : std::string{'-', static_cast<char>(optopt)};
  if (answer == ':') return "Option " + option + " braucht einen Wert";
  if (isLong && optopt != 0 && word.find('=') != std::string::npos) {
    return "Option " + option + " nimmt keinen Wert";
  }
  if (isLong && MatchingOptions(option.substr(2)) > 1) {
    return "Option " + option + " ist mehrdeutig";
  }
  return "Unbekannte Option " + option;
}

// Takes the value of one accepted option into the invocation.
void TakeOption(int id, const char* value, Invocation& inv) {
  switch (id) {
    case kDir: inv.directory = value; break;
    case kMask: inv.context.mask = DecodeUtf8(value); break;
    case kRecursive: inv.context.recursive = true; break;
    case kMark: inv.marks.push_back(value); break;
    case kSettings: inv.settingsPath = value; break;
    case kDryRun: inv.dryRun = true; break;
    case kJournal: inv.journalPath = value; break;
    case kColumns: inv.columns = value; break;
    case kSeparator: inv.separator = value; break;
    case kWithLater: inv.withLater = true; break;
    case kPlaylists: inv.playlistFolders.push_back(value); break;
    case kNoPlaylists: inv.noPlaylists = true; break;
    case kId3v2: inv.id3v2 = true; break;
    case kNoId3v2: inv.noId3v2 = true; break;
    case kTo: inv.syncTarget = value; break;
    default: break;
  }
}

// "-2" is an argument, as no option is a digit.
bool IsNegativeNumber(const char* word) {
  return word[0] == '-' && word[1] != '\0' &&
         std::all_of(word + 1, word + std::strlen(word), [](char c) { return c >= '0' && c <= '9'; });
}

// A field option takes its first value as options do and the next word,
// whatever it is, as its second. False when there is none.
bool TakeFieldOption(int id, const char* first, int argc, char** argv, Invocation& inv) {
  if (optind >= argc) return false;
  inv.fields[static_cast<std::size_t>(id - kTitle)] = FieldValues{first, argv[optind++]};
  return true;
}

// Reads options and operands in GNU style: options anywhere, values joined
// by "=" or following, "--" ends the options. Operands come back in order.
// --help and --version answer at once, like the first wrong option.
Request ReadCommandLine(const std::vector<std::string>& args, Invocation& inv,
                        std::vector<std::string>& operands, std::string& problem) {
  std::vector<std::string> words = args;
  words.insert(words.begin(), kProgram);
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  const int argc = static_cast<int>(words.size());
  optind = 0;  // a fresh scan
  opterr = 0;
  // "-": operands come back in place, whatever POSIXLY_CORRECT says;
  // ":": a missing value is told apart from an unknown option.
  for (;;) {
    // The word getopt_long looks at next (a cluster of short options stays
    // under optind until its last letter).
    const int next = std::max(optind, 1);
    const std::string word = next < argc ? argv[next] : "";
    if (next < argc && IsNegativeNumber(argv[next])) {
      operands.push_back(word);
      optind = next + 1;
      continue;
    }
    const int answer = getopt_long(argc, argv.data(), "-:h", kOptions, nullptr);
    if (answer == -1) break;
    if (answer == 1) operands.push_back(optarg);
    else if (answer == kTitle || answer == kArtist || answer == kAlbum) {
      if (!TakeFieldOption(answer, optarg, argc, argv.data(), inv)) {
        problem = "Option " + word.substr(0, word.find('=')) + " braucht zwei Werte";
        return Request::Wrong;
      }
    } else if (answer == kHelp) return Request::Help;
    else if (answer == kVersion) return Request::Version;
    else if (answer == '?' || answer == ':') {
      problem = OptionProblem(answer, word);
      return Request::Wrong;
    } else {
      TakeOption(answer, optarg, inv);
    }
  }
  operands.insert(operands.end(), argv.begin() + optind, argv.end() - 1);
  return Request::Work;
}

// One line saying what is wrong and where the help is.
int UsageError(std::ostream& err, const std::string& problem) {
  err << kProgram << ": " << problem << "\nAufruf: " << kProgram << " --help\n";
  return 2;
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
  inv.directory = NormalDirectory(inv.directory);
  if (inv.journalPath.empty()) inv.journalPath = DefaultJournalPath();
  if (inv.settingsPath.empty()) {
    inv.settingsPath = DefaultSettingsPath(
        JoinPath(SplitPath(RunningProgramPath()).directory, "mp3sonavex"));
  }
}

// Arguments shown in brackets may be left out; they come last.
std::size_t RequiredArguments(const Command& command) {
  return static_cast<std::size_t>(std::count_if(
      command.arguments.begin(), command.arguments.end(),
      [](const std::string& name) { return !name.starts_with('['); }));
}

// Runs the command named by the first operand on the rest.
int RunCommand(Invocation& inv, const std::vector<std::string>& operands,
               std::ostream& out, std::ostream& err) {
  if (operands.empty()) return UsageError(err, "Kein Befehl angegeben");
  const Command* command = FindCommand(operands[0]);
  if (command == nullptr) return UsageError(err, "Unbekannter Befehl " + operands[0]);
  inv.arguments.assign(operands.begin() + 1, operands.end());
  const bool fieldsGiven = std::any_of(inv.fields.begin(), inv.fields.end(),
                                       [](const auto& field) { return field.has_value(); });
  if (fieldsGiven && !command->takesFields) {
    return UsageError(err, "--title, --artist und --album gelten nur für W, A und B");
  }
  if (inv.arguments.size() < RequiredArguments(*command) ||
      inv.arguments.size() > command->arguments.size()) {
    return UsageError(err, "Falsche Anzahl Argumente für " + operands[0]);
  }
  Complete(inv);
  if (const std::string stray = OrderMarks(inv); !stray.empty()) {
    return UsageError(err, stray + " steht nicht in der Dateiliste");
  }
  StreamReporter reporter(err);
  ProgressLine progress(STDERR_FILENO, reporter);
  inv.context.reporter = &progress;
  inv.progress = &progress;
  inv.err = &err;
  if (const std::string wrong = command->run(inv, out); !wrong.empty()) {
    return UsageError(err, wrong);
  }
  if (progress.interrupted()) return kInterrupted;
  // A dry run only tells what the run would say.
  return reporter.reported() && !inv.dryRun ? 1 : 0;
}

}  // namespace

int Run(const std::vector<std::string>& args, std::ostream& out,
        std::ostream& err) {
  Invocation inv;
  std::vector<std::string> operands;
  std::string problem;
  switch (ReadCommandLine(args, inv, operands, problem)) {
    case Request::Wrong: return UsageError(err, problem);
    case Request::Help: out << kUsage << CommandHelp(); return 0;
    case Request::Version:
      out << kProgram << " (MP3 Sonavex) " << SONAVEX_VERSION << "\n";
      return 0;
    case Request::Work: break;
  }
  return RunCommand(inv, operands, out, err);
}

}  // namespace sonavex::cli
