#pragma once
// The one way a message box reaches the user. The window shows a dialog,
// the command-line tool prints, tests record.
#include <string>
#include <system_error>

namespace sonavex {

enum class MessageKind { Warning, Error };
enum class MessageButton { Ok, Abbrechen };

class Reporter {
 public:
  virtual ~Reporter() = default;
  // Texts keep their line breaks as LF CR pairs; the front end shows each
  // pair as one line break.
  virtual void Report(MessageKind kind, const std::u32string& text,
                      MessageButton button = MessageButton::Ok) = 0;
};

// Line break inside message texts: line feed, then carriage return.
inline constexpr std::u32string_view kBreak = U"\n\r";

// The text as a front end shows it: each LF CR pair, and a CR on its own,
// becomes one "\n".
std::u32string WithPlainLineBreaks(std::u32string_view text);

// The message for a failed rename or write of `fileName` in `directory`
// (directory may be empty; it is then left out of the path). A rename that
// left the file under a temporary name (`strandedName`, not empty) ends with
// a line naming it, so that the user can find the file.
std::u32string RenameMessageText(std::error_code ec,
                                 const std::u32string& directory,
                                 const std::u32string& fileName,
                                 const std::u32string& strandedName = {});

// The message for any failure on `fileName` that is not a rename or write,
// such as a read: the path, the error number and the system's text for it.
std::u32string FailureMessageText(std::error_code ec,
                                  const std::u32string& directory,
                                  const std::u32string& fileName);

// Shows RenameMessageText as a warning. Never throws.
void RenameWithMessage(Reporter& reporter, std::error_code ec,
                       const std::u32string& directory,
                       const std::u32string& fileName,
                       const std::u32string& strandedName = {});

// "Kann nicht nach <path> schreiben"
std::u32string SettingsWriteFailedText(const std::u32string& path);

}  // namespace sonavex
