#include "cli/commands.h"

#include <charconv>
#include <ctime>
#include <ostream>
#include <span>

#include "cli/export_command.h"
#include "cli/journal_commands.h"
#include "core/apply/describe.h"
#include "core/batch/read_selected.h"
#include "core/fs/fs.h"
#include "core/mp3/info_record.h"
#include "core/mp3/tinfo.h"
#include "core/ops/replacement_table.h"
#include "core/session/batch_settings.h"
#include "core/settings/program_options.h"
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

// A tab or line break inside a field would break the line format; it is
// shown as a blank.
void BlankLineBreaks(std::string& line, std::size_t start) {
  for (char& c : std::span(line).subspan(start)) {
    c = c == '\t' || c == '\n' || c == '\r' ? ' ' : c;
  }
}

void AddColumn(std::string& line, const std::u32string& text) {
  line += '\t';
  const std::size_t start = line.size();
  EncodeUtf8Into(line, text);
  BlankLineBreaks(line, start);
}

// One write per file: the line is built first, in `line`, which keeps its
// room from one file to the next. The name goes in as the bytes it is.
void PrintInfoLine(const std::string& path, const TInfo& info, bool id3v2,
                   std::string& line, std::ostream& out) {
  line.assign(path);
  for (int field = 0; field < kInfoFieldCount; ++field) {
    line += '\t';
    const std::size_t start = line.size();
    const auto shown = static_cast<InfoField>(field);
    AppendShownUtf8(line, info.record, shown);
    if (IsText(shown)) BlankLineBreaks(line, start);
  }
  for (const Id3v2Field field : {Id3v2Field::Titel, Id3v2Field::Interpret, Id3v2Field::Album}) {
    if (id3v2) AddColumn(line, Id3v2Text(info.record, field));
  }
  line += '\n';
  out.write(line.data(), static_cast<std::streamsize>(line.size()));
}

std::string PrintInfo(Invocation& inv, std::ostream& out) {
  Reporter& reporter = *inv.context.reporter;
  // A command that only reports must not write: an untagged file shows
  // empty tag fields and stays as it is, so the read is not finished with
  // an appender. The line is made from the record: no texts are rendered,
  // and the ID3v2 tag is parsed only for its columns.
  std::string line;
  ReadSelected(inv.directory, inv.marks, inv.context, [&](ReadItem& item) {
    if (const std::error_code ec = item.read.error) {
      // A read failure is no rename failure: it gets the general text,
      // never "schreibgeschützt".
      reporter.Report(MessageKind::Error,
                      FailureMessageText(ec, DecodeUtf8(item.directory),
                                         DecodeUtf8(item.name)));
      return;
    }
    const InfoRecord& record = item.read.info.record;
    if (inv.id3v2 && record.id3v2 != nullptr && !record.id3v2->readable) {
      reporter.Report(MessageKind::Warning, DecodeUtf8(item.read.info.Datei) +
                                                std::u32string(kBreak) + std::u32string(kBreak) +
                                                U"ID3v2-Tag nicht lesbar");
    }
    PrintInfoLine(item.read.info.Datei, item.read.info, inv.id3v2, line, out);
  }, inv.id3v2 ? ReadFileRecord : ReadFileRecordWithoutId3v2);
  return {};
}

// The playlists that follow the renames: those of the settings and of
// --playlists (which asks for them also when the settings do not), none with
// --no-playlists.
void TakePlaylistOptions(const Invocation& inv, BatchContext& context) {
  context.followPlaylists =
      !inv.noPlaylists && (context.followPlaylists || !inv.playlistFolders.empty());
  context.playlistFolders.insert(context.playlistFolders.end(), inv.playlistFolders.begin(),
                                 inv.playlistFolders.end());
}

// Runs an operation like its dialog or menu command: the table and its
// switch come from the settings file; parameters with nothing to do do
// nothing.
void RunWithParams(const OperationInfo& operation, const OperationParams& params,
                   Invocation& inv, std::ostream& out) {
  const IniFile settings(inv.settingsPath);
  TakeStoredBatchSettings(settings, inv.context);
  TakePlaylistOptions(inv, inv.context);
  inv.context.id3v2FollowsTags = !inv.noId3v2 && (inv.id3v2 || LoadId3v2Option(settings));
  inv.context.appliedAtOnce = !inv.dryRun;
  if (!NameEditHasWork(params)) return;
  const std::unique_ptr<Session> session = MakeSession(inv);
  const Plan plan =
      session->PlanBatch(operation.code, params, inv.directory, inv.marks, inv.context);
  if (inv.dryRun) {
    PrintPlan(plan, *inv.context.reporter, out);
    return;
  }
  (void)session->OpenJournal();
  session->Apply(plan);
}

std::string RunBatch(const OperationInfo& operation, Invocation& inv, std::ostream& out) {
  OperationParams params;
  if (std::string problem = operation.command.read({inv.arguments, inv.fields}, params);
      !problem.empty()) {
    return problem;
  }
  RunWithParams(operation, params, inv, out);
  return {};
}

// "sync-tags": --to says which of the two syncs runs.
std::string SyncTags(Invocation& inv, std::ostream& out) {
  if (inv.syncTarget != "v2" && inv.syncTarget != "v1") {
    return "sync-tags braucht --to=v2 oder --to=v1";
  }
  RunWithParams(InfoOf(inv.syncTarget == "v2" ? Operation::V : Operation::Q), NoParams{}, inv,
                out);
  return {};
}

// The command of an operation, as its registry row describes it.
Command OperationCommand(const OperationInfo& operation) {
  Command command{std::string(1, static_cast<char>(operation.code)),
                  operation.command.name,
                  {},
                  operation.command.description,
                  [&operation](Invocation& inv, std::ostream& out) {
                    return RunBatch(operation, inv, out);
                  },
                  operation.command.takesFields};
  for (const char* name : operation.command.operands) {
    if (name != nullptr) command.arguments.emplace_back(name);
  }
  return command;
}

std::vector<Command> MakeCommands() {
  std::vector<Command> commands = {
      {"", "list", {}, "die Dateien in Bearbeitungsreihenfolge, ein Pfad je Zeile",
       ListFileSet},
      {"", "info", {},
       "je Datei Pfad und die zwölf Werte der Zusatzinfos, durch Tabs getrennt\n"
       "      (mit --id3v2 danach Titel, Interpret und Album des ID3v2-Tags);\n"
       "      ändert keine Datei: eine MP3-Datei ohne ID3v1-Tag zeigt leere\n"
       "      Tag-Felder; Tabs und Zeilenumbrüche in Tag-Feldern werden als\n"
       "      Leerzeichen ausgegeben",
       PrintInfo},
  };
  for (const OperationInfo& operation : Operations()) {
    if (operation.command.name != nullptr) commands.push_back(OperationCommand(operation));
  }
  commands.insert(commands.end(), {
      {"P", "export", {"DATEI"},
       "die Liste der Dateien mit den Spalten von --columns (Pflicht) und dem\n"
       "      Trennzeichen von --separator nach DATEI schreiben (UTF-8, Zeilenende\n"
       "      CR LF); \"-\" schreibt auf die Standardausgabe; eine MP3-Datei ohne\n"
       "      ID3v1-Tag bekommt dabei ihr leeres Tag (rückgängig zu machen); mit\n"
       "      --dry-run nur diese Dateien zeigen, keine Liste schreiben",
       ExportList},
      {"", "sync-tags", {},
       "die Tags abgleichen: mit --to=v2 Titel, Interpret, Album, Track, Jahr\n"
       "      und Genre des ID3v1-Tags in den ID3v2-Tag kopieren (ein fehlender\n"
       "      ID3v2-Tag wird angelegt), mit --to=v1 die des ID3v2-Tags in den\n"
       "      ID3v1-Tag (auf 30 Zeichen gekürzt); leere Felder werden nicht kopiert",
       SyncTags},
      {"", "journal", {},
       "die Einträge des Journals, neueste zuerst: Nummer, Zeit, Vorgang,\n"
       "      Anzahl Dateien und ggf. \"rückgängig gemacht\", durch Tabs getrennt",
       ListJournal},
      {"", "undo", {"[ID]"},
       "den Journaleintrag ID rückgängig machen (Vorgabe: den neuesten\n"
       "      Vorgang, der nicht rückgängig gemacht ist; jedes \"undo\" geht einen\n"
       "      Schritt weiter zurück; angelegte ID3-Tags beim Lesen zählen nicht\n"
       "      mit); haben spätere Einträge dieselben Dateien wieder geändert,\n"
       "      nur mit --with-later",
       UndoBatch},
      {"", "redo", {"[ID]"},
       "den rückgängig gemachten Journaleintrag ID wieder ausführen (Vorgabe:\n"
       "      den zuletzt rückgängig gemachten, solange seither kein neuer Vorgang\n"
       "      lief)",
       RedoBatch},
  });
  return commands;
}

const std::vector<Command>& Commands() {
  static const std::vector<Command> commands = MakeCommands();
  return commands;
}

void WarnNoUndo(Invocation& inv, std::error_code ec) {
  if (inv.journalWarned || inv.err == nullptr) return;
  inv.journalWarned = true;
  *inv.err << "Warnung: Rückgängig nicht möglich: " << ec.message() << '\n';
}

void TellJournalTrouble(Invocation& inv, bool needsJournal, JournalTrouble trouble,
                        std::error_code ec) {
  if (!needsJournal || trouble == JournalTrouble::Write) {
    WarnNoUndo(inv, ec);
  } else {
    ReportJournalFailure(inv, trouble, ec);
  }
}

}  // namespace

void ReportJournalFailure(Invocation& inv, JournalTrouble trouble, std::error_code ec) {
  const char* doing = trouble == JournalTrouble::Open ? "öffnen" : "lesen";
  inv.context.reporter->Report(MessageKind::Error,
                               DecodeUtf8("Das Journal " + inv.journalPath +
                                          " lässt sich nicht " + doing + ": " +
                                          ec.message()));
}

std::unique_ptr<Session> MakeSession(Invocation& inv, bool needsJournal) {
  SessionPorts ports;
  ports.reporter = inv.context.reporter;
  // An undo of renames carries the playlists along as the settings and
  // the options say.
  ports.batchContext = [&inv] {
    BatchContext context = inv.context;
    TakeStoredPlaylists(IniFile(inv.settingsPath), context);
    TakePlaylistOptions(inv, context);
    return context;
  };
  ports.progress = inv.progress;
  ports.journalTrouble = [&inv, needsJournal](JournalTrouble trouble, std::error_code ec) {
    TellJournalTrouble(inv, needsJournal, trouble, ec);
  };
  return std::make_unique<Session>(inv.journalPath, std::move(ports));
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
    if (const StepMessage* message = MessageOf(step)) {
      reporter.Report(message->kind, message->text, message->button);
    } else if (!step.foreseen.empty()) {
      reporter.Report(MessageKind::Warning, step.foreseen);
    } else {
      out << Describe(plan, step).line << '\n';
    }
  }
  for (const std::string& leftover : plan.leftovers) {
    out << leftover << "\tTemporäre Datei entfernt\n";
  }
}

}  // namespace sonavex::cli
