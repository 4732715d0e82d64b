#pragma once
// "Vorschau": what a batch is about to do, one row per step of its plan,
// before anything is touched. "Ausführen" applies the plan as shown,
// "Abbrechen" leaves every file as it is.
#include <QAbstractTableModel>
#include <QDialog>
#include <QString>
#include <vector>

#include "core/batch/plan.h"

class QLabel;
class QPushButton;
class QTableView;

namespace sonavex {

// The texts of one row: the action, the file as it is named when the step
// runs (relative to the batch's directory), the old and new value, and the
// message the step is marked with (a refusal, a foreseen failure, or that
// it cannot be taken back); empty when nothing is to be said.
struct PreviewRow {
  QString action;
  QString file;
  QString before;
  QString after;
  QString note;
};

enum PreviewColumn { kActionColumn, kFileColumn, kBeforeColumn, kAfterColumn,
                     kNoteColumn, kPreviewColumnCount };

std::vector<PreviewRow> PreviewRows(const Plan& plan);
// The line under the rows, e.g.
// "Umbenennen: 3 · ID3-Tags: 0 · Inhalte: 0 · Abgelehnt: 1 · Fehler erwartet: 1".
QString PreviewCountsText(const PlanCounts& counts);

class PreviewModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  PreviewModel(std::vector<PreviewRow> rows, QObject* parent = nullptr);
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role) const override;

 private:
  std::vector<PreviewRow> rows_;
};

class PreviewDialog : public QDialog {
  Q_OBJECT
 public:
  explicit PreviewDialog(const Plan& plan, QWidget* parent = nullptr);

  QTableView* rows() const { return rows_; }
  QLabel* counts() const { return counts_; }
  QPushButton* runButton() const { return run_; }
  QPushButton* cancelButton() const { return cancel_; }

 private:
  QTableView* rows_;
  QLabel* counts_;
  QPushButton* run_;
  QPushButton* cancel_;
};

// Shows the preview of `plan` over `parent` and waits for the answer: true
// for "Ausführen".
bool ConfirmPlanInPreview(const Plan& plan, QWidget* parent);

}  // namespace sonavex
