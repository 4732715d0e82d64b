#include "gui/info_grid.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QHash>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QProgressBar>
#include <QProxyStyle>
#include <QScrollBar>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTableView>
#include <functional>
#include <utility>
#include <variant>

#include "core/apply/executor.h"
#include "core/apply/tag_on_read.h"
#include "core/batch/batch.h"
#include "core/batch/planner.h"
#include "core/fs/fs.h"
#include "core/mp3/id3v1.h"
#include "core/mp3/read_ahead.h"
#include "core/mp3/tinfo.h"
#include "core/ops/tag_agreement.h"
#include "core/text/case.h"
#include "core/text/encoding.h"
#include "gui/dialogs/progress_window.h"
#include "gui/main_menu.h"
#include "gui/main_window.h"
#include "gui/qt_text.h"

namespace sonavex {
namespace {

constexpr int kRowHeight = 17;

bool HasMp3Extension(const std::string& name) {
  return UpCaseUmlaut(SplitName(DecodeUtf8(name)).extension) == U".MP3";
}

// What the plan's last step of kind `Step` leaves in the file; null
// without one.
template <class Step>
const std::string* WrittenBy(const Plan& plan) {
  for (auto step = plan.steps.rbegin(); step != plan.steps.rend(); ++step) {
    if (const auto* change = std::get_if<Step>(&step->change)) return &change->after;
  }
  return nullptr;
}

// Cells draw their text from 2 pixels in and cut it at the cell's edge, as
// the fitted widths and the blank padding are measured for; the views' own
// margins and eliding would hide the end of every fitted text.
class GridCellDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    QStyleOptionViewItem cell(option);
    initStyleOption(&cell, index);
    const QString text = cell.text;
    cell.text.clear();
    const QWidget* widget = cell.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);
    painter->save();
    painter->setClipRect(cell.rect);
    painter->setFont(cell.font);
    painter->setPen(cell.palette.color(cell.state & QStyle::State_Selected
                                           ? QPalette::HighlightedText
                                           : QPalette::Text));
    painter->drawText(cell.rect.adjusted(kTextIndent, 0, 0, 0),
                      Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
    painter->restore();
  }

 private:
  static constexpr int kTextIndent = 2;
};

// The cell being edited stands out from its neighbours: a frame in the
// selection colour around a white field.
void MarkAsEditor(QLineEdit& line) {
  line.setFrame(true);
  line.setAutoFillBackground(true);
  line.setStyleSheet(QStringLiteral(
      "QLineEdit { border: 1px solid palette(highlight); background: palette(base); "
      "padding: 0px; }"));
}

// Reports every change of the editor's text as the user makes it, not only
// when the edit ends: each keystroke is written into the file at once.
class KeystrokeDelegate : public GridCellDelegate {
 public:
  using Handler = std::function<void(int row, int column, const QString& text)>;
  KeystrokeDelegate(Handler handler, QObject* parent)
      : GridCellDelegate(parent), handler_(std::move(handler)) {}

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override {
    QWidget* editor = GridCellDelegate::createEditor(parent, option, index);
    if (auto* line = qobject_cast<QLineEdit*>(editor)) {
      MarkAsEditor(*line);
      const QPersistentModelIndex at(index);
      connect(line, &QLineEdit::textEdited, line, [this, at](const QString& text) {
        if (at.isValid()) handler_(at.row(), at.column(), text);
      });
    }
    return editor;
  }

  // The cell takes each typed text while the editor is open; putting it back
  // into the editor would move the cursor to the end under the user's hands.
  void setEditorData(QWidget* editor, const QModelIndex& index) const override {
    auto* line = qobject_cast<QLineEdit*>(editor);
    if (line && line->text() == index.data(Qt::EditRole).toString()) return;
    GridCellDelegate::setEditorData(editor, index);
  }

  // Each keystroke was written already, and the model shows what it wrote.
  void setModelData(QWidget*, QAbstractItemModel*, const QModelIndex&) const override {}

 private:
  Handler handler_;
};

// Captions get the same narrow margins as the cells, so that "Samp.Freq."
// fits the 58 pixels of its column instead of being cut short.
class HeaderStyle : public QProxyStyle {
 public:
  int pixelMetric(PixelMetric metric, const QStyleOption* option,
                  const QWidget* widget) const override {
    if (metric == PM_HeaderMargin) return kHeaderMargin;
    return QProxyStyle::pixelMetric(metric, option, widget);
  }

 private:
  static constexpr int kHeaderMargin = 0;
};

void UseNarrowMargins(QHeaderView* header) {
  auto* style = new HeaderStyle;
  style->setParent(header);
  header->setStyle(style);
}

// Puts the keyboard back where it was before a filling, should the window
// system have handed it to the progress window meanwhile.
class KeyboardKeeper {
 public:
  explicit KeyboardKeeper(QWidget& window)
      : window_(window), active_(window.isActiveWindow()), focus_(window.focusWidget()) {}
  ~KeyboardKeeper() {
    if (!active_) return;
    window_.activateWindow();
    if (focus_ && !focus_->hasFocus()) focus_->setFocus(Qt::OtherFocusReason);
  }
  KeyboardKeeper(const KeyboardKeeper&) = delete;
  KeyboardKeeper& operator=(const KeyboardKeeper&) = delete;

 private:
  QWidget& window_;
  bool active_;
  QPointer<QWidget> focus_;
};

}  // namespace

InfoGrid::InfoGrid(MainWindow& window, ProgressWindow& progress)
    : QObject(&window), window_(window), progress_(progress), grid_(window.infoGrid()),
      model_(new InfoGridModel(grid_->fontMetrics(), this)) {
  setUpGrid();
  auto* delegate = new KeystrokeDelegate(
      [this](int row, int column, const QString& text) { onCellEdited(row, column, text); },
      grid_);
  grid_->setItemDelegate(delegate);
  connect(delegate, &QAbstractItemDelegate::closeEditor, this, &InfoGrid::endEdit);
  // The journal closes with the window: an edit still open ends before.
  window_.setGridEditEnd([this] { edit_.reset(); });
  buildFixedColumn();
  window_.setGridFiller([this] { Fill(); });
}

void InfoGrid::setUpGrid() {
  grid_->setModel(model_);
  grid_->verticalHeader()->hide();
  grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  grid_->verticalHeader()->setMinimumSectionSize(kRowHeight);
  grid_->verticalHeader()->setDefaultSectionSize(kRowHeight);
  UseNarrowMargins(grid_->horizontalHeader());
  for (int column = 0; column < kGridColumnCount; ++column) {
    grid_->setColumnWidth(column, InfoColumns[column].width);
  }
}

InfoGrid::~InfoGrid() = default;

// A second view of the same model shows column 0 over the grid's own, so
// the names stay in place while the other columns scroll sideways.
void InfoGrid::buildFixedColumn() {
  fixedColumn_ = new QTableView(grid_);
  fixedColumn_->setObjectName(QStringLiteral("FixedColumn"));
  fixedColumn_->setModel(grid_->model());
  fixedColumn_->setSelectionModel(grid_->selectionModel());
  fixedColumn_->setFocusPolicy(Qt::NoFocus);
  fixedColumn_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  fixedColumn_->verticalHeader()->hide();
  fixedColumn_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  fixedColumn_->verticalHeader()->setMinimumSectionSize(kRowHeight);
  fixedColumn_->verticalHeader()->setDefaultSectionSize(kRowHeight);
  fixedColumn_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  fixedColumn_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  fixedColumn_->setFrameShape(QFrame::NoFrame);
  fixedColumn_->setItemDelegate(new GridCellDelegate(fixedColumn_));
  UseNarrowMargins(fixedColumn_->horizontalHeader());
  fixedColumn_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(fixedColumn_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    window_.menu().popupMenu2->popup(fixedColumn_->viewport()->mapToGlobal(at));
  });
  for (int column = 1; column < kGridColumnCount; ++column) {
    fixedColumn_->setColumnHidden(column, true);
  }
  QPalette palette = fixedColumn_->palette();
  palette.setColor(QPalette::Base, palette.color(QPalette::Button));
  fixedColumn_->setPalette(palette);
  followGrid();
  placeFixedColumn();
  fixedColumn_->show();
}

// The fixed column scrolls up and down with the grid and shares the width of
// column 0 with it, whichever of the two the user drags.
void InfoGrid::followGrid() {
  connect(grid_->verticalScrollBar(), &QScrollBar::valueChanged,
          fixedColumn_->verticalScrollBar(), &QScrollBar::setValue);
  connect(fixedColumn_->verticalScrollBar(), &QScrollBar::valueChanged,
          grid_->verticalScrollBar(), &QScrollBar::setValue);
  connect(grid_->horizontalHeader(), &QHeaderView::sectionResized, this,
          [this](int column) { if (column == 0) placeFixedColumn(); });
  connect(fixedColumn_->horizontalHeader(), &QHeaderView::sectionResized, this,
          [this](int column, int, int width) {
            if (column == 0) grid_->setColumnWidth(0, width);
          });
  connect(grid_->verticalHeader(), &QHeaderView::sectionCountChanged, this,
          [this] { placeFixedColumn(); });
  grid_->viewport()->installEventFilter(this);
}

// The grey ends with the last row; below it the grid's own white shows.
void InfoGrid::placeFixedColumn() {
  const int width = grid_->columnWidth(0);
  if (fixedColumn_->columnWidth(0) != width) fixedColumn_->setColumnWidth(0, width);
  const int rows = std::min(grid_->verticalHeader()->length(), grid_->viewport()->height());
  fixedColumn_->setGeometry(grid_->frameWidth(), grid_->frameWidth(), width,
                            grid_->horizontalHeader()->height() + rows);
}

bool InfoGrid::eventFilter(QObject* watched, QEvent* event) {
  // The type first: while the grid is destroyed its viewport is not to be asked for.
  if ((event->type() == QEvent::Resize || event->type() == QEvent::Show) &&
      watched == grid_->viewport()) {
    placeFixedColumn();
  }
  return QObject::eventFilter(watched, event);
}

// What one filling carries from row to row.
struct InfoGrid::FillState {
  FillState(const QFontMetrics& fontMetrics, ExecutorContext executor, int readsInFlight)
      : reader(readsInFlight), metrics(fontMetrics), tags(std::move(executor)) {}
  // The files are read ahead of the rows; the rows, their empty tags and
  // the progress stay here in the window's thread, one after the other.
  ReadAhead reader;
  int queued = 0;
  std::vector<InfoRecord> records;
  QFontMetrics metrics;
  int fitted[kFittedColumns] = {};
  // Tag texts repeat from file to file: each is measured once.
  QHash<QString, int> measured;
  // The empty tags of one filling are one journal batch.
  TagOnRead tags;
  // Files with a readable ID3v2 tag, and those of them whose two tags
  // tell different texts.
  int withId3v2 = 0;
  int disagreeing = 0;
};

void InfoGrid::Fill() {
  const int count = window_.entryCount();
  const KeyboardKeeper keyboard(window_);
  window_.PlaceCentred(&progress_);
  progress_.show();
  // The size of the window's frame is known once it is shown.
  window_.PlaceCentred(&progress_);
  progress_.start(count);
  endEdit();
  directory_ = window_.currentDirectory();
  clearRows();
  FillState state(grid_->fontMetrics(), window_.session().executorContext(),
                  ReadsInFlightFor(directory_));
  for (int column = 0; column < kFittedColumns; ++column) {
    state.fitted[column] =
        state.metrics.horizontalAdvance(QString::fromUtf8(InfoColumns[column].caption));
  }
  state.records.reserve(static_cast<std::size_t>(count));
  int filled = 0;
  std::error_code ec;
  while (filled < count) {
    queueReads(state, count);
    if ((ec = fillRow(filled, state))) break;
    ++filled;
  }
  model_->setRecords(std::move(state.records), state.metrics);
  fitColumns(state);
  progress_.hide();
  showTagAgreement(state);
  if (state.tags.End()) window_.refreshUndoTarget();
  // The grid is complete up to the failed file before the message shows.
  if (ec) {
    window_.reporter().Report(
        MessageKind::Error, FailureMessageText(ec, DecodeUtf8(directory_),
                                               DecodeUtf8(window_.entryName(filled))));
  }
}

// Keeps the reader's window full with the next entries of the list.
void InfoGrid::queueReads(FillState& state, int count) {
  while (state.queued < count && state.reader.Queued() < state.reader.Window()) {
    state.reader.Add(directory_, window_.entryName(state.queued++));
  }
}

// A file that cannot be read stops the filling there.
std::error_code InfoGrid::fillRow(int row, FillState& state) {
  progress_.step(row);
  ReadItem item = state.reader.Take();
  const TInfo::TagAppender appendTag = state.tags.Appender();
  if (const std::error_code ec = FinishRead(item.read, &appendTag)) return ec;
  InfoRecord& record = state.records.emplace_back(std::move(item.read.info.record));
  if (HasReadableId3v2(record)) {
    ++state.withId3v2;
    if (TagsDisagree(record)) ++state.disagreeing;
  }
  for (int column = 0; column < kFittedColumns; ++column) {
    const std::u32string text = ShownText(record, FieldOf(static_cast<GridColumn>(column)));
    if (text.empty()) continue;
    int width = 0;
    if (column == 0) {
      width = state.metrics.horizontalAdvance(ToQString(text));
    } else {
      const QString shown = ToQString(text);
      auto found = state.measured.constFind(shown);
      if (found == state.measured.constEnd()) {
        found = state.measured.insert(shown, state.metrics.horizontalAdvance(shown));
      }
      width = *found;
    }
    state.fitted[column] = std::max(state.fitted[column], width);
  }
  return {};
}

// The line below the grid says how many files' tags disagree; it stays
// empty where no file has an ID3v2 tag.
void InfoGrid::showTagAgreement(const FillState& state) {
  window_.setGridStatusText(
      state.withId3v2 == 0
          ? QString()
          : QStringLiteral("ID3v1 und ID3v2 weichen ab: %1 von %2 Dateien mit ID3v2-Tag")
                .arg(state.disagreeing)
                .arg(state.withId3v2));
}

void InfoGrid::fitColumns(const FillState& state) {
  for (int column = 0; column < kFittedColumns; ++column) {
    grid_->setColumnWidth(column, state.fitted[column] + 5);
  }
}

void InfoGrid::clearRows() {
  grid_->clearSelection();
  model_->setRecords({}, grid_->fontMetrics());
}

void InfoGrid::onCellEdited(int row, int column, const QString& text) {
  const auto gridColumn = static_cast<GridColumn>(column);
  const std::optional<TagField> field = TagFieldOf(gridColumn);
  if (!field || row < 0 || row >= model_->rowCount()) return;
  const std::string name = model_->record(row).name;
  if (!HasMp3Extension(name)) return;
  std::error_code ec;
  const Plan plan =
      PlanTagField(directory_, name, *field, ToU32(text), ec, window_.id3v2Follows());
  if (ec) {
    RenameWithMessage(window_.reporter(), ec, DecodeUtf8(directory_), DecodeUtf8(name));
    showFileTag(row, gridColumn);
  } else if (writeInEdit(row, column, plan)) {
    model_->setWritten(row, gridColumn, text, *WrittenBy<steps::TagWrite>(plan));
    if (const std::string* id3v2 = WrittenBy<steps::Id3v2Write>(plan)) {
      model_->setId3v2(row, std::make_shared<const Id3v2Info>(ReadId3v2(*id3v2)));
    }
  } else {
    showFileTag(row, gridColumn);
  }
}

// Every keystroke is written at once, but the edit of one cell is one
// batch of the journal, so that undo takes back the whole edit. False when
// a step failed (reported by the executor).
bool InfoGrid::writeInEdit(int row, int column, const Plan& plan) {
  if (edit_ && editedCell_ != std::pair(row, column)) endEdit();
  const bool firstKeystroke = !edit_;
  if (!edit_) {
    edit_ = std::make_unique<StepSession>(window_.session().executorContext(), plan);
    editedCell_ = {row, column};
  }
  for (const PlanStep& step : plan.steps) {
    // An ID3v2 tag that cannot follow is told of once per edit; the ID3v1
    // tag is written all the same.
    if (Kind(step) == StepKind::Refuse) {
      if (firstKeystroke) edit_->Apply(step);
    } else if (!edit_->Apply(step)) {
      return false;
    }
  }
  return true;
}

// After a failed write the cell shows what the file holds, not what was
// typed; a file that cannot be read either keeps what was shown last.
void InfoGrid::showFileTag(int row, GridColumn column) {
  TagTail tail;
  if (ReadTagTail(JoinPath(directory_, model_->record(row).name), tail)) {
    model_->setFileTag(row, column, std::nullopt);
    return;
  }
  model_->setFileTag(row, column,
                     HasTagMarker(tail.bytes) ? std::string_view(tail.bytes) : std::string_view());
}

void InfoGrid::endEdit() {
  if (!edit_) return;
  edit_.reset();
  window_.refreshUndoTarget();
}

}  // namespace sonavex
