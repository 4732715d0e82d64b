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

class QFontMetrics;
class QTableView;
class QTableWidget;

namespace sonavex {

class MainWindow;
class StepSession;
struct Plan;
class ProgressWindow;

struct InfoColumn {
  const char* caption;
  int width;           // initial width, and the width right alignment aims at
  bool rightAligned;
};

inline constexpr InfoColumn InfoColumns[] = {
    {"Name", 250, false},         {"Titel", 160, false},
    {"Interpret", 160, false},    {"Album", 160, false},
    {"MPEG", 35, true},           {"Layer", 30, true},
    {"Bitrate", 52, true},        {"Samp.Freq.", 58, true},
    {"Mode", 70, false},          {"Dauer", 40, true},
    {"Größe in Byte", 70, true},  {"Datum/Zeit", 77, false}};

// Columns 0 to 3 grow to their widest text; the others keep their width.
inline constexpr int kFittedColumns = 4;

// `text` with as many leading blanks as it takes to reach width - 6 pixels.
QString PadToColumnWidth(const QFontMetrics& metrics, const QString& text, int width);

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
  void clearRows();
  struct FillState;
  void queueReads(FillState& state, int count);
  std::error_code fillRow(int row, FillState& state);
  void onCellEdited(int row, int column, const QString& text);
  void writeInEdit(int row, int column, const Plan& plan);
  void endEdit();

  MainWindow& window_;
  ProgressWindow& progress_;
  QTableWidget* grid_;
  QTableView* fixedColumn_ = nullptr;
  // The directory of the last filling: edits go to the files listed then.
  std::string directory_;
  // The journal batch of the cell being edited, from its first keystroke
  // until its editor closes.
  std::unique_ptr<StepSession> edit_;
  std::pair<int, int> editedCell_;
};

}  // namespace sonavex
