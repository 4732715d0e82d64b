// The fixed layout of the main window: top bar, left column with drive,
// mask and directory tree, the two pages, and the bottom bar.
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/full_name_tips.h"
#include "gui/file_list_model.h"
#include "gui/info_grid.h"
#include "gui/main_menu.h"
#include "gui/main_window.h"
#include "gui/program_font.h"

namespace sonavex {
namespace {

QFrame* Panel(const char* name, bool bevel, QWidget* parent) {
  auto* panel = new QFrame(parent);
  panel->setObjectName(QString::fromLatin1(name));
  if (bevel) panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
  return panel;
}

// A status panel at least `least` wide and wide enough for `widest`, the
// longest text it shows.
int PanelWidth(const QLabel* panel, int least, const QString& widest) {
  const QFontMetrics metrics(panel->font());
  // QLabel indents a framed text by half an "x" on each side.
  const int text = metrics.horizontalAdvance(widest) + metrics.horizontalAdvance(QLatin1Char('x'));
  return std::max(least, text + 2 * panel->frameWidth() + 2);
}

// Drops the mouse events of a view's viewport that `eats` picks.
class MouseEventFilter : public QObject {
 public:
  using Rule = bool (*)(const QMouseEvent& event);
  MouseEventFilter(QObject* parent, Rule eats) : QObject(parent), eats_(eats) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
        if (eats_(*static_cast<QMouseEvent*>(event))) return true;
        break;
      default:
        break;
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  Rule eats_;
};

// A right click opens the context menu over the marks as they are: the
// item views would otherwise mark the entry under the mouse alone, and the
// command would then run on that one file.
bool IsRightButton(const QMouseEvent& event) {
  return event.button() == Qt::RightButton;
}

// The first click of a double click has entered the directory and redrawn
// the tree; the second would enter whatever lies under the mouse now.
bool IsDoubleClick(const QMouseEvent& event) {
  return event.type() == QEvent::MouseButtonDblClick;
}

}  // namespace

void MainWindow::buildLayout() {
  setFont(ProgramFont());
  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(buildTopBar());
  QFrame* body = Panel("Panel2", false, central);
  auto* bodyLayout = new QVBoxLayout(body);
  bodyLayout->setContentsMargins(0, 0, 0, 0);
  bodyLayout->setSpacing(0);
  auto* middle = new QHBoxLayout;
  middle->setSpacing(0);
  middle->addWidget(buildLeftColumn());
  middle->addWidget(buildPages(), 1);
  bodyLayout->addLayout(middle, 1);
  bodyLayout->addWidget(buildBottomBar());
  layout->addWidget(body, 1);
  setCentralWidget(central);
}

QWidget* MainWindow::buildTopBar() {
  QFrame* bar = Panel("Panel1", true, this);
  bar->setFixedHeight(20);
  bar->setAutoFillBackground(true);
  QPalette palette = bar->palette();
  palette.setColor(QPalette::Window, Qt::cyan);
  bar->setPalette(palette);
  auto* layout = new QHBoxLayout(bar);
  layout->setContentsMargins(1, 0, 1, 0);
  auto* version = new QLabel(QStringLiteral("  Version 2.3"), bar);
  version->setObjectName(QStringLiteral("Label2"));
  QFont bold = font();
  bold.setBold(true);
  version->setFont(bold);
  version->setFixedWidth(201);
  auto* remark = new QLabel(QStringLiteral("für Linux"), bar);
  remark->setObjectName(QStringLiteral("Label1"));
  remark->setFixedWidth(82);
  remark->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  layout->addWidget(version);
  layout->addStretch(1);
  layout->addWidget(remark);
  return bar;
}

QWidget* MainWindow::buildLeftColumn() {
  QFrame* column = Panel("Panel5", true, this);
  column->setFixedWidth(140);
  auto* layout = new QVBoxLayout(column);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  QFrame* top = Panel("Panel7", false, column);
  top->setFixedHeight(58);
  driveSelector_ = new QComboBox(top);
  driveSelector_->setObjectName(QStringLiteral("DriveComboBox1"));
  driveSelector_->setGeometry(5, 5, 130, 21);
  maskField_ = new QLineEdit(QStringLiteral("Dateifilter"), top);
  maskField_->setObjectName(QStringLiteral("Edit1"));
  maskField_->setGeometry(5, 30, 130, 21);
  layout->addWidget(top);
  QFrame* treePanel = Panel("Panel8", false, column);
  auto* treeLayout = new QVBoxLayout(treePanel);
  treeLayout->setContentsMargins(0, 0, 0, 0);
  directoryTree_ = new QTreeWidget(treePanel);
  directoryTree_->setObjectName(QStringLiteral("DirectoryListBox1"));
  directoryTree_->setHeaderHidden(true);
  directoryTree_->setIndentation(8);
  directoryTree_->setItemDelegate(new FullNameTips(directoryTree_));
  directoryTree_->viewport()->installEventFilter(
      new MouseEventFilter(directoryTree_, IsDoubleClick));
  treeLayout->addWidget(directoryTree_);
  layout->addWidget(treePanel, 1);
  connect(driveSelector_, &QComboBox::currentIndexChanged, this,
          [this] { onDriveChanged(); });
  connect(maskField_, &QLineEdit::textChanged, this,
          [this](const QString& text) { onMaskChanged(text); });
  connect(directoryTree_, &QTreeWidget::itemClicked, this,
          [this](QTreeWidgetItem* item) { onDirectoryItemClicked(item); });
  // Enter on the current item, for the keyboard.
  connect(directoryTree_, &QTreeWidget::itemActivated, this,
          [this](QTreeWidgetItem* item) { onDirectoryItemClicked(item); });
  return column;
}

QWidget* MainWindow::buildBottomBar() {
  QFrame* bar = Panel("Panel3", true, this);
  bar->setFixedHeight(35);
  auto* layout = new QHBoxLayout(bar);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addStretch(1);
  QFrame* holder = Panel("Panel4", false, bar);
  holder->setFixedSize(85, 35);
  auto* quit = new QPushButton(QStringLiteral("Beenden"), holder);
  quit->setObjectName(QStringLiteral("Button1"));
  quit->setGeometry(5, 5, 75, 24);
  connect(quit, &QPushButton::clicked, this, &QWidget::close);
  layout->addWidget(holder);
  quitButton_ = quit;
  return bar;
}

QWidget* MainWindow::buildPages() {
  QFrame* right = Panel("Panel6", false, this);
  auto* layout = new QVBoxLayout(right);
  layout->setContentsMargins(0, 0, 0, 0);
  pages_ = new QTabWidget(right);
  pages_->setObjectName(QStringLiteral("PageControl1"));
  pages_->addTab(buildFileListPage(), QStringLiteral("Dateiliste"));
  pages_->addTab(buildInfoPage(), QStringLiteral("Zusatzinfos"));
  layout->addWidget(pages_);
  connect(pages_, &QTabWidget::currentChanged, this, [this] { onPageChanged(); });
  return right;
}

// The grid, and below it a line that tells what the last filling found
// (how many files' two tags disagree).
QWidget* MainWindow::buildInfoPage() {
  auto* infoPage = new QWidget(pages_);
  infoPage->setObjectName(QStringLiteral("Zusatzinfos"));
  infoGrid_ = new QTableView(infoPage);
  infoGrid_->setObjectName(QStringLiteral("StringGrid1"));
  infoGrid_->setContextMenuPolicy(Qt::CustomContextMenu);
  auto* status = new QStatusBar(infoPage);
  status->setObjectName(QStringLiteral("StatusBar2"));
  status->setSizeGripEnabled(false);
  status->setFixedHeight(19);
  gridStatus_ = new QLabel(status);
  gridStatus_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  status->addWidget(gridStatus_, 1);
  auto* infoLayout = new QVBoxLayout(infoPage);
  infoLayout->setContentsMargins(0, 0, 0, 0);
  infoLayout->setSpacing(0);
  infoLayout->addWidget(infoGrid_, 1);
  infoLayout->addWidget(status);
  return infoPage;
}

QWidget* MainWindow::buildFileListPage() {
  auto* page = new QWidget(this);
  page->setObjectName(QStringLiteral("Dateiliste"));
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  fileList_ = new QListView(page);
  fileList_->setObjectName(QStringLiteral("FileListBox1"));
  entries_ = new FileListModel(fileList_);
  fileList_->setModel(entries_);
  // Every row is one line of the same height: the view need not measure
  // 100,000 of them.
  fileList_->setUniformItemSizes(true);
  fileList_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  fileList_->setContextMenuPolicy(Qt::CustomContextMenu);
  fileList_->viewport()->installEventFilter(new MouseEventFilter(fileList_, IsRightButton));
  auto* status = new QStatusBar(page);
  status->setObjectName(QStringLiteral("StatusBar1"));
  status->setSizeGripEnabled(false);
  status->setFixedHeight(19);
  const int widths[] = {28, 60, 0};
  const QString widest[] = {QStringLiteral("DZ"), QStringLiteral("100000 : 100000"), {}};
  for (int i = 0; i < 3; ++i) {
    panels_[i] = new QLabel(status);
    panels_[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    if (widths[i] > 0) panels_[i]->setFixedWidth(PanelWidth(panels_[i], widths[i], widest[i]));
    status->addWidget(panels_[i], widths[i] > 0 ? 0 : 1);
  }
  layout->addWidget(fileList_, 1);
  layout->addWidget(status);
  connect(fileList_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this] { onMarksChanged(); });
  connect(fileList_, &QListView::doubleClicked, this, [this] { onFileListDoubleClicked(); });
  connect(fileList_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) {
            menu_->popupMenu1->popup(fileList_->viewport()->mapToGlobal(at));
          });
  return page;
}

void MainWindow::buildInfoGridHeader() {
  connect(infoGrid_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) {
            menu_->popupMenu2->popup(infoGrid_->viewport()->mapToGlobal(at));
          });
}

}  // namespace sonavex
