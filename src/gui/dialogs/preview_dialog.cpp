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

#include "core/fs/fs.h"
#include "core/journal/journal.h"
#include "core/mp3/id3v1.h"
#include "core/mp3/tinfo.h"
#include "core/ops/text_replace.h"
#include "core/text/case.h"
#include "core/text/encoding.h"
#include "gui/program_font.h"
#include "gui/qt_text.h"
#include "gui/return_key.h"
#include "gui/dialogs/name_edit_dialog.h"

namespace sonavex {
namespace {

const QString kNoTag = QStringLiteral("kein ID3-Tag");
const QString kEmptyTag = QStringLiteral("leerer ID3-Tag");
const QString kContent = QStringLiteral("Inhalt");

// Files of subdirectories show the way down from the batch's directory.
QString RelativeFile(const Plan& plan, const PlanStep& step) {
  std::string_view directory = step.directory;
  if (directory == plan.directory) return PathToQString(step.name);
  const std::string prefix = plan.directory.ends_with('/') ? plan.directory
                                                           : plan.directory + "/";
  if (directory.starts_with(prefix)) directory.remove_prefix(prefix.size());
  return PathToQString(JoinPath(directory, step.name));
}

// The three text fields as the grid shows them.
std::array<QString, 3> TagFields(const std::string& bytes) {
  TInfo info;
  ReadTag(bytes, info);
  return {ToQString(TrimBlanks(info.Titel)), ToQString(TrimBlanks(info.Interpret)),
          ToQString(TrimBlanks(info.Album))};
}

// The fields a tag write changes, before and after, e.g. "Titel: a".
std::pair<QString, QString> TagChange(const PlanStep& step) {
  if (!HasTagMarker(step.before)) return {kNoTag, QString()};
  static const QString kNames[] = {QStringLiteral("Titel"), QStringLiteral("Interpret"),
                                   QStringLiteral("Album")};
  const std::array<QString, 3> before = TagFields(step.before);
  const std::array<QString, 3> after = TagFields(step.after);
  QStringList old;
  QStringList now;
  for (std::size_t field = 0; field < before.size(); ++field) {
    if (before[field] == after[field]) continue;
    old << kNames[field] + QStringLiteral(": ") + before[field];
    now << kNames[field] + QStringLiteral(": ") + after[field];
  }
  return {old.join(QStringLiteral("; ")), now.join(QStringLiteral("; "))};
}

// A message keeps its words on one line; the cell is one line high.
QString OneLine(const std::u32string& text) {
  return ToQString(WithPlainLineBreaks(text)).replace(QLatin1Char('\n'), QLatin1Char(' '));
}

// A line of a file as a cell shows it: a line of a file that is not
// meant to be read (megabytes without a line end) is cut short.
QString Excerpt(const std::u32string& line) {
  constexpr std::size_t kMost = 300;
  if (line.size() <= kMost) return OneLine(line);
  return OneLine(line.substr(0, kMost)) + QStringLiteral("…");
}

// "Inhalt ersetzt (3 Zeilen): old → new", with the first line that changes.
QString ContentChange(const PlanStep& step) {
  QString text = QString::fromStdString(ContentReplacedText(step.changedLines));
  if (const std::optional<ChangedLine> line = FirstChangedLine(step.before, step.after)) {
    text += QStringLiteral(": ") + Excerpt(line->before) + QStringLiteral(" → ") +
            Excerpt(line->after);
  }
  return text;
}

QString NoteOf(const PlanStep& step) {
  if (!step.message.empty()) return OneLine(step.message);
  QString note = OneLine(step.foreseen);
  const bool contentNotKept =
      (step.kind == StepKind::ContentReplace || step.kind == StepKind::FileRemove) &&
      static_cast<std::int64_t>(step.before.size()) > kMaxKeptContent;
  if (step.notUndoable || contentNotKept) {
    if (!note.isEmpty()) note += QLatin1Char(' ');
    note += QStringLiteral("Kann nicht rückgängig gemacht werden.");
  }
  return note;
}

PreviewRow RowOf(const Plan& plan, const PlanStep& step) {
  PreviewRow row;
  row.file = RelativeFile(plan, step);
  row.note = NoteOf(step);
  switch (step.kind) {
    case StepKind::Rename:
      row.action = QStringLiteral("Umbenennen");
      row.before = PathToQString(step.name);
      row.after = PathToQString(step.newName);
      break;
    case StepKind::TagWrite:
      row.action = QStringLiteral("ID3-Tag schreiben");
      std::tie(row.before, row.after) = TagChange(step);
      break;
    case StepKind::TagAppend:
      row.action = QStringLiteral("ID3-Tag anhängen");
      row.before = kNoTag;
      row.after = kEmptyTag;
      break;
    case StepKind::TagRemove:
      row.action = QStringLiteral("ID3-Tag entfernen");
      row.before = kEmptyTag;
      row.after = kNoTag;
      break;
    case StepKind::ContentReplace:
      row.action = QStringLiteral("Inhalt ersetzen");
      row.before = kContent;
      row.after = step.changedLines == 0 ? kContent : ContentChange(step);
      break;
    case StepKind::Export:
      row.action = QStringLiteral("Liste exportieren");
      row.file = step.exportJob ? PathToQString(step.exportJob->target) : QString();
      row.after = QStringLiteral("Liste");
      row.note = QStringLiteral("MP3-Dateien ohne ID3-Tag erhalten einen leeren ID3-Tag.");
      break;
    case StepKind::FileCreate:
      row.action = QStringLiteral("Datei anlegen");
      row.after = kContent;
      break;
    case StepKind::FileRemove:
      row.action = QStringLiteral("Datei entfernen");
      row.before = kContent;
      break;
    case StepKind::Refuse:
      row.action = QStringLiteral("Abgelehnt");
      break;
    case StepKind::WalkFailure:
      row.action = QStringLiteral("Abbruch");
      row.file = PathToQString(step.directory);
      break;
  }
  return row;
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
