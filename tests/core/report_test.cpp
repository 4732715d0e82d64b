#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "core/report/reporter.h"
#include "core/text/encoding.h"
#include "support/recording_reporter.h"

namespace sonavex {
namespace {

std::error_code Err(int value) { return {value, std::generic_category()}; }

TEST(RenameMessageText, BindsConditionsToTheirTexts) {
  struct Row {
    int error;
    const char32_t* directory;
    const char32_t* expected;
  };
  const Row rows[] = {
      {EINVAL, U"/music", U"a?.mp3\n\r\n\rUngültige(s) Zeichen im Dateinamen!"},
      {EACCES, U"/music", U"a?.mp3\n\r\n\rDatei ist schreibgeschützt, Zugriff verweigert!"},
      {EPERM, U"/music", U"a?.mp3\n\r\n\rDatei ist schreibgeschützt, Zugriff verweigert!"},
      {EROFS, U"/music", U"a?.mp3\n\r\n\rDatei ist schreibgeschützt, Zugriff verweigert!"},
      {EBUSY, U"/music", U"/music/a?.mp3\n\r\n\rDatei wird gerade verwendet!"},
      {ETXTBSY, U"/", U"/a?.mp3\n\r\n\rDatei wird gerade verwendet!"},
      {EEXIST, U"/music",
       U"/music/a?.mp3\n\r\n\rEs existiert bereits eine Datei unter dem neuen Namen!"},
      {ENOTEMPTY, U"",
       U"a?.mp3\n\r\n\rEs existiert bereits eine Datei unter dem neuen Namen!"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(RenameMessageText(Err(row.error), row.directory, U"a?.mp3"), row.expected);
  }
}

TEST(RenameMessageText, GeneralMessageCarriesErrnoAndSystemText) {
  std::string systemText = std::strerror(ENOENT);
  while (!systemText.empty() && systemText.back() == '.') systemText.pop_back();
  EXPECT_EQ(RenameMessageText(Err(ENOENT), U"/music", U"a.mp3"),
            U"/music/a.mp3\n\r\n\rFehler 2:\n\r" + DecodeUtf8(systemText));
}

TEST(RenameMessageText, NamesTheTemporaryNameAFileWasLeftUnder) {
  std::string systemText = std::strerror(EIO);
  while (!systemText.empty() && systemText.back() == '.') systemText.pop_back();
  EXPECT_EQ(RenameMessageText(Err(EIO), U"/music", U"song.mp3", U".sonavex-rename-7-0"),
            U"/music/song.mp3\n\r\n\rFehler 5:\n\r" + DecodeUtf8(systemText) +
                U"\n\r\n\rDie Datei heißt jetzt /music/.sonavex-rename-7-0");
}

TEST(RenameWithMessage, ShowsOneWarningWithOk) {
  test::RecordingReporter reporter;
  RenameWithMessage(reporter, Err(EEXIST), U"/d", U"x");
  ASSERT_EQ(reporter.messages.size(), 1u);
  EXPECT_EQ(reporter.messages[0].kind, MessageKind::Warning);
  EXPECT_EQ(reporter.messages[0].button, MessageButton::Ok);
}

}  // namespace
}  // namespace sonavex
