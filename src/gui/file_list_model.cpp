#include "gui/file_list_model.h"

#include "gui/qt_text.h"

namespace sonavex {

int FileListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(names_.size());
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || role != Qt::DisplayRole) return {};
  return PathToQString(name(index.row()));
}

void FileListModel::setNames(std::vector<std::string> names) {
  beginResetModel();
  names_ = std::move(names);
  endResetModel();
}

void FileListModel::rename(int row, std::string name) {
  names_[static_cast<std::size_t>(row)] = std::move(name);
  const QModelIndex at = index(row);
  emit dataChanged(at, at);
}

}  // namespace sonavex
