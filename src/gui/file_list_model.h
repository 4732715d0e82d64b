#pragma once
// The entries of the file list "FileListBox1": their names as bytes, shown
// as text. Marks are the view's selection, not part of the model.
#include <QAbstractListModel>
#include <string>
#include <vector>

namespace sonavex {

class FileListModel : public QAbstractListModel {
  Q_OBJECT
 public:
  using QAbstractListModel::QAbstractListModel;

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;

  const std::vector<std::string>& names() const { return names_; }
  const std::string& name(int row) const { return names_[static_cast<std::size_t>(row)]; }
  // All entries anew; a view's selection drops with them.
  void setNames(std::vector<std::string> names);
  // One entry gets another name in place, keeping its row and its mark.
  void rename(int row, std::string name);

 private:
  std::vector<std::string> names_;
};

}  // namespace sonavex
