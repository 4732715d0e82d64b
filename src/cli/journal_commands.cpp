#include "cli/journal_commands.h"

#include <algorithm>
#include <charconv>
#include <ctime>
#include <ostream>

#include "core/apply/undo.h"
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

// The batch the arguments name, or the newest one in effect; 0 when there
// is none. A wrong or unknown number comes back in `problem`.
std::int64_t ChosenBatch(const Invocation& inv, Session& session, std::string& problem) {
  if (inv.arguments.empty()) return session.FindUndoTarget().batch;
  const std::vector<BatchSummary> batches = session.Batches();
  const std::string& text = inv.arguments[0];
  std::int64_t id = 0;
  const auto [end, parsed] = std::from_chars(text.data(), text.data() + text.size(), id);
  const auto found = std::find_if(batches.begin(), batches.end(),
                                  [&](const BatchSummary& b) { return b.id == id; });
  if (parsed != std::errc() || end != text.data() + text.size() || found == batches.end()) {
    problem = "Kein Eintrag " + text + " im Journal";
  } else if (found->undoneBy != 0) {
    problem = "Eintrag " + text + " ist schon rückgängig gemacht";
  }
  return problem.empty() ? id : 0;
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

std::string UndoBatch(Invocation& inv, std::ostream& out) {
  const std::unique_ptr<Session> session = OpenOrReport(inv);
  if (!session) return {};
  std::string problem;
  const std::int64_t batch = ChosenBatch(inv, *session, problem);
  if (!problem.empty() || batch == 0) {
    if (problem.empty()) out << "Nichts rückgängig zu machen\n";
    return problem;
  }
  std::error_code ec;
  const Plan plan = session->PlanUndoOf(batch, ec);
  if (ec) {
    ReportJournalFailure(inv, JournalTrouble::Read, ec);
    return {};
  }
  if (inv.dryRun) {
    PrintPlan(plan, *inv.context.reporter, out);
    return {};
  }
  out << EncodeUtf8(plan.caption) << '\n';
  const ApplyResult result = session->Apply(plan);
  out << result.performed << " von " << plan.steps.size() << " Dateien";
  if (result.batch != 0) out << ", Eintrag " << result.batch;
  out << '\n';
  return {};
}

}  // namespace sonavex::cli
