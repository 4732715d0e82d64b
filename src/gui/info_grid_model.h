#pragma once
// The rows of the grid "StringGrid1": one typed record per file, its texts
// made only when the view asks for a cell.
#include <QAbstractTableModel>
#include <QFontMetrics>
#include <QHash>
#include <QString>
#include <array>
#include <memory>
#include <optional>
#include <vector>

#include "core/mp3/id3v1.h"
#include "core/mp3/info_record.h"

namespace sonavex {

// The grid's columns, left to right.
enum class GridColumn {
  Name, Titel, Interpret, Album, Mpeg, Layer, Bitrate, SampFreq, Mode, Dauer, Groesse, Datum
};
inline constexpr int kGridColumnCount = 12;

struct InfoColumn {
  const char* caption;
  int width;           // initial width, and the width right alignment aims at
  bool rightAligned;
};

inline constexpr InfoColumn InfoColumns[kGridColumnCount] = {
    {"Name", 250, false},         {"Titel", 160, false},
    {"Interpret", 160, false},    {"Album", 160, false},
    {"MPEG", 35, true},           {"Layer", 30, true},
    {"Bitrate", 52, true},        {"Samp.Freq.", 58, true},
    {"Mode", 70, false},          {"Dauer", 40, true},
    {"Größe in Byte", 70, true},  {"Datum/Zeit", 77, false}};

// Columns 0 to 3 grow to their widest text; the others keep their width.
inline constexpr int kFittedColumns = 4;

// The value a column shows, and the tag field it edits (title, artist and
// album only).
InfoField FieldOf(GridColumn column);
std::optional<TagField> TagFieldOf(GridColumn column);

// `text` with as many leading blanks as it takes to reach width - 6 pixels.
QString PadToColumnWidth(const QFontMetrics& metrics, const QString& text, int width);

class InfoGridModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  // Right-aligned texts are padded with blanks measured in `metrics`.
  InfoGridModel(const QFontMetrics& metrics, QObject* parent);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // All rows at once; right-aligned texts are padded in `metrics` from now on.
  void setRecords(std::vector<InfoRecord> records, const QFontMetrics& metrics);
  const InfoRecord& record(int row) const { return records_[static_cast<std::size_t>(row)]; }
  // The text a cell shows, unpadded.
  QString cellText(int row, GridColumn column) const;

  // A tag cell whose text was written shows it as typed (beyond 30
  // characters, with trailing blanks) while `tag` is what the file holds now.
  void setWritten(int row, GridColumn column, const QString& typed, std::string_view tag);
  // The cell shows what the file holds: `tag` (its 128 bytes, or nothing
  // for a file without a tag); without `tag`, what the record holds.
  void setFileTag(int row, GridColumn column, std::optional<std::string_view> tag);
  // The file's ID3v2 tag as it is after a write; the row's tag cells show
  // whether they agree with it.
  void setId3v2(int row, std::shared_ptr<const Id3v2Info> id3v2);

 private:
  QString padded(GridColumn column, const QString& text) const;
  QVariant id3v2Mark(int row, GridColumn column, int role) const;
  void cellChanged(int row, GridColumn column);

  std::vector<InfoRecord> records_;
  // Typed texts of tag cells by row and column; only cells edited since
  // the last filling have one.
  QHash<quint64, QString> typed_;
  QFontMetrics metrics_;
  // Most values repeat from row to row ("128KBit/s", "44100Hz"), so each
  // padded text is measured once.
  mutable std::array<QHash<QString, QString>, kGridColumnCount> padCache_;
};

}  // namespace sonavex
