#include "cli/stream_reporter.h"

#include <ostream>

#include "core/text/encoding.h"

namespace sonavex::cli {

void StreamReporter::Report(MessageKind kind, const std::u32string& text,
                            MessageButton /*button*/) {
  err_ << (kind == MessageKind::Warning ? "Warnung: " : "Fehler: ")
       << EncodeUtf8(WithPlainLineBreaks(text)) << '\n';
  reported_ = true;
}

}  // namespace sonavex::cli
