#include <cerrno>
#include <cstring>

#include "core/report/reporter.h"
#include "core/text/encoding.h"

namespace sonavex {
namespace {

enum class FailureClass { InvalidName, AccessDenied, InUse, Exists, Other };

FailureClass Classify(std::error_code ec) {
  if (ec.category() != std::generic_category() &&
      ec.category() != std::system_category()) {
    return FailureClass::Other;
  }
  switch (ec.value()) {
    case EINVAL: return FailureClass::InvalidName;
    case EACCES: case EPERM: case EROFS: return FailureClass::AccessDenied;
    case EBUSY: case ETXTBSY: return FailureClass::InUse;
    case EEXIST: case ENOTEMPTY: return FailureClass::Exists;
    default: return FailureClass::Other;
  }
}

// The system's text for an errno value: at most 256 characters, without
// trailing blanks, control characters and dots.
std::u32string SystemText(int value) {
  char buffer[512];
  const char* text = strerror_r(value, buffer, sizeof buffer);
  std::u32string out = DecodeUtf8(text).substr(0, 256);
  while (!out.empty() &&
         (out.back() <= U' ' || out.back() == U'.' || out.back() == 0x7F)) {
    out.pop_back();
  }
  return out;
}

std::u32string ToDecimal(int value) { return DecodeUtf8(std::to_string(value)); }

// An empty line between two parts of a message.
std::u32string Gap() { return std::u32string(kBreak) + std::u32string(kBreak); }

std::u32string PathText(const std::u32string& directory, const std::u32string& fileName) {
  if (directory.empty()) return fileName;
  return directory.ends_with(U'/') ? directory + fileName : directory + U"/" + fileName;
}

}  // namespace

std::u32string FailureMessageText(std::error_code ec,
                                  const std::u32string& directory,
                                  const std::u32string& fileName) {
  return PathText(directory, fileName) + Gap() + U"Fehler " + ToDecimal(ec.value()) +
         U":" + std::u32string(kBreak) + SystemText(ec.value());
}

namespace {

std::u32string FailureText(std::error_code ec, const std::u32string& directory,
                           const std::u32string& fileName) {
  const std::u32string path = PathText(directory, fileName);
  switch (Classify(ec)) {
    case FailureClass::InvalidName:
      return fileName + Gap() + U"Ungültige(s) Zeichen im Dateinamen!";
    case FailureClass::AccessDenied:
      return fileName + Gap() + U"Datei ist schreibgeschützt, Zugriff verweigert!";
    case FailureClass::InUse:
      return path + Gap() + U"Datei wird gerade verwendet!";
    case FailureClass::Exists:
      return path + Gap() + U"Es existiert bereits eine Datei unter dem neuen Namen!";
    case FailureClass::Other:
      break;
  }
  return FailureMessageText(ec, directory, fileName);
}

}  // namespace

std::u32string RenameMessageText(std::error_code ec,
                                 const std::u32string& directory,
                                 const std::u32string& fileName,
                                 const std::u32string& strandedName) {
  std::u32string text = FailureText(ec, directory, fileName);
  if (!strandedName.empty()) {
    text += Gap() + U"Die Datei heißt jetzt " + PathText(directory, strandedName);
  }
  return text;
}

std::u32string WithPlainLineBreaks(std::u32string_view text) {
  std::u32string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == U'\n' && i + 1 < text.size() && text[i + 1] == U'\r') ++i;
    out.push_back(text[i] == U'\r' ? U'\n' : text[i]);
  }
  return out;
}

void RenameWithMessage(Reporter& reporter, std::error_code ec,
                       const std::u32string& directory,
                       const std::u32string& fileName,
                       const std::u32string& strandedName) {
  reporter.Report(MessageKind::Warning,
                  RenameMessageText(ec, directory, fileName, strandedName));
}

std::u32string SettingsWriteFailedText(const std::u32string& path) {
  return U"Kann nicht nach " + path + U" schreiben";
}

}  // namespace sonavex
