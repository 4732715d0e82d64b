#include "cli/journal_commands.h"

#include <algorithm>
#include <charconv>
#include <ctime>
#include <ostream>

#include "core/apply/undo.h"
#include "core/session/history.h"
#include "core/session/session.h"
#include "core/text/encoding.h"

namespace sonavex::cli {
namespace {

// "DD.MM.YY HH:MM" in local time.
std::string LocalTime(std::int64_t seconds) {
  const std::time_t time = static_cast<std::time_t>(seconds);
  std::tm local{};
  char text[32] = "";
  if (localtime_r(&time, &local) != nullptr) {
    std::strftime(text, sizeof text, "%d.%m.%y %H:%M", &local);
  }
  return text;
}

std::string FileCount(int count) {
  return std::to_string(count) + (count == 1 ? " Datei" : " Dateien");
}

std::string SummaryLine(const BatchSummary& batch) {
  std::string line = std::to_string(batch.id) + '\t' + LocalTime(batch.header.time) + '\t' +
                     batch.header.operation + ' ' + batch.header.caption + '\t' +
                     FileCount(batch.doneActions);
  if (!batch.ended) line += "\tnicht beendet";
  if (batch.undoneBy != 0) line += "\trückgängig gemacht";
  return line + '\n';
}

// A batch that never ended (killed, power lost) may have left temporary
// files: one line each, below the batch, until its undo removes them.
std::string LeftoverLines(Journal& journal, const BatchSummary& batch, std::error_code& ec) {
  if (batch.ended) return {};
  std::string lines;
  for (const std::string& path : LeftTemporaryFiles(journal.ActionsOf(batch.id, ec))) {
    lines += '\t' + path + "\tTemporäre Datei\n";
  }
  return lines;
}

// The batch the argument names; nullptr after a wrong or unknown number
// was put in `problem`.
const BatchSummary* NamedBatch(const Invocation& inv, const std::vector<BatchSummary>& batches,
                               std::string& problem) {
  const std::string& text = inv.arguments[0];
  std::int64_t id = 0;
  const auto [end, parsed] = std::from_chars(text.data(), text.data() + text.size(), id);
  const BatchSummary* found = FindBatch(batches, id);
  if (parsed != std::errc() || end != text.data() + text.size() || found == nullptr) {
    problem = "Kein Eintrag " + text + " im Journal";
    return nullptr;
  }
  return found;
}

// The batch to take back: the one the arguments name, or the newest step
// in effect; 0 when there is none.
std::int64_t ChosenUndo(const Invocation& inv, Session& session, std::string& problem) {
  if (inv.arguments.empty()) return session.FindUndoTarget().batch;
  const std::vector<BatchSummary> batches = session.Batches();
  const BatchSummary* batch = NamedBatch(inv, batches, problem);
  if (batch != nullptr && batch->undoneBy != 0) {
    problem = "Eintrag " + inv.arguments[0] + " ist schon rückgängig gemacht";
  }
  return problem.empty() ? batch->id : 0;
}

// The undo to take back so that a batch applies again: that of the batch
// the arguments name, or of the one taken back most recently; 0 when there
// is none.
std::int64_t ChosenRedo(const Invocation& inv, Session& session, std::string& problem) {
  const std::vector<BatchSummary> batches = session.Batches();
  const BatchSummary* batch =
      inv.arguments.empty() ? FindBatch(batches, session.FindRedoTarget().batch)
                            : NamedBatch(inv, batches, problem);
  if (batch != nullptr && batch->undoneBy == 0) {
    problem = "Eintrag " + inv.arguments[0] + " ist nicht rückgängig gemacht";
  }
  return problem.empty() && batch != nullptr ? batch->undoneBy : 0;
}

// The session with its journal open, or nullptr after the reason was
// reported: without the journal, these commands have nothing to work on.
std::unique_ptr<Session> OpenOrReport(Invocation& inv) {
  std::unique_ptr<Session> session = MakeSession(inv, true);
  if (session->OpenJournal()) return nullptr;
  return session;
}

}  // namespace

std::string ListJournal(Invocation& inv, std::ostream& out) {
  const std::unique_ptr<Session> session = OpenOrReport(inv);
  if (!session) return {};
  std::error_code ec;
  const std::vector<BatchSummary> batches = session->Batches();
  for (auto batch = batches.begin(); !ec && batch != batches.end(); ++batch) {
    out << SummaryLine(*batch) << LeftoverLines(*session->journal(), *batch, ec);
  }
  if (ec) ReportJournalFailure(inv, JournalTrouble::Read, ec);
  return {};
}

namespace {

// Takes `batch` back on its own, or shows its plan with --dry-run.
void TakeBack(Invocation& inv, Session& session, std::int64_t batch, std::ostream& out) {
  std::error_code ec;
  const Plan plan = session.PlanUndoOf(batch, ec, !inv.dryRun);
  if (ec) {
    ReportJournalFailure(inv, JournalTrouble::Read, ec);
    return;
  }
  if (inv.dryRun) {
    PrintPlan(plan, *inv.context.reporter, out);
    return;
  }
  out << EncodeUtf8(plan.caption) << '\n';
  const ApplyResult result = session.Apply(plan);
  out << result.performed << " von " << plan.steps.size() << " Dateien";
  if (result.batch != 0) out << ", Eintrag " << result.batch;
  out << '\n';
}

// "Eintrag 3 (Großbuchstaben) ..." naming the later batches that changed
// its files again.
std::u32string LaterChangesText(std::int64_t batch, const std::vector<BatchSummary>& later) {
  std::string names;
  for (const BatchSummary& each : later) {
    if (!names.empty()) names += ", ";
    names += "Eintrag " + std::to_string(each.id) + " (" + each.header.caption + ")";
  }
  return DecodeUtf8("Eintrag " + std::to_string(batch) +
                    " lässt sich nicht allein rückgängig machen: " + names +
                    " hat dieselben Dateien danach wieder geändert. Mit --with-later "
                    "werden diese Einträge zuerst rückgängig gemacht.");
}

// Takes back `batch`, after the later batches that changed its files again
// when --with-later allows it (newest first); refuses otherwise.
void TakeBackWithLater(Invocation& inv, Session& session, std::int64_t batch,
                       std::ostream& out) {
  std::error_code ec;
  const std::vector<BatchSummary> later = session.LaterChanges(batch, ec);
  if (ec) {
    ReportJournalFailure(inv, JournalTrouble::Read, ec);
    return;
  }
  if (!later.empty() && !inv.withLater) {
    inv.context.reporter->Report(MessageKind::Error, LaterChangesText(batch, later));
    return;
  }
  for (const BatchSummary& each : later) TakeBack(inv, session, each.id, out);
  TakeBack(inv, session, batch, out);
}

using BatchChooser = std::int64_t (*)(const Invocation&, Session&, std::string&);

// Takes back the batch `choose` names (an undo to take back is a redo),
// or says that there is `nothing` to do.
std::string TakeBackChosen(Invocation& inv, std::ostream& out, BatchChooser choose,
                           const char* nothing) {
  const std::unique_ptr<Session> session = OpenOrReport(inv);
  if (!session) return {};
  std::string problem;
  const std::int64_t batch = choose(inv, *session, problem);
  if (!problem.empty() || batch == 0) {
    if (problem.empty()) out << nothing << '\n';
    return problem;
  }
  TakeBackWithLater(inv, *session, batch, out);
  return {};
}

}  // namespace

std::string UndoBatch(Invocation& inv, std::ostream& out) {
  return TakeBackChosen(inv, out, ChosenUndo, "Nichts rückgängig zu machen");
}

std::string RedoBatch(Invocation& inv, std::ostream& out) {
  return TakeBackChosen(inv, out, ChosenRedo, "Nichts wiederherzustellen");
}

}  // namespace sonavex::cli
