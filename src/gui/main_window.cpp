#include "gui/main_window.h"

#include <QAction>
#include <QComboBox>
#include <QDesktopServices>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "core/fs/fs.h"
#include "core/fs/volumes.h"
#include "gui/main_menu.h"
#include "gui/qt_text.h"

namespace sonavex {
namespace {

constexpr int kFileListPage = 0;
constexpr int kInfoPage = 1;
constexpr int kNameRole = Qt::UserRole;

QFrame* Panel(const char* name, bool bevel, QWidget* parent) {
  auto* panel = new QFrame(parent);
  panel->setObjectName(QString::fromLatin1(name));
  if (bevel) panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
  return panel;
}

QFont WindowFont() {
  QFont font;
  font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
  font.setPointSize(8);
  return font;
}

struct InfoColumn {
  const char* caption;
  int width;
};
constexpr InfoColumn kInfoColumns[] = {
    {"Name", 250},    {"Titel", 160},      {"Interpret", 160},
    {"Album", 160},   {"MPEG", 35},        {"Layer", 30},
    {"Bitrate", 52},  {"Samp.Freq.", 58},  {"Mode", 70},
    {"Dauer", 40},    {"Größe in Byte", 70}, {"Datum/Zeit", 77}};

}  // namespace

MainWindow::MainWindow(std::string settingsPath, Reporter& reporter,
                       QWidget* parent)
    : QMainWindow(parent), settings_(std::move(settingsPath)),
      reporter_(reporter), volumes_(ListVolumes()) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("MP3 Sonavex"));
  setFont(WindowFont());
  setMinimumSize(300, 300);
  menu_ = new MainMenu(menuBar(), this);
  buildLayout();
  connectMenu();
  connectDialogCommands();
  fillVolumeSelector();
  loadSettings();
  buildInfoGridHeader();
  RefreshView();
}

MainWindow::~MainWindow() = default;

void MainWindow::buildLayout() {
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
  treeLayout->addWidget(directoryTree_);
  layout->addWidget(treePanel, 1);
  connect(driveSelector_, &QComboBox::currentIndexChanged, this,
          [this] { onDriveChanged(); });
  connect(maskField_, &QLineEdit::textChanged, this,
          [this](const QString& text) { onMaskChanged(text); });
  connect(directoryTree_, &QTreeWidget::itemClicked, this,
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
  infoGrid_ = new QTableWidget(1, 12, pages_);
  infoGrid_->setObjectName(QStringLiteral("StringGrid1"));
  infoGrid_->verticalHeader()->setDefaultSectionSize(17);
  infoGrid_->setContextMenuPolicy(Qt::CustomContextMenu);
  auto* infoPage = new QWidget(pages_);
  infoPage->setObjectName(QStringLiteral("Zusatzinfos"));
  auto* infoLayout = new QVBoxLayout(infoPage);
  infoLayout->setContentsMargins(0, 0, 0, 0);
  infoLayout->addWidget(infoGrid_);
  pages_->addTab(infoPage, QStringLiteral("Zusatzinfos"));
  layout->addWidget(pages_);
  connect(pages_, &QTabWidget::currentChanged, this, [this] { onPageChanged(); });
  return right;
}

QWidget* MainWindow::buildFileListPage() {
  auto* page = new QWidget(this);
  page->setObjectName(QStringLiteral("Dateiliste"));
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  fileList_ = new QListWidget(page);
  fileList_->setObjectName(QStringLiteral("FileListBox1"));
  fileList_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  fileList_->setContextMenuPolicy(Qt::CustomContextMenu);
  auto* status = new QStatusBar(page);
  status->setObjectName(QStringLiteral("StatusBar1"));
  status->setSizeGripEnabled(false);
  status->setFixedHeight(19);
  const int widths[] = {28, 60, 0};
  for (int i = 0; i < 3; ++i) {
    panels_[i] = new QLabel(status);
    panels_[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    if (widths[i] > 0) panels_[i]->setFixedWidth(widths[i]);
    status->addWidget(panels_[i], widths[i] > 0 ? 0 : 1);
  }
  layout->addWidget(fileList_, 1);
  layout->addWidget(status);
  connect(fileList_, &QListWidget::itemSelectionChanged, this,
          [this] { onFileListClicked(); });
  connect(fileList_, &QListWidget::itemDoubleClicked, this,
          [this] { onFileListDoubleClicked(); });
  connect(fileList_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) {
            menu_->popupMenu1->popup(fileList_->viewport()->mapToGlobal(at));
          });
  return page;
}

void MainWindow::buildInfoGridHeader() {
  QStringList captions;
  for (int column = 0; column < 12; ++column) {
    captions << QString::fromUtf8(kInfoColumns[column].caption);
    infoGrid_->setColumnWidth(column, kInfoColumns[column].width);
  }
  infoGrid_->setHorizontalHeaderLabels(captions);
  connect(infoGrid_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) {
            menu_->popupMenu2->popup(infoGrid_->viewport()->mapToGlobal(at));
          });
}

void MainWindow::connectMenu() {
  MainMenu& m = *menu_;
  connect(m.beenden, &QAction::triggered, this, &QWidget::close);
  connect(m.alle, &QAction::triggered, this, &MainWindow::MarkAll);
  connect(m.keine, &QAction::triggered, this, &MainWindow::MarkNone);
  connect(m.umkehr, &QAction::triggered, this, &MainWindow::InvertMarks);
  connect(m.ssStreichen, &QAction::triggered, this, [this] { runSelection('S'); });
  connect(m.grossbuchstaben, &QAction::triggered, this, [this] { runSelection('G'); });
  connect(m.kleinbuchstaben, &QAction::triggered, this, [this] { runSelection('K'); });
  connect(m.umbenennen, &QAction::triggered, this, [this] { onRenameCommand(); });
  connect(m.unterverzeichnisse, &QAction::toggled, this, &MainWindow::RefreshView);
  connect(m.zeichenErsetzen, &QAction::triggered, this, [this] {
    // Qt flips the mark on a click; it belongs to the replacement switch.
    menu_->zeichenErsetzen->setChecked(replacementActive_);
    ShowCentred(dialogs_.zeichenErsetzen);
  });
}

void MainWindow::connectDialogCommands() {
  const std::pair<QAction*, QWidget* DialogSet::*> commands[] = {
      {menu_->exportieren, &DialogSet::exportieren},
      {menu_->tauschen, &DialogSet::tauschen},
      {menu_->loeschen, &DialogSet::anfangEndeLoeschen},
      {menu_->einfuegen, &DialogSet::anfangEndeEinfuegen},
      {menu_->dateiname, &DialogSet::suchenName},
      {menu_->dateityp, &DialogSet::suchenTyp},
      {menu_->text, &DialogSet::textErsetzen},
      {menu_->id3AusName, &DialogSet::tagEinlesen},
      {menu_->nameAusId3, &DialogSet::nameAusTag},
      {menu_->ueber, &DialogSet::ueber},
      {menu_->tagSuchenErsetzen, &DialogSet::tagSuchenErsetzen},
      {menu_->tagAnfangEnde, &DialogSet::tagAnfangEnde},
  };
  for (const auto& [action, dialog] : commands) {
    connect(action, &QAction::triggered, this,
            [this, dialog = dialog] { ShowCentred(dialogs_.*dialog); });
  }
}

int MainWindow::entryCount() const { return fileList_->count(); }

std::string MainWindow::entryName(int index) const {
  return fileList_->item(index)->data(kNameRole).toByteArray().toStdString();
}

QString MainWindow::entryText(int index) const {
  return fileList_->item(index)->text();
}

bool MainWindow::isMarked(int index) const {
  return fileList_->item(index)->isSelected();
}

void MainWindow::setMarked(int index, bool marked) {
  fileList_->item(index)->setSelected(marked);
}

int MainWindow::SelectedCount() const {
  return static_cast<int>(fileList_->selectedItems().size());
}

std::vector<std::string> MainWindow::markedNames() const {
  std::vector<std::string> names;
  for (int i = 0; i < entryCount(); ++i) {
    if (isMarked(i)) names.push_back(entryName(i));
  }
  return names;
}

std::u32string MainWindow::mask() const { return ToU32(maskField_->text()); }

bool MainWindow::recursive() const {
  return menu_->unterverzeichnisse->isChecked();
}

QString MainWindow::statusPanelText(int panel) const {
  return panels_[panel]->text();
}

void MainWindow::RefreshView() {
  QString flags;
  if (recursive()) flags += QLatin1Char('D');
  if (menu_->zeichenErsetzen->isChecked()) flags += QLatin1Char('Z');
  panels_[0]->setText(flags);
  panels_[1]->setText(QStringLiteral("%1 : %2").arg(entryCount()).arg(SelectedCount()));
  panels_[2]->clear();
  UpdateMenus();
}

void MainWindow::UpdateMenus() {
  MenuState state;
  state.fileListPageActive = pages_->currentIndex() == kFileListPage;
  state.listHasEntries = entryCount() > 0;
  state.recursive = recursive();
  state.selectedCount = SelectedCount();
  menu_->applyEnabling(state);
}

namespace {
// Marks go from the last entry to the first; the list reports one change.
template <typename Rule>
void SetMarks(QListWidget* list, Rule rule) {
  const QSignalBlocker blocker(list);
  for (int i = list->count() - 1; i >= 0; --i) {
    QListWidgetItem* item = list->item(i);
    item->setSelected(rule(item->isSelected()));
  }
  list->viewport()->update();
}
}  // namespace

void MainWindow::MarkAll() {
  SetMarks(fileList_, [](bool) { return true; });
  RefreshView();
}

void MainWindow::MarkNone() {
  SetMarks(fileList_, [](bool) { return false; });
  RefreshView();
}

void MainWindow::InvertMarks() {
  SetMarks(fileList_, [](bool marked) { return !marked; });
  RefreshView();
}

void MainWindow::ShowCentred(QWidget* dialog) {
  if (dialog == nullptr) return;
  if (!dialog->testAttribute(Qt::WA_Resized)) dialog->adjustSize();
  const QRect outer = frameGeometry();
  const QSize size = dialog->frameGeometry().size();
  dialog->move(outer.x() + outer.width() / 2 - size.width() / 2,
               outer.y() + outer.height() / 2 - size.height() / 2);
  dialog->show();
  dialog->raise();
  dialog->activateWindow();
}

void MainWindow::FillInfoGrid() {
  if (pages_->currentIndex() == kInfoPage && entryCount() > 0) {
    if (gridFiller_) gridFiller_();
    return;
  }
  // Going back to the file list is not a page change by the user.
  const QSignalBlocker blocker(pages_);
  pages_->setCurrentIndex(kFileListPage);
  RefreshView();
}

BatchContext MainWindow::batchContext() {
  BatchContext context;
  context.mask = mask();
  context.recursive = recursive();
  context.table = replacementTable_;
  context.replacementActive = replacementActive_;
  context.reporter = &reporter_;
  // The window is blocked during a walk; repaint so the user sees where it is.
  context.onDirectoryEntered = [this](const std::string& directory) {
    panels_[2]->setText(PathToQString(directory));
    panels_[2]->repaint();
  };
  return context;
}

void MainWindow::runSelection(OperationCode code) {
  RunSelection(code, directory_, markedNames(), batchContext());
  reloadFileList();
  RefreshView();
}

void MainWindow::setReplacementActive(bool active) {
  replacementActive_ = active;
  menu_->zeichenErsetzen->setChecked(active);
}

void MainWindow::onFileListClicked() {
  RefreshView();
  showStatusSummary();
}

void MainWindow::showStatusSummary() {
  if (!fileSummary_ || SelectedCount() != 1) return;
  const std::vector<std::string> marked = markedNames();
  panels_[2]->setText(ToQString(fileSummary_(JoinPath(directory_, marked.front()))));
}

void MainWindow::onFileListDoubleClicked() {
  const int row = fileList_->currentRow();
  if (row < 0) return;
  const std::string path = JoinPath(directory_, entryName(row));
  QDesktopServices::openUrl(QUrl::fromLocalFile(
      QFile::decodeName(QByteArray::fromStdString(path))));
}

void MainWindow::onPageChanged() {
  FillInfoGrid();
  UpdateMenus();
}

void MainWindow::onRenameCommand() {
  if (SelectedCount() > 0) ShowCentred(dialogs_.umbenennen);
}

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  // The window opens with the input focus on "Beenden".
  if (!event->spontaneous() && !shownOnce_) {
    shownOnce_ = true;
    quitButton_->setFocus();
  }
}

void MainWindow::closeEvent(QCloseEvent* event) {
  saveSettings();
  QMainWindow::closeEvent(event);
}

}  // namespace sonavex
