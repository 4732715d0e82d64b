#include "gui/dialogs/replacement_table_dialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/settings/ini_file.h"
#include "core/settings/replacement_table_store.h"
#include "core/text/encoding.h"
#include "gui/dialogs/name_edit_dialog.h"
#include "gui/batch_host.h"
#include "gui/program_font.h"
#include "gui/qt_text.h"

namespace sonavex {
namespace {

QPushButton* AddButton(QWidget* parent, QVBoxLayout* column, const char* name,
                       const QString& caption) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(QString::fromLatin1(name));
  column->addWidget(button);
  return button;
}

}  // namespace

ReplacementTableDialog::ReplacementTableDialog(BatchHost& host,
                                               QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      main_(host) {
  setObjectName(QStringLiteral("Form12"));
  setFont(ProgramFont());
  auto* layout = new QGridLayout(this);
  for (int i = 0; i < 20; ++i) {
    fields_[i] = new QLineEdit(this);
    fields_[i]->setObjectName(QStringLiteral("Edit%1").arg(i + 1));
    layout->addWidget(fields_[i], i / 2, i % 2 == 0 ? 0 : 2);
  }
  for (int row = 0; row < 10; ++row) {
    layout->addWidget(new QLabel(QStringLiteral("auf"), this), row, 1);
  }
  auto* column = new QVBoxLayout;
  QPushButton* store = AddButton(this, column, "Button1", QStringLiteral("Festlegen"));
  switchButton_ = AddButton(this, column, "Button2", QStringLiteral("Aktivieren"));
  QPushButton* runNow = AddButton(this, column, "Button3", QStringLiteral("Sofort"));
  QPushButton* cancel = AddButton(this, column, "Button4", QStringLiteral("Abbrechen"));
  column->addStretch(1);
  layout->addLayout(column, 0, 3, 10, 1);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  connect(store, &QPushButton::clicked, this, &ReplacementTableDialog::onStoreClicked);
  connect(switchButton_, &QPushButton::clicked, this,
          &ReplacementTableDialog::onSwitchClicked);
  connect(runNow, &QPushButton::clicked, this, &ReplacementTableDialog::onRunNowClicked);
  connect(cancel, &QPushButton::clicked, this, &ReplacementTableDialog::onCancelClicked);
  OnActivatedFromProgram(this, [this] { LoadReplacementTable(); });
  // Every batch takes the table as the fields stand when it starts.
  main_.setTableSource([this] { return fieldTable(); });
  LoadReplacementTable();
}

ReplacementTable ReplacementTableDialog::fieldTable() const {
  ReplacementTable table;
  for (std::size_t row = 0; row < table.size(); ++row) {
    table[row].search = ToU32(fields_[2 * row]->text());
    table[row].replacement = ToU32(fields_[2 * row + 1]->text());
  }
  return table;
}

void ReplacementTableDialog::LoadReplacementTable() {
  const StoredReplacementTable stored = sonavex::LoadReplacementTable(main_.settings());
  for (std::size_t row = 0; row < stored.table.size(); ++row) {
    fields_[2 * row]->setText(ToQString(stored.table[row].search));
    fields_[2 * row + 1]->setText(ToQString(stored.table[row].replacement));
  }
  main_.setReplacementActive(stored.active);
  presentSwitch();
  main_.RefreshView();
}

// Button caption, window caption and the menu's check mark always tell the
// same state.
void ReplacementTableDialog::presentSwitch() {
  const bool active = main_.replacementActive();
  switchButton_->setText(active ? QStringLiteral("Deaktivieren")
                                : QStringLiteral("Aktivieren"));
  setWindowTitle(active ? QStringLiteral("Zeichen ersetzen (z.Z. aktiv)")
                        : QStringLiteral("Zeichen ersetzen (z.Z. nicht aktiv)"));
  main_.setReplacementActive(active);
}

// A failed write keeps the dialog open, so the edits are not lost from view
// while the user learns they were not stored.
void ReplacementTableDialog::onStoreClicked() {
  if (StoreReplacementTable(main_.settings(), fieldTable(), main_.replacementActive())) {
    main_.reporter().Report(MessageKind::Error,
                            SettingsWriteFailedText(DecodeUtf8(main_.settings().path())));
    return;
  }
  presentSwitch();
  main_.RefreshView();
  hide();
}

void ReplacementTableDialog::onSwitchClicked() {
  main_.setReplacementActive(!main_.replacementActive());
  presentSwitch();
  main_.RefreshView();
}

// 'R' runs the table whatever the switch says; the switch itself stays.
void ReplacementTableDialog::onRunNowClicked() { main_.runSelection(Operation::R); }

void ReplacementTableDialog::onCancelClicked() { reject(); }

// Escape and the window manager's close end up here as well: every way of
// leaving without "Festlegen" puts the stored table and switch back.
void ReplacementTableDialog::reject() {
  LoadReplacementTable();
  QDialog::reject();
}

// Opening the dialog makes it active; what it shows then is the stored state.
void ReplacementTableDialog::showEvent(QShowEvent* event) {
  LoadReplacementTable();
  QDialog::showEvent(event);
}

}  // namespace sonavex
