#pragma once
// What a dialog needs from the window that starts its batches: the
// directory shown, the list with its marks, the batch context, the settings
// file and the way to run a batch. The main window is the one host; dialogs
// hold a BatchStarter& or BatchHost& and never see the window itself.
#include <functional>
#include <string>
#include <vector>

#include "core/apply/executor.h"
#include "core/batch/batch.h"
#include "core/batch/plan.h"
#include "core/batch/registry.h"
#include "core/ops/export.h"
#include "core/ops/replacement_table.h"
#include "core/report/reporter.h"
#include "core/settings/ini_file.h"

namespace sonavex {

// What a dialog that only starts an operation needs: the settings file for
// its choices, the reporter, the way to run the operation and to show its
// outcome. Tests hand such dialogs a double of it instead of the window.
class BatchStarter {
 public:
  virtual ~BatchStarter() = default;

  virtual Reporter& reporter() = 0;
  virtual const IniFile& settings() const = 0;

  // Runs `code` with `params` over the marks or the directory (tree): its
  // plan, shown first while the preview is on, is applied with the
  // journal; then the list is re-read and the view refreshed. False when
  // the user cancelled in the preview: nothing changed, the marks stay.
  virtual bool runSelection(Operation code,
                            const OperationParams& params = NoParams{}) = 0;
  virtual void RefreshView() = 0;
  // Refills the info grid while its page is shown (otherwise goes back to
  // the file list), after a batch that changed the tags.
  virtual void FillInfoGrid() = 0;
};

// The rest of the window, for the dialogs that work on the list itself
// (the rename dialog, the replacement table) and the export.
class BatchHost : public BatchStarter {
 public:
  virtual const std::string& currentDirectory() const = 0;

  // The file list: entries by index, their names as bytes, and their marks.
  virtual int entryCount() const = 0;
  virtual std::string entryName(int index) const = 0;
  virtual bool isMarked(int index) const = 0;
  // Unmarks or marks an entry without what a click in the list does.
  virtual void setMarkedQuietly(int index, bool marked) = 0;
  virtual std::vector<std::string> markedNames() const = 0;

  // The context a batch reads when it starts: mask, subdirectory option,
  // replacement table and switch, reporter, status bar callback.
  virtual BatchContext batchContext() = 0;
  // The replacement table comes from whoever edits it; without a source
  // the table is empty.
  virtual void setTableSource(std::function<ReplacementTable()> source) = 0;
  virtual bool replacementActive() const = 0;
  virtual void setReplacementActive(bool active) = 0;

  // Applies `plan` at once with the journal, as a change by hand does; the
  // list is not re-read.
  virtual ApplyResult applyPlan(const Plan& plan) = 0;
  // Writes the list of the marks or the directory (tree) to `target`,
  // shown first while the preview is on, then re-reads the list. False
  // when the list was not written (already reported) or the preview was
  // cancelled.
  virtual bool runExport(const std::string& target, const ExportParams& params) = 0;

  virtual void reloadFileList() = 0;
  // The entry named `oldName` is named `newName` now, in place with its
  // mark (a rename by hand); nothing when no entry has that name.
  virtual void renameEntry(const std::string& oldName, const std::string& newName) = 0;
};

}  // namespace sonavex
