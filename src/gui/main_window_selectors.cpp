// Drive selector, directory tree and mask field: the three controls that
// decide which files the list shows.
#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QTreeWidget>
#include <algorithm>

#include "core/fs/fs.h"
#include "core/fs/volumes.h"
#include "core/text/encoding.h"
#include "gui/file_list_model.h"
#include "gui/main_window.h"
#include "gui/qt_text.h"

namespace sonavex {
namespace {

constexpr int kPathRole = Qt::UserRole;

QByteArray Bytes(const std::string& text) { return QByteArray::fromStdString(text); }

std::string WithoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

QTreeWidgetItem* AddDirectoryItem(QTreeWidgetItem* parent, const QString& text,
                                  const std::string& path, const QIcon& icon) {
  auto* item = new QTreeWidgetItem(parent, {text});
  item->setData(0, kPathRole, Bytes(path));
  item->setIcon(0, icon);
  return item;
}

}  // namespace

void MainWindow::fillVolumeSelector() {
  const QSignalBlocker blocker(driveSelector_);
  for (const std::string& volume : storage_.volumes) {
    driveSelector_->addItem(PathToQString(volume), Bytes(volume));
  }
  driveSelector_->setCurrentIndex(-1);
}

std::string MainWindow::selectedDrive() const {
  return driveSelector_->currentData().toByteArray().toStdString();
}

void MainWindow::selectDrive(const std::string& mountPath) {
  const int index = driveSelector_->findData(Bytes(WithoutTrailingSlash(mountPath)));
  if (index < 0) {
    // A volume that is not mounted (a stick that was pulled) is a drive
    // without its medium.
    reporter_.Report(MessageKind::Warning,
                     U"Laufwerk " + DecodeUtf8(mountPath) + U": ist nicht bereit!");
    return;
  }
  driveSelector_->setCurrentIndex(index);
}

void MainWindow::onDriveChanged() {
  const std::string drive = selectedDrive();
  if (drive.empty()) return;
  if (const std::error_code ec = enterDirectory(drives_.DirectoryFor(drive))) {
    if (!IsNotReady(ec)) return;
    reporter_.Report(MessageKind::Warning,
                     U"Laufwerk " + DecodeUtf8(drive) + U": ist nicht bereit!");
    if (const std::string fallback = drives_.FallbackFor(drive); !fallback.empty()) {
      selectDrive(fallback);
    }
    return;
  }
  FillInfoGrid();
  RefreshView();
  drives_.Reached(drive);
}

bool MainWindow::changeDirectory(const std::string& directory) {
  if (const std::error_code ec = enterDirectory(directory)) {
    reportDirectoryFailure(directory, ec);
    return false;
  }
  FillInfoGrid();
  RefreshView();
  // A directory on another volume has moved the drive selector along: that
  // drive change has succeeded as well.
  if (!selectedDrive().empty()) drives_.Reached(selectedDrive());
  return true;
}

void MainWindow::reportDirectoryFailure(const std::string& directory,
                                        std::error_code ec) {
  reporter_.Report(MessageKind::Error,
                   U"Verzeichnis " + DecodeUtf8(directory) +
                       U" kann nicht gelesen werden:" + std::u32string(kBreak) +
                       DecodeUtf8(ec.message()));
}

// Lists first and changes nothing unless the listing succeeds.
std::error_code MainWindow::enterDirectory(const std::string& requested) {
  const std::string directory = WithoutTrailingSlash(requested);
  std::error_code ec;
  const DirectoryListing listing = storage_.listDirectory(directory, listedMask_, ec);
  if (ec) return ec;
  directory_ = directory;
  // The drive is the volume the directory lies on, also when a link led
  // there from another volume.
  const std::string drive = VolumeHolding(directory_, storage_.volumes);
  drives_.Entered(drive, directory_);
  fillFileList(listing.files);
  showDirectoryTree(listing.subdirectories);
  syncDriveSelector(drive);
  return {};
}

// A directory on another volume moves the selector along, without running
// the drive change rule a second time.
void MainWindow::syncDriveSelector(const std::string& drive) {
  const int index = driveSelector_->findData(Bytes(drive));
  const QSignalBlocker blocker(driveSelector_);
  driveSelector_->setCurrentIndex(index);
}

// The path from the volume's root down to the shown directory, and the
// shown directory's subdirectories below it.
void MainWindow::showDirectoryTree(const std::vector<Subdirectory>& subdirectories) {
  const QSignalBlocker blocker(directoryTree_);
  directoryTree_->clear();
  const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
  const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
  const std::string volume = VolumeOf(directory_, storage_.volumes);
  auto* current = new QTreeWidgetItem(directoryTree_, {PathToQString(volume)});
  current->setData(0, kPathRole, Bytes(volume));
  current->setIcon(0, open);
  std::string path = volume;
  std::size_t start = volume.size();
  while (start < directory_.size()) {
    if (directory_[start] == '/') ++start;
    const std::size_t end = std::min(directory_.find('/', start), directory_.size());
    if (end == start) continue;
    path = JoinPath(path, directory_.substr(start, end - start));
    current = AddDirectoryItem(current, PathToQString(directory_.substr(start, end - start)),
                               path, open);
    start = end;
  }
  // Links to directories are entered like directories; a music folder may
  // well be reached through one.
  const QIcon link = style()->standardIcon(QStyle::SP_DirLinkIcon);
  for (const Subdirectory& sub : subdirectories) {
    AddDirectoryItem(current, PathToQString(sub.name), JoinPath(directory_, sub.name),
                     sub.isLink ? link : closed);
  }
  directoryTree_->expandAll();
  directoryTree_->setCurrentItem(current);
  directoryTree_->scrollToItem(current);
}

void MainWindow::onDirectoryItemClicked(QTreeWidgetItem* item) {
  // A click that has redrawn the tree leaves later signals of the same
  // mouse action without an item.
  if (item == nullptr) return;
  const std::string path = item->data(0, kPathRole).toByteArray().toStdString();
  if (path != directory_) changeDirectory(path);
}

void MainWindow::onMaskChanged(const QString& text) {
  const std::u32string newMask = ToU32(text);
  if (newMask != listedMask_) {
    listedMask_ = newMask;
    reloadFileList();
  }
  FillInfoGrid();
  RefreshView();
}

void MainWindow::reloadFileList() {
  if (directory_.empty()) return;
  std::error_code ec;
  std::vector<std::string> names = ListFiles(directory_, listedMask_, ec);
  // A directory that vanished under the list shows nothing rather than
  // names that no longer exist.
  if (ec) names.clear();
  refillKeepingPlace(std::move(names));
}

void MainWindow::fillFileList(std::vector<std::string> names) {
  const QScopedValueRollback quiet(marksQuiet_, true);
  entries_->setNames(std::move(names));
}

// A command that re-reads the list leaves the user where they were: the
// same entry current (the same row when it is gone) and the same rows in
// sight.
void MainWindow::refillKeepingPlace(std::vector<std::string> names) {
  const int currentRow = fileList_->currentIndex().row();
  const std::string current = currentRow >= 0 ? entryName(currentRow) : std::string();
  const int scrolled = fileList_->verticalScrollBar()->value();
  const auto found = std::find(names.begin(), names.end(), current);
  int row = found != names.end() ? static_cast<int>(found - names.begin()) : currentRow;
  row = std::min(row, static_cast<int>(names.size()) - 1);
  fillFileList(std::move(names));
  if (currentRow < 0 || row < 0) return;
  const QScopedValueRollback quiet(marksQuiet_, true);
  fileList_->selectionModel()->setCurrentIndex(entries_->index(row),
                                               QItemSelectionModel::NoUpdate);
  // The scroll range follows the new rows only once they are laid out.
  fileList_->doItemsLayout();
  fileList_->verticalScrollBar()->setValue(scrolled);
}

void MainWindow::renameEntry(const std::string& oldName, const std::string& newName) {
  const std::vector<std::string>& names = entries_->names();
  const auto found = std::find(names.begin(), names.end(), oldName);
  if (found != names.end()) entries_->rename(static_cast<int>(found - names.begin()), newName);
}

}  // namespace sonavex
