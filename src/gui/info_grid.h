#pragma once
// The page "Zusatzinfos": the grid "StringGrid1" filled from the file list,
// its fixed name column, the cells that may be edited and the tag write of
// every keystroke in them.
#include <QObject>
#include <QString>
#include <memory>
#include <string>
#include <utility>
#include <system_error>

#include "gui/info_grid_model.h"

class QTableView;

namespace sonavex {

class MainWindow;
class StepSession;
struct Plan;
class ProgressWindow;

class InfoGrid : public QObject {
  Q_OBJECT
 public:
  // Becomes the window's grid filler; lives as long as the window.
  InfoGrid(MainWindow& window, ProgressWindow& progress);
  ~InfoGrid() override;

  // Rebuilds every row from the file list; the window calls it only while
  // the page is shown and the list has entries.
  void Fill();

 private:
  void buildFixedColumn();
  void followGrid();
  void placeFixedColumn();
  bool eventFilter(QObject* watched, QEvent* event) override;
  void setUpGrid();
  void clearRows();
  struct FillState;
  void queueReads(FillState& state, int count);
  std::error_code fillRow(int row, FillState& state);
  void fitColumns(const FillState& state);
  void showTagAgreement(const FillState& state);
  void onCellEdited(int row, int column, const QString& text);
  bool writeInEdit(int row, int column, const Plan& plan);
  void showFileTag(int row, GridColumn column);
  void endEdit();

  MainWindow& window_;
  ProgressWindow& progress_;
  QTableView* grid_;
  InfoGridModel* model_;
  QTableView* fixedColumn_ = nullptr;
  // The directory of the last filling: edits go to the files listed then.
  std::string directory_;
  // The journal batch of the cell being edited, from its first keystroke
  // until its editor closes.
  std::unique_ptr<StepSession> edit_;
  std::pair<int, int> editedCell_;
};

}  // namespace sonavex
