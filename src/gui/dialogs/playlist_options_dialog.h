#pragma once
// "Playlisten mitführen": whether renames carry the playlists along, and
// the folders whose playlists (with their subfolders) follow besides those
// of the folders a batch walks. Stored in the settings file on "OK".
#include <QDialog>

class QCheckBox;
class QListWidget;

namespace sonavex {

class BatchStarter;

class PlaylistOptionsDialog : public QDialog {
  Q_OBJECT
 public:
  explicit PlaylistOptionsDialog(BatchStarter& host, QWidget* parent = nullptr);

  void onAddClicked();
  void onRemoveClicked();
  void accept() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void addFolder(const std::string& folder);

  BatchStarter& host_;
  QCheckBox* follow_ = nullptr;
  QListWidget* folders_ = nullptr;
};

}  // namespace sonavex
