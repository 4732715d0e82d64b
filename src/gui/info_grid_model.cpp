#include "gui/info_grid_model.h"

#include <QColor>
#include <algorithm>

#include "core/ops/tag_agreement.h"
#include "gui/qt_text.h"

namespace sonavex {
namespace {

quint64 CellKey(int row, GridColumn column) {
  return static_cast<quint64>(row) * kGridColumnCount + static_cast<quint64>(column);
}

GridColumn ColumnOf(const QModelIndex& index) { return static_cast<GridColumn>(index.column()); }

// A pale yellow behind the cells whose two tags disagree; dark blue for the
// texts of a file that has only an ID3v2 tag.
const QColor kDisagreeingTint(255, 236, 160);
const QColor kOnlyId3v2Colour(0, 70, 160);

}  // namespace

InfoField FieldOf(GridColumn column) {
  switch (column) {
    case GridColumn::Name: return InfoField::Name;
    case GridColumn::Titel: return InfoField::Titel;
    case GridColumn::Interpret: return InfoField::Interpret;
    case GridColumn::Album: return InfoField::Album;
    case GridColumn::Mpeg: return InfoField::Mpeg;
    case GridColumn::Layer: return InfoField::Layer;
    case GridColumn::Bitrate: return InfoField::Bitrate;
    case GridColumn::SampFreq: return InfoField::SampFreq;
    case GridColumn::Mode: return InfoField::Mode;
    case GridColumn::Dauer: return InfoField::Dauer;
    case GridColumn::Groesse: return InfoField::Groesse;
    case GridColumn::Datum: break;
  }
  return InfoField::Datum;
}

std::optional<TagField> TagFieldOf(GridColumn column) {
  switch (column) {
    case GridColumn::Titel: return TagField::Titel;
    case GridColumn::Interpret: return TagField::Interpret;
    case GridColumn::Album: return TagField::Album;
    default: return std::nullopt;
  }
}

QString PadToColumnWidth(const QFontMetrics& metrics, const QString& text, int width) {
  const int target = width - 6;
  const int textWidth = metrics.horizontalAdvance(text);
  if (textWidth >= target) return text;
  // Start from the count the blank's width suggests, then settle on the
  // fewest blanks that reach the target, as adding one at a time would.
  const int blank = std::max(1, metrics.horizontalAdvance(QLatin1Char(' ')));
  int count = (target - textWidth + blank - 1) / blank;
  const auto padded = [&](int n) { return QString(n, QLatin1Char(' ')) + text; };
  while (count > 0 && metrics.horizontalAdvance(padded(count - 1)) >= target) --count;
  while (metrics.horizontalAdvance(padded(count)) < target) ++count;
  return padded(count);
}

InfoGridModel::InfoGridModel(const QFontMetrics& metrics, QObject* parent)
    : QAbstractTableModel(parent), metrics_(metrics) {}

int InfoGridModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(records_.size());
}

int InfoGridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kGridColumnCount;
}

// A file without ID3v1 tag shows the texts of its ID3v2 tag, in their own
// colour, rather than empty cells.
QString InfoGridModel::cellText(int row, GridColumn column) const {
  const auto typed = typed_.constFind(CellKey(row, column));
  if (typed != typed_.constEnd()) return *typed;
  const InfoRecord& shown = record(row);
  const std::optional<TagField> field = TagFieldOf(column);
  if (field && !shown.tagged && HasReadableId3v2(shown)) {
    return ToQString(Id3v2Text(shown, Id3v2FieldOf(*field)));
  }
  return ToQString(ShownText(shown, FieldOf(column)));
}

QVariant InfoGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const GridColumn column = ColumnOf(index);
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: return padded(column, cellText(index.row(), column));
    case Qt::BackgroundRole:
    case Qt::ForegroundRole:
    case Qt::ToolTipRole: return id3v2Mark(index.row(), column, role);
    default: return {};
  }
}

// A tag cell whose ID3v2 text differs from its ID3v1 text is tinted and
// tells the ID3v2 text in its tooltip; the cells that show the ID3v2 texts
// of a file without ID3v1 tag have a colour of their own.
QVariant InfoGridModel::id3v2Mark(int row, GridColumn column, int role) const {
  const std::optional<TagField> field = TagFieldOf(column);
  if (!field) return {};
  const InfoRecord& shown = record(row);
  if (!shown.tagged) {
    if (role == Qt::ForegroundRole && HasReadableId3v2(shown)) return kOnlyId3v2Colour;
    return {};
  }
  const std::optional<std::u32string> other = DisagreeingId3v2Text(shown, *field);
  if (!other) return {};
  if (role == Qt::BackgroundRole) return kDisagreeingTint;
  if (role == Qt::ToolTipRole) return QStringLiteral("ID3v2: ") + ToQString(*other);
  return {};
}

QVariant InfoGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
      section >= kGridColumnCount) {
    return QAbstractTableModel::headerData(section, orientation, role);
  }
  return QString::fromUtf8(InfoColumns[section].caption);
}

// Only the tag cells of MP3 files can be selected and edited.
Qt::ItemFlags InfoGridModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  if (TagFieldOf(ColumnOf(index)) && record(index.row()).isMp3) {
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
  }
  return Qt::ItemIsEnabled;
}

void InfoGridModel::setRecords(std::vector<InfoRecord> records, const QFontMetrics& metrics) {
  beginResetModel();
  records_ = std::move(records);
  typed_.clear();
  metrics_ = metrics;
  for (auto& cache : padCache_) cache.clear();
  endResetModel();
}

void InfoGridModel::setWritten(int row, GridColumn column, const QString& typed,
                               std::string_view tag) {
  SetTagFields(records_[static_cast<std::size_t>(row)], tag);
  typed_.insert(CellKey(row, column), typed);
  cellChanged(row, column);
}

void InfoGridModel::setFileTag(int row, GridColumn column,
                               std::optional<std::string_view> tag) {
  if (tag) {
    InfoRecord& changed = records_[static_cast<std::size_t>(row)];
    changed.tagged = false;
    SetTagFields(changed, *tag);
  }
  typed_.remove(CellKey(row, column));
  cellChanged(row, column);
}

void InfoGridModel::setId3v2(int row, std::shared_ptr<const Id3v2Info> id3v2) {
  records_[static_cast<std::size_t>(row)].id3v2 = std::move(id3v2);
  emit dataChanged(index(row, static_cast<int>(GridColumn::Titel)),
                   index(row, static_cast<int>(GridColumn::Album)));
}

void InfoGridModel::cellChanged(int row, GridColumn column) {
  const QModelIndex at = index(row, static_cast<int>(column));
  emit dataChanged(at, at);
}

QString InfoGridModel::padded(GridColumn column, const QString& text) const {
  const InfoColumn& info = InfoColumns[static_cast<int>(column)];
  if (!info.rightAligned || text.isEmpty()) return text;
  auto& cache = padCache_[static_cast<std::size_t>(column)];
  const auto found = cache.constFind(text);
  if (found != cache.constEnd()) return *found;
  return *cache.insert(text, PadToColumnWidth(metrics_, text, info.width));
}

}  // namespace sonavex
