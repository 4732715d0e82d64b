#include "core/apply/describe.h"

#include <gtest/gtest.h>

#include "core/journal/journal.h"
#include "core/mp3/id3v1.h"
#include "core/mp3/id3v2.h"

namespace sonavex {
namespace {

// The preview's words and the dry run's line come from one place.
TEST(Describe, ARenameBelowTheBatchFolder) {
  Plan plan;
  plan.directory = "/m";
  const PlanStep step{"/m/a b", "x.mp3", steps::Rename{"y.mp3"}};
  const StepWords words = Describe(plan, step);
  EXPECT_EQ(words.action, U"Umbenennen");
  EXPECT_EQ(words.file, "a b/x.mp3");
  EXPECT_EQ(words.before, U"x.mp3");
  EXPECT_EQ(words.after, U"y.mp3");
  EXPECT_EQ(words.line, "/m/a b/x.mp3\t/m/a b/y.mp3");
  EXPECT_EQ(words.note, U"");
}

TEST(Describe, ATagWriteNamesTheFieldsThatChange) {
  const PlanStep step{
      "/m", "x.mp3",
      steps::TagWrite{EmptyTag(), RenderTagField(EmptyTag(), TagField::Interpret, U"Nena")}};
  const StepWords words = Describe(Plan{}, step);
  EXPECT_EQ(words.before, U"Interpret: ");
  EXPECT_EQ(words.after, U"Interpret: Nena");
  EXPECT_EQ(words.line, "/m/x.mp3\tTag geschrieben");
}

TEST(Describe, AnId3v2WriteNamesTheFieldsThatChangeOrThatTheTagIsNew) {
  Id3v2Changes changes;
  changes[static_cast<std::size_t>(Id3v2Field::Titel)] = U"Alt";
  changes[static_cast<std::size_t>(Id3v2Field::Jahr)] = U"1999";
  const std::string old = RenderId3v2({}, changes).bytes;
  changes[static_cast<std::size_t>(Id3v2Field::Titel)] = U"Neu";
  PlanStep step{"/m", "x.mp3", steps::Id3v2Write{old, RenderId3v2(old, changes).bytes}};
  StepWords words = Describe(Plan{}, step);
  EXPECT_EQ(words.action, U"ID3v2-Tag schreiben");
  EXPECT_EQ(words.before, U"Titel: Alt");
  EXPECT_EQ(words.after, U"Titel: Neu");
  EXPECT_EQ(words.line, "/m/x.mp3\tID3v2-Tag geschrieben");
  As<steps::Id3v2Write>(step).before.clear();
  words = Describe(Plan{}, step);
  EXPECT_EQ(words.before, U"kein ID3v2-Tag");
  EXPECT_EQ(words.after, U"Titel: Neu; Jahr: 1999");
}

// Content too large to keep is still written, but cannot be taken back; an
// undo step whose old content was not kept cannot even be performed.
TEST(Describe, WhatCannotBeTakenBackSaysSo) {
  steps::ContentReplace large;
  large.before.assign(static_cast<std::size_t>(kMaxKeptContent) + 1, 'a');
  steps::ContentReplace lost;
  lost.contentKept = false;
  const struct {
    StepChange change;
    bool performed;
    bool undoable;
  } cases[] = {
      {large, true, false},
      {steps::FileRemove{large.before}, true, false},
      {lost, false, false},
      {steps::FileCreate{{}, false}, false, false},
      {steps::ContentReplace{}, true, true},
      {steps::FileCreate{}, true, true},
      {steps::TagWrite{}, true, true},
  };
  for (const auto& c : cases) {
    const PlanStep step{"/m", "x", c.change};
    SCOPED_TRACE(static_cast<int>(Kind(step)));
    EXPECT_EQ(CanBePerformed(step), c.performed);
    EXPECT_EQ(IsUndoable(step), c.undoable);
    EXPECT_EQ(Describe(Plan{}, step).note,
              c.undoable ? U"" : U"Kann nicht rückgängig gemacht werden.");
  }
}

// Every kind the journal may hold comes back from its letter as it went in,
// and an undo batch is stored under the letter of the batch it takes back.
TEST(PlanKind, TheJournalLetterGoesBothWays) {
  for (const PlanKind kind : {PlanKindOf(Operation::X), PlanKindOf(Operation::Z),
                              PlanKind::RenameDialog, PlanKind::GridEdit,
                              PlanKind::TagOnRead, PlanKind::Export}) {
    EXPECT_EQ(PlanKindOfLetter(LetterOf(kind)), kind);
  }
  EXPECT_EQ(LetterOf(PlanKindOf(Operation::X)), 'X');
  Plan undo;
  undo.kind = PlanKind::Undo;
  undo.undone = PlanKind::RenameDialog;
  EXPECT_EQ(JournalLetter(undo), 'H');
}

}  // namespace
}  // namespace sonavex
