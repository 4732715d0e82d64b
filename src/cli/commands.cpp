#include "cli/commands.h"

#include <charconv>
#include <ctime>
#include <ostream>

#include "cli/export_command.h"
#include "cli/journal_commands.h"
#include "cli/tag_commands.h"
#include "core/batch/planner.h"
#include "core/batch/read_selected.h"
#include "core/fs/fs.h"
#include "core/mp3/info_row.h"
#include "core/mp3/tinfo.h"
#include "core/ops/replacement_table.h"
#include "core/settings/ini_file.h"
#include "core/text/encoding.h"

namespace sonavex::cli {
namespace {

std::string ListFileSet(Invocation& inv, std::ostream& out) {
  ForEachSelected(inv.directory, inv.marks, inv.context,
                  [&](const std::string& directory, const std::string& name) {
                    out << JoinPath(directory, name) << '\n';
                  });
  return {};
}

// A tab or line break inside a tag field would break the line format; it
// is shown as a blank.
void AppendField(std::string& line, std::u32string_view value) {
  const std::size_t start = line.size();
  EncodeUtf8Into(line, value);
  for (std::size_t i = start; i < line.size(); ++i) {
    if (line[i] == '\t' || line[i] == '\n' || line[i] == '\r') line[i] = ' ';
  }
}

// One write per file: the line is built first.
void PrintInfoLine(const std::string& path, const TInfo& info, std::ostream& out) {
  std::string line;
  line.reserve(path.size() + 256);
  line += path;
  for (const std::u32string& value : MakeInfoRow(info)) {
    line += '\t';
    AppendField(line, value);
  }
  line += '\n';
  out.write(line.data(), static_cast<std::streamsize>(line.size()));
}

std::string PrintInfo(Invocation& inv, std::ostream& out) {
  Reporter& reporter = *inv.context.reporter;
  // A command that only reports must not write: an untagged file shows
  // empty tag fields and stays as it is, so the read is not finished with
  // an appender.
  ReadSelected(inv.directory, inv.marks, inv.context, [&](ReadItem& item) {
    if (const std::error_code ec = item.read.error) {
      // A read failure is no rename failure: it gets the general text,
      // never "schreibgeschützt".
      reporter.Report(MessageKind::Error,
                      FailureMessageText(ec, DecodeUtf8(item.directory),
                                         DecodeUtf8(item.name)));
      return;
    }
    PrintInfoLine(item.read.info.Datei, item.read.info, out);
  });
  return {};
}

// Reads the command's arguments into the operation's parameters, as the
// dialog's fields would hold them. Returns a usage problem or "".
std::string ReadNameEditArguments(char code, const Invocation& inv,
                                  OperationParams& params) {
  const std::vector<std::string>& a = inv.arguments;
  long first = 0, second = 0;
  if (code == 'L' || code == 'T') {
    if (!ParseNumber(a[0], first) || !ParseNumber(a[1], second)) {
      return "Zahlen erwartet: " + a[0] + " " + a[1];
    }
  }
  switch (code) {
    case 'L':  // the spin fields set a value below 0 back to 0
      params = DeleteEndsParams{std::max(first, 0L), std::max(second, 0L)};
      break;
    case 'E': params = InsertEndsParams{DecodeUtf8(a[0]), DecodeUtf8(a[1])}; break;
    case 'X':
    case 'Y': params = SearchReplaceParams{DecodeUtf8(a[0]), DecodeUtf8(a[1])}; break;
    case 'Z': params = TextReplaceParams{DecodeUtf8(a[0]), DecodeUtf8(a[1])}; break;
    case 'T':
      if (first < 0 || first > 10 || second < 0 || second > 10) {
        return "Zahlen von 0 bis 10 erwartet";
      }
      params = SwapParams{static_cast<int>(first), static_cast<int>(second)};
      break;
    default: params = NoParams{}; break;
  }
  return {};
}

std::string StepLine(const PlanStep& step) {
  const std::string path = JoinPath(step.directory, step.name);
  switch (step.kind) {
    case StepKind::Rename: return path + "\t" + JoinPath(step.directory, step.newName);
    case StepKind::TagWrite: return path + "\tTag geschrieben";
    case StepKind::TagAppend: return path + "\tTag angehängt";
    case StepKind::TagRemove: return path + "\tTag entfernt";
    case StepKind::ContentReplace: return path + "\t" + ContentReplacedText(step.changedLines);
    case StepKind::Export:
      return (step.exportJob ? step.exportJob->target : path) + "\tListe geschrieben";
    case StepKind::FileCreate: return path + "\tDatei angelegt";
    case StepKind::FileRemove: return path + "\tDatei entfernt";
    case StepKind::Refuse:
    case StepKind::WalkFailure: break;
  }
  return {};
}

using ParamsReader = std::string (*)(const Invocation& inv, OperationParams& params);

// Runs an operation like its dialog or menu command: the table and its
// switch come from the settings file; parameters with nothing to do do
// nothing.
std::string RunBatch(char code, ParamsReader read, Invocation& inv, std::ostream& out) {
  OperationParams params;
  if (std::string problem = read(inv, params); !problem.empty()) return problem;
  const StoredReplacementTable stored = LoadReplacementTable(IniFile(inv.settingsPath));
  inv.context.table = stored.table;
  inv.context.replacementActive = stored.active;
  if (!NameEditHasWork(params)) return {};
  const Plan plan = PlanSelection(static_cast<Operation>(code), params, inv.directory,
                                  inv.marks, inv.context);
  if (inv.dryRun) {
    PrintPlan(plan, *inv.context.reporter, out);
    return {};
  }
  const std::unique_ptr<Journal> journal = OpenJournal(inv);
  ApplyPlan(plan, RunContext(inv, journal.get()));
  return {};
}

template <char Code>
std::string ReadNameEdit(const Invocation& inv, OperationParams& params) {
  return ReadNameEditArguments(Code, inv, params);
}

template <char Code>
Command NameEditCommand(std::string name, std::vector<std::string> arguments,
                        std::string description) {
  return {std::string(1, Code), std::move(name), std::move(arguments),
          std::move(description), [](Invocation& inv, std::ostream& out) {
            return RunBatch(Code, ReadNameEdit<Code>, inv, out);
          }};
}

template <char Code, ParamsReader Read>
Command TagCommand(std::string name, std::vector<std::string> arguments,
                   std::string description, bool takesFields = false) {
  return {std::string(1, Code), std::move(name), std::move(arguments),
          std::move(description),
          [](Invocation& inv, std::ostream& out) { return RunBatch(Code, Read, inv, out); },
          takesFields};
}

const std::vector<Command>& Commands() {
  static const std::vector<Command> commands = {
      {"", "list", {}, "die Dateien in Bearbeitungsreihenfolge, ein Pfad je Zeile",
       ListFileSet},
      {"", "info", {},
       "je Datei Pfad und die zwölf Werte der Zusatzinfos, durch Tabs getrennt;\n"
       "      ändert keine Datei: eine MP3-Datei ohne ID3v1-Tag zeigt leere\n"
       "      Tag-Felder; Tabs und Zeilenumbrüche in Tag-Feldern werden als\n"
       "      Leerzeichen ausgegeben",
       PrintInfo},
      NameEditCommand<'L'>("delete-ends", {"ERSTE", "LETZTE"},
                      "Zeichen am Anfang und Ende des Namens löschen"),
      NameEditCommand<'E'>("insert-ends", {"VORN", "HINTEN"},
                      "Text vor und nach dem Namen einfügen"),
      NameEditCommand<'X'>("replace-name", {"SUCHEN", "ERSETZEN"},
                      "im Dateinamen suchen und ersetzen"),
      NameEditCommand<'Y'>("replace-type", {"SUCHEN", "ERSETZEN"},
                      "im Dateityp suchen und ersetzen"),
      NameEditCommand<'Z'>("replace-text", {"SUCHEN", "ERSETZEN"},
                      "im Inhalt von Textdateien zeilenweise suchen und ersetzen\n"
                      "      (Dateien, die keine Textdateien sind, bleiben unverändert)"),
      NameEditCommand<'T'>("swap", {"A", "B"},
                      "Teile \" - \" tauschen, verschieben oder löschen (0 bis 10)"),
      NameEditCommand<'G'>("capitalize", {}, "Großbuchstaben abc->Abc"),
      NameEditCommand<'K'>("lowercase", {}, "Kleinbuchstaben ABC->Abc"),
      NameEditCommand<'S'>("strip-marker", {}, "!s/!!s streichen"),
      NameEditCommand<'R'>("replace-table", {},
                      "die Ersetzungstabelle anwenden (auch wenn sie aus ist)"),
      TagCommand<'N', ReadNameFromTagArguments>(
          "name-from-tag", {"MUSTER"},
          "Dateiname aus ID3Tag erstellen (nur MP3-Dateien, Endung \".mp3\"):\n"
          "      0 Album - Interpret - Titel, 1 Interpret - Album - Titel,\n"
          "      2 Interpret - Titel, 3 Titel - Interpret, 4 Titel, -1 keines"),
      TagCommand<'I', ReadTagFromNameArguments>(
          "tag-from-name", {"TITEL", "INTERPRET", "ALBUM"},
          "ID3Tag aus Dateiname erstellen; je Feld \"-\" (nicht schreiben), die\n"
          "      Nummer der Quelle wie im Dialog (Titel 0 bis 9, Interpret 0 bis 11,\n"
          "      Album 0 bis 9) oder \"=TEXT\" (dieser Text)"),
      TagCommand<'W', ReadTagReplaceOptions>(
          "tag-replace", {},
          "im ID3Tag suchen und ersetzen: --title/--artist/--album SUCHEN\n"
          "      ERSETZEN; immer alle Dateien des Verzeichnisses (ohne Markierungen)",
          true),
      TagCommand<'A', ReadTagDeleteOptions>(
          "tag-delete-ends", {},
          "am Anfang und Ende der ID3Tag-Felder löschen: --title/--artist/--album\n"
          "      ERSTE LETZTE (0 bis 30); immer alle Dateien des Verzeichnisses",
          true),
      TagCommand<'B', ReadTagInsertOptions>(
          "tag-insert-ends", {},
          "vor und nach den ID3Tag-Feldern einfügen: --title/--artist/--album\n"
          "      VORN HINTEN (je höchstens 30 Zeichen); immer alle Dateien des\n"
          "      Verzeichnisses",
          true),
      {"P", "export", {"DATEI"},
       "die Liste der Dateien mit den Spalten von --columns (Pflicht) und dem\n"
       "      Trennzeichen von --separator nach DATEI schreiben (UTF-8, Zeilenende\n"
       "      CR LF); \"-\" schreibt auf die Standardausgabe; eine MP3-Datei ohne\n"
       "      ID3v1-Tag bekommt dabei ihr leeres Tag (rückgängig zu machen); mit\n"
       "      --dry-run nur diese Dateien zeigen, keine Liste schreiben",
       ExportList},
      {"", "journal", {},
       "die Einträge des Journals, neueste zuerst: Nummer, Zeit, Vorgang,\n"
       "      Anzahl Dateien und ggf. \"rückgängig gemacht\", durch Tabs getrennt",
       ListJournal},
      {"", "undo", {"[ID]"},
       "den Journaleintrag ID rückgängig machen (Vorgabe: den neuesten, der\n"
       "      nicht rückgängig gemacht ist; \"undo\" nach \"undo\" führt den\n"
       "      Vorgang wieder aus)",
       UndoBatch},
  };
  return commands;
}

void WarnNoUndo(Invocation& inv, std::error_code ec) {
  if (inv.journalWarned || inv.err == nullptr) return;
  inv.journalWarned = true;
  *inv.err << "Warnung: Rückgängig nicht möglich: " << ec.message() << '\n';
}

}  // namespace

bool ParseNumber(const std::string& text, long& value) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() && !text.empty();
}

std::unique_ptr<Journal> OpenJournal(Invocation& inv) {
  std::error_code ec;
  std::unique_ptr<Journal> journal =
      Journal::Open(inv.journalPath, static_cast<std::int64_t>(std::time(nullptr)), ec);
  if (ec) WarnNoUndo(inv, ec);
  return ec ? nullptr : std::move(journal);
}

ExecutorContext RunContext(Invocation& inv, Journal* journal) {
  ExecutorContext context;
  context.reporter = inv.context.reporter;
  context.journal = journal;
  context.onJournalFailure = [&inv](std::error_code ec) { WarnNoUndo(inv, ec); };
  return context;
}

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
    text += head + "\n      " + command.description + "\n";
  }
  return text;
}

// What the run would do, one line per change; what it would say (the
// rules' refusals and the failures already in sight) as its messages.
void PrintPlan(const Plan& plan, Reporter& reporter, std::ostream& out) {
  for (const PlanStep& step : plan.steps) {
    if (step.kind == StepKind::Refuse || step.kind == StepKind::WalkFailure) {
      reporter.Report(step.messageKind, step.message, step.button);
    } else if (!step.foreseen.empty()) {
      reporter.Report(MessageKind::Warning, step.foreseen);
    } else {
      out << StepLine(step) << '\n';
    }
  }
  for (const std::string& leftover : plan.leftovers) {
    out << leftover << "\tTemporäre Datei entfernt\n";
  }
}

}  // namespace sonavex::cli
