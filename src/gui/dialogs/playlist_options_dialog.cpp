#include "gui/dialogs/playlist_options_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/settings/ini_file.h"
#include "core/settings/playlist_settings.h"
#include "core/text/encoding.h"
#include "gui/batch_host.h"
#include "gui/program_font.h"
#include "gui/qt_text.h"

namespace sonavex {

PlaylistOptionsDialog::PlaylistOptionsDialog(BatchStarter& host, QWidget* parent)
    : QDialog(parent), host_(host) {
  setObjectName(QStringLiteral("PlaylistOptionen"));
  setFont(ProgramFont());
  setWindowTitle(QStringLiteral("Playlisten mitführen"));
  follow_ = new QCheckBox(QStringLiteral("Playlisten beim Umbenennen anpassen"), this);
  follow_->setObjectName(QStringLiteral("Anpassen"));
  folders_ = new QListWidget(this);
  folders_->setObjectName(QStringLiteral("Ordner"));
  auto* add = new QPushButton(QStringLiteral("Hinzufügen"), this);
  auto* remove = new QPushButton(QStringLiteral("Entfernen"), this);
  remove->setObjectName(QStringLiteral("Entfernen"));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Abbrechen"));
  auto* folderButtons = new QVBoxLayout;
  folderButtons->addWidget(add);
  folderButtons->addWidget(remove);
  folderButtons->addStretch();
  auto* folderRow = new QHBoxLayout;
  folderRow->addWidget(folders_);
  folderRow->addLayout(folderButtons);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(follow_);
  layout->addLayout(folderRow);
  layout->addWidget(buttons);
  connect(add, &QPushButton::clicked, this, &PlaylistOptionsDialog::onAddClicked);
  connect(remove, &QPushButton::clicked, this, &PlaylistOptionsDialog::onRemoveClicked);
  connect(buttons, &QDialogButtonBox::accepted, this, &PlaylistOptionsDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &PlaylistOptionsDialog::reject);
}

// Each time it opens, the dialog shows what is stored.
void PlaylistOptionsDialog::showEvent(QShowEvent* event) {
  const PlaylistSettings settings = LoadPlaylistSettings(host_.settings());
  follow_->setChecked(settings.follow);
  folders_->clear();
  for (const std::string& folder : settings.folders) addFolder(folder);
  QDialog::showEvent(event);
}

// The item shows the folder; its bytes stay as they are in the item's data.
void PlaylistOptionsDialog::addFolder(const std::string& folder) {
  auto* item = new QListWidgetItem(PathToQString(folder), folders_);
  item->setData(Qt::UserRole, QByteArray::fromStdString(folder));
}

void PlaylistOptionsDialog::onAddClicked() {
  const QString folder = QFileDialog::getExistingDirectory(this, QStringLiteral("Hinzufügen"));
  if (!folder.isEmpty()) addFolder(QFile::encodeName(folder).toStdString());
}

void PlaylistOptionsDialog::onRemoveClicked() { delete folders_->currentItem(); }

void PlaylistOptionsDialog::accept() {
  PlaylistSettings settings;
  settings.follow = follow_->isChecked();
  for (int row = 0; row < folders_->count(); ++row) {
    settings.folders.push_back(folders_->item(row)->data(Qt::UserRole).toByteArray().toStdString());
  }
  if (StorePlaylistSettings(host_.settings(), settings)) {
    host_.reporter().Report(MessageKind::Error,
                            SettingsWriteFailedText(DecodeUtf8(host_.settings().path())));
    return;
  }
  QDialog::accept();
}

}  // namespace sonavex
