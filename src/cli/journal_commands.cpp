#include "cli/journal_commands.h"

#include <algorithm>
#include <ctime>
#include <ostream>

#include "core/apply/undo.h"
#include "core/journal/journal.h"
#include "core/text/encoding.h"

namespace sonavex::cli {
namespace {

// The journal, or nullptr after the reason was reported.
std::unique_ptr<Journal> OpenOrReport(const Invocation& inv) {
  std::error_code ec;
  auto journal = Journal::Open(inv.journalPath, std::time(nullptr), ec);
  if (ec) {
    inv.context.reporter->Report(
        MessageKind::Error, DecodeUtf8("Das Journal " + inv.journalPath +
                                       " lässt sich nicht öffnen: " + ec.message()));
    return nullptr;
  }
  return journal;
}

void ReportJournalFailure(const Invocation& inv, std::error_code ec) {
  inv.context.reporter->Report(
      MessageKind::Error,
      DecodeUtf8("Das Journal " + inv.journalPath + " lässt sich nicht lesen: " + ec.message()));
}

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
  if (batch.undoneBy != 0) line += "\trückgängig gemacht";
  return line + '\n';
}

}  // namespace

std::string ListJournal(Invocation& inv, std::ostream& out) {
  const std::unique_ptr<Journal> journal = OpenOrReport(inv);
  if (!journal) return {};
  std::error_code ec;
  const std::vector<BatchSummary> batches = journal->ListBatches(ec);
  if (ec) ReportJournalFailure(inv, ec);
  for (const BatchSummary& batch : batches) out << SummaryLine(batch);
  return {};
}

}  // namespace sonavex::cli
