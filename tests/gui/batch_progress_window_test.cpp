#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <thread>

#include "gui/dialogs/batch_progress_window.h"
#include "gui_fixture.h"

namespace sonavex::test {
namespace {

using BatchProgressWindowTest = GuiTest;

// A batch over within half a second shows nothing; a longer one shows the
// bar, and "Abbrechen" asks the batch to stop.
TEST_F(BatchProgressWindowTest, ShowsAfterHalfASecondAndAbbrechenAsksToStop) {
  MainWindow& window = Start();
  auto* progress = window.findChild<BatchProgressWindow*>(QStringLiteral("BatchProgress"));
  ASSERT_NE(progress, nullptr);
  BatchProgress& port = *progress;

  port.Begin();
  port.Advance(1, 100);
  EXPECT_FALSE(progress->isVisible());
  EXPECT_FALSE(port.StopRequested());
  port.End();

  port.Begin();
  std::this_thread::sleep_for(std::chrono::milliseconds(550));
  port.Advance(40, 100);
  ASSERT_TRUE(progress->isVisible());
  EXPECT_EQ(progress->progressBar()->value(), 40);
  EXPECT_EQ(progress->progressBar()->maximum(), 100);
  EXPECT_EQ(progress->cancelButton()->text(), QStringLiteral("Abbrechen"));
  EXPECT_FALSE(port.StopRequested());
  QTest::mouseClick(progress->cancelButton(), Qt::LeftButton);
  EXPECT_TRUE(port.StopRequested());
  port.End();
  EXPECT_FALSE(progress->isVisible());

  // The next batch begins unstopped.
  port.Begin();
  EXPECT_FALSE(port.StopRequested());
  port.End();
}

}  // namespace
}  // namespace sonavex::test
