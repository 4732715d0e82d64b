#include "gui/dialogs/history_dialog.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/text/encoding.h"
#include "gui/program_font.h"
#include "gui/qt_text.h"

namespace sonavex {
namespace {

QTableWidgetItem* Cell(const QString& text) {
  auto* item = new QTableWidgetItem(text);
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  return item;
}

QString StateText(const BatchSummary& batch) {
  if (batch.undoneBy != 0) return QStringLiteral("rückgängig gemacht");
  // The program ended in the middle of it: undo finds out what happened.
  if (!batch.ended) return QStringLiteral("abgebrochen");
  return QString();
}

}  // namespace

HistoryDialog::HistoryDialog(ListBatches list, UndoBatch undo, FilesOf files, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      list_(std::move(list)), undoBatch_(std::move(undo)), filesOf_(std::move(files)),
      batches_(new QTableWidget(0, 4, this)),
      undo_(new QPushButton(QStringLiteral("Rückgängig machen"), this)) {
  setObjectName(QStringLiteral("Verlauf"));
  setFont(ProgramFont());
  setWindowTitle(QStringLiteral("Verlauf"));
  batches_->setObjectName(QStringLiteral("Liste"));
  batches_->setHorizontalHeaderLabels({QStringLiteral("Zeit"), QStringLiteral("Aktion"),
                                       QStringLiteral("Änderungen"), QStringLiteral("Status")});
  batches_->verticalHeader()->hide();
  batches_->verticalHeader()->setDefaultSectionSize(17);
  batches_->setSelectionBehavior(QAbstractItemView::SelectRows);
  batches_->setSelectionMode(QAbstractItemView::SingleSelection);
  batches_->horizontalHeader()->setStretchLastSection(true);
  batches_->setColumnWidth(0, 120);
  batches_->setColumnWidth(1, 220);
  batches_->resizeColumnToContents(2);  // the caption "Änderungen" uncut
  undo_->setObjectName(QStringLiteral("Button1"));
  auto* close = new QPushButton(QStringLiteral("Schließen"), this);
  close->setObjectName(QStringLiteral("Button2"));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(undo_);
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(batches_, 1);
  layout->addLayout(buttons);
  resize(560, 320);
  connect(undo_, &QPushButton::clicked, this, &HistoryDialog::onUndoClicked);
  connect(close, &QPushButton::clicked, this, &QWidget::hide);
  connect(batches_, &QTableWidget::itemSelectionChanged, this, &HistoryDialog::updateButton);
}

void HistoryDialog::reload() {
  shown_ = list_();
  batches_->clearContents();
  batches_->setRowCount(static_cast<int>(shown_.size()));
  int row = 0;
  for (const BatchSummary& batch : shown_) {
    const QDateTime time = QDateTime::fromSecsSinceEpoch(batch.header.time);
    batches_->setItem(row, 0, Cell(time.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"))));
    batches_->setItem(row, 1, Cell(ToQString(DecodeUtf8(batch.header.caption))));
    batches_->setItem(row, 2, Cell(QString::number(filesOf_(batch.id))));
    batches_->setItem(row, 3, Cell(StateText(batch)));
    ++row;
  }
  if (row > 0) batches_->selectRow(0);
  updateButton();
}

// A batch that was taken back already has its undo further up the list;
// taking that back applies the batch again.
void HistoryDialog::updateButton() {
  const int row = batches_->currentRow();
  const bool selected = row >= 0 && !batches_->selectedItems().isEmpty();
  undo_->setEnabled(selected && shown_[static_cast<std::size_t>(row)].undoneBy == 0);
}

void HistoryDialog::onUndoClicked() {
  const int row = batches_->currentRow();
  if (row < 0 || !undo_->isEnabled()) return;
  undoBatch_(shown_[static_cast<std::size_t>(row)].id);
  reload();
}

void HistoryDialog::showEvent(QShowEvent* event) {
  reload();
  QDialog::showEvent(event);
}

}  // namespace sonavex
