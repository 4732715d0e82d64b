#include "gui/dialogs/preview_dialog.h"

#include <QColor>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <utility>

#include "core/apply/describe.h"
#include "gui/program_font.h"
#include "gui/qt_text.h"
#include "gui/return_key.h"
#include "gui/dialogs/name_edit_dialog.h"

namespace sonavex {
namespace {

PreviewRow RowOf(const Plan& plan, const PlanStep& step) {
  const StepWords words = Describe(plan, step);
  return {ToQString(words.action), PathToQString(words.file), ToQString(words.before),
          ToQString(words.after), ToQString(words.note)};
}

// Wide enough for every column, within the screen, and never narrower than
// the window has always been.
int WidthFor(const QTableView& rows) {
  constexpr int kLeast = 860;
  const int needed = rows.horizontalHeader()->length() + 2 * rows.frameWidth() +
                     rows.verticalScrollBar()->sizeHint().width() + 24;
  if (needed <= kLeast) return kLeast;
  const QScreen* screen = rows.screen();
  return screen == nullptr ? needed
                           : std::max(kLeast, std::min(needed, screen->availableGeometry().width()));
}

}  // namespace

std::vector<PreviewRow> PreviewRows(const Plan& plan) {
  std::vector<PreviewRow> rows;
  rows.reserve(plan.steps.size());
  for (const PlanStep& step : plan.steps) rows.push_back(RowOf(plan, step));
  return rows;
}

QString PreviewCountsText(const PlanCounts& counts) {
  return QStringLiteral("Umbenennen: %1 · ID3-Tags: %2 · Inhalte: %3 · "
                        "Abgelehnt: %4 · Fehler erwartet: %5")
      .arg(counts.renames)
      .arg(counts.tagWrites)
      .arg(counts.contents)
      .arg(counts.refusals)
      .arg(counts.foreseenFailures);
}

PreviewModel::PreviewModel(std::vector<PreviewRow> rows, QObject* parent)
    : QAbstractTableModel(parent), rows_(std::move(rows)) {}

int PreviewModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int PreviewModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kPreviewColumnCount;
}

QVariant PreviewModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const PreviewRow& row = rows_[static_cast<std::size_t>(index.row())];
  // A step that will not go through as planned stands out in the list.
  if (role == Qt::BackgroundRole && !row.note.isEmpty()) return QColor(255, 224, 224);
  if (role == Qt::ToolTipRole && index.column() == kNoteColumn) return row.note;
  if (role != Qt::DisplayRole) return {};
  switch (index.column()) {
    case kActionColumn: return row.action;
    case kFileColumn: return row.file;
    case kBeforeColumn: return row.before;
    case kAfterColumn: return row.after;
    default: return row.note;
  }
}

QVariant PreviewModel::headerData(int section, Qt::Orientation orientation,
                                  int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  static const char* const kCaptions[] = {"Aktion", "Datei", "Alt", "Neu", "Meldung"};
  return QString::fromUtf8(kCaptions[section]);
}

PreviewDialog::PreviewDialog(const Plan& plan, QWidget* parent)
    : QDialog(parent), rows_(new QTableView(this)), counts_(new QLabel(this)),
      run_(new QPushButton(QStringLiteral("Ausführen"), this)),
      cancel_(new QPushButton(QStringLiteral("Abbrechen"), this)) {
  setObjectName(QStringLiteral("Vorschau"));
  setFont(ProgramFont());
  setWindowTitle(QStringLiteral("Vorschau: ") + ToQString(plan.caption));
  auto* directory = new QLabel(PathToQString(plan.directory), this);
  directory->setObjectName(QStringLiteral("Label1"));
  rows_->setObjectName(QStringLiteral("Liste"));
  rows_->setModel(new PreviewModel(PreviewRows(plan), rows_));
  rows_->verticalHeader()->hide();
  rows_->verticalHeader()->setDefaultSectionSize(17);
  rows_->setSelectionBehavior(QAbstractItemView::SelectRows);
  rows_->setWordWrap(false);
  // Each column as wide as its texts, the message included: names and
  // reasons are read in full, scrolling sideways when the window is too
  // narrow. The user can still drag the columns.
  rows_->resizeColumnsToContents();
  counts_->setObjectName(QStringLiteral("Label2"));
  counts_->setText(PreviewCountsText(CountSteps(plan)));
  run_->setObjectName(QStringLiteral("Button1"));
  cancel_->setObjectName(QStringLiteral("Button2"));
  run_->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(counts_, 1);
  buttons->addWidget(run_);
  buttons->addWidget(cancel_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(directory);
  layout->addWidget(rows_, 1);
  layout->addLayout(buttons);
  resize(WidthFor(*rows_), 420);
  connect(run_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
  LetFocusedButtonsTakeReturn(this);
}

bool ConfirmPlanInPreview(const Plan& plan, QWidget* parent) {
  PreviewDialog dialog(plan, parent);
  dialog.setProperty(kLendsFocus, true);
  return dialog.exec() == QDialog::Accepted;
}

}  // namespace sonavex
