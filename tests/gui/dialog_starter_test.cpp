// The name-edit dialogs against a double of their starter: what each hands
// over, and that nothing is started when nothing would change.
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "gui/dialogs/delete_ends_dialog.h"
#include "gui/dialogs/insert_ends_dialog.h"
#include "gui/dialogs/search_name_dialog.h"
#include "gui/dialogs/search_type_dialog.h"
#include "gui/dialogs/swap_dialog.h"
#include "starter_double.h"
#include "support/test_support.h"

namespace sonavex::test {
namespace {

template <class Control>
Control* Find(QWidget* dialog, const char* name) {
  auto* control = dialog->findChild<Control*>(QString::fromLatin1(name));
  EXPECT_NE(control, nullptr) << name;
  return control;
}

void Text(QWidget* dialog, const char* name, const char* text) {
  Find<QLineEdit>(dialog, name)->setText(QString::fromUtf8(text));
}

void Number(QWidget* dialog, const char* name, int value) {
  Find<QSpinBox>(dialog, name)->setValue(value);
}

struct StarterCase {
  const char* name;
  std::function<std::unique_ptr<NameEditDialog>(BatchStarter&)> make;
  std::function<void(QWidget*)> fill;
  Operation code;
  OperationParams params;
};

template <class Dialog>
std::unique_ptr<NameEditDialog> Make(BatchStarter& starter) {
  return std::make_unique<Dialog>(starter);
}

const StarterCase kCases[] = {
    {"Form3", Make<DeleteEndsDialog>, [](QWidget* d) { Number(d, "SpinEdit1", 2); },
     Operation::L, DeleteEndsParams{2, 0}},
    {"Form4", Make<InsertEndsDialog>, [](QWidget* d) { Text(d, "Edit2", " (live)"); },
     Operation::E, InsertEndsParams{U"", U" (live)"}},
    {"Form6", Make<SearchNameDialog>,
     [](QWidget* d) { Text(d, "Edit1", "ä"); Text(d, "Edit2", "ae"); },
     Operation::X, SearchReplaceParams{U"ä", U"ae"}},
    {"Form7", Make<SearchTypeDialog>,
     [](QWidget* d) { Text(d, "Edit1", "mp3"); Text(d, "Edit2", "MP3"); },
     Operation::Y, SearchReplaceParams{U"mp3", U"MP3"}},
    {"Form8", Make<SwapDialog>,
     [](QWidget* d) { Number(d, "SpinEdit1", 2); Number(d, "SpinEdit2", 3); },
     Operation::T, SwapParams{2, 3}},
};

class DialogStarterTest : public ::testing::TestWithParam<StarterCase> {
 protected:
  TempDir dir;
  StarterDouble starter{dir / "mp3sonavex.INI"};
};

TEST_P(DialogStarterTest, StartHandsOverTheFieldsAndCloses) {
  const std::unique_ptr<NameEditDialog> dialog = GetParam().make(starter);
  dialog->show();
  GetParam().fill(dialog.get());
  dialog->startButton()->click();
  ASSERT_EQ(starter.runs.size(), 1u);
  EXPECT_EQ(starter.runs[0].first, GetParam().code);
  EXPECT_EQ(starter.runs[0].second, GetParam().params);
  EXPECT_FALSE(dialog->isVisible());
}

// The fields as every opening leaves them ask for nothing; a click on a
// disabled button would prove nothing, so the handler is called itself.
TEST_P(DialogStarterTest, NothingToDoStartsNothingAndStaysOpen) {
  const std::unique_ptr<NameEditDialog> dialog = GetParam().make(starter);
  dialog->show();
  dialog->onStartClicked();
  EXPECT_TRUE(starter.runs.empty());
  EXPECT_TRUE(dialog->isVisible());
}

// A declined preview changes nothing, and the fields stay for another try.
TEST_P(DialogStarterTest, ADeclinedPreviewKeepsTheDialogOpen) {
  starter.accept = false;
  const std::unique_ptr<NameEditDialog> dialog = GetParam().make(starter);
  dialog->show();
  GetParam().fill(dialog.get());
  dialog->startButton()->click();
  EXPECT_EQ(starter.runs.size(), 1u);
  EXPECT_TRUE(dialog->isVisible());
}

INSTANTIATE_TEST_SUITE_P(Dialogs, DialogStarterTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace sonavex::test
