#pragma once
// "Verlauf": the journal's batches, newest first, with the time, the
// operation, the number of files changed and whether the batch was taken
// back;
// "Rückgängig machen" takes back the selected one.
#include <QDialog>
#include <cstdint>
#include <functional>
#include <vector>

#include "core/journal/journal.h"

class QPushButton;
class QTableWidget;

namespace sonavex {

class HistoryDialog : public QDialog {
  Q_OBJECT
 public:
  using ListBatches = std::function<std::vector<BatchSummary>()>;
  using UndoBatch = std::function<void(std::int64_t batch)>;
  // How many files a batch changed (a grid edit writes one many times).
  using FilesOf = std::function<int(std::int64_t batch)>;
  HistoryDialog(ListBatches list, UndoBatch undo, FilesOf files, QWidget* parent = nullptr);

  QTableWidget* batches() const { return batches_; }
  QPushButton* undoButton() const { return undo_; }
  // Reads the list again from the journal.
  void reload();
  void onUndoClicked();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void updateButton();

  ListBatches list_;
  UndoBatch undoBatch_;
  FilesOf filesOf_;
  std::vector<BatchSummary> shown_;  // the batch of each row
  QTableWidget* batches_;
  QPushButton* undo_;
};

}  // namespace sonavex
