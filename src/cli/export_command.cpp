#include "cli/export_command.h"

#include <cstdint>
#include <memory>
#include <ostream>

#include "core/apply/export_step.h"
#include "core/batch/planner.h"
#include "core/settings/ini_file.h"
#include "core/settings/program_options.h"
#include "core/text/encoding.h"

namespace sonavex::cli {
namespace {

// The column a word of --columns names: its number or its caption; -1 for
// none.
int ColumnIndex(const std::string& word) {
  long number = 0;
  if (ParseNumber(word, number)) {
    return number >= 1 && number <= static_cast<long>(kExportColumnCount)
               ? static_cast<int>(number - 1)
               : -1;
  }
  for (std::size_t i = 0; i < kExportColumnCount; ++i) {
    if (DecodeUtf8(word) == ExportColumnCaption(i)) return static_cast<int>(i);
  }
  return -1;
}

std::string ReadColumns(const std::string& list, ExportParams& params) {
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = list.find(',', start);
    const std::string word = list.substr(start, comma - start);
    const int index = ColumnIndex(word);
    if (index < 0) return "Unbekannte Spalte \"" + word + "\"";
    params.columns[static_cast<std::size_t>(index)] = true;
    if (comma == std::string::npos) return {};
    start = comma + 1;
  }
}

// --dry-run: the files that would get their empty tag, one line each as
// the other commands show a change; no tag is written and no list either.
void PrintExportPlan(Invocation& inv, const ExportParams& params, std::ostream& out) {
  const TInfo::TagAppender show = [&out](const std::string& path, std::int64_t) {
    out << path << "\tTag angehängt\n";
    return true;
  };
  BuildExport(inv.directory, inv.marks, inv.context, params, &show);
}

}  // namespace

std::string ReadExportOptions(const Invocation& inv, ExportParams& params) {
  if (!inv.columns) return "P braucht --columns";
  if (std::string problem = ReadColumns(*inv.columns, params); !problem.empty()) {
    return problem;
  }
  if (inv.separator == "tab") params.separator = '\t';
  else if (inv.separator == "semicolon") params.separator = ';';
  else return "--separator nimmt tab oder semicolon";
  return {};
}

std::string ExportList(Invocation& inv, std::ostream& out) {
  ExportParams params;
  if (std::string problem = ReadExportOptions(inv, params); !problem.empty()) {
    return problem;
  }
  if (inv.dryRun) {
    PrintExportPlan(inv, params, out);
    return {};
  }
  const std::unique_ptr<Session> session = MakeSession(inv);
  (void)session->OpenJournal();
  ExecutorContext executor = session->executorContext();
  executor.standardOut = &out;
  // The window's "ID3Tag beim Lesen anlegen": off, the list reads without
  // writing.
  executor.tagOnRead = LoadTagOnReadOption(IniFile(inv.settingsPath));
  ApplyPlan(PlanExport(inv.arguments[0], inv.directory, inv.marks, inv.context, params),
            executor);
  return {};
}

}  // namespace sonavex::cli
