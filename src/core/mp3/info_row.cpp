#include "core/mp3/info_row.h"

#include "core/text/case.h"

namespace sonavex {

InfoRow MakeInfoRow(const TInfo& info) {
  InfoRow row;
  row[0] = info.Name + U"." + info.Typ;
  row[10] = info.Groesse;
  row[11] = info.Datum;
  if (!info.IstMP3) return row;
  row[1] = TrimBlanks(info.Titel);
  row[2] = TrimBlanks(info.Interpret);
  row[3] = TrimBlanks(info.Album);
  row[4] = info.MPEG;
  row[5] = info.Layer;
  row[6] = info.Bitrate + U"KBit/s";
  row[7] = info.SampFreq + U"Hz";
  row[8] = info.Mode;
  row[9] = info.Dauer;
  return row;
}

}  // namespace sonavex
