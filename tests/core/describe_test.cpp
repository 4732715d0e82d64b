#include "core/apply/describe.h"

#include <gtest/gtest.h>

#include "core/journal/journal.h"
#include "core/mp3/id3v1.h"
#include "core/mp3/id3v2.h"

namespace sonavex {
namespace {

PlanStep Step(StepKind kind, std::string directory, std::string name) {
  PlanStep step;
  step.kind = kind;
  step.directory = std::move(directory);
  step.name = std::move(name);
  return step;
}

// The preview's words and the dry run's line come from one place.
TEST(Describe, ARenameBelowTheBatchFolder) {
  Plan plan;
  plan.directory = "/m";
  PlanStep step = Step(StepKind::Rename, "/m/a b", "x.mp3");
  step.newName = "y.mp3";
  const StepWords words = Describe(plan, step);
  EXPECT_EQ(words.action, U"Umbenennen");
  EXPECT_EQ(words.file, "a b/x.mp3");
  EXPECT_EQ(words.before, U"x.mp3");
  EXPECT_EQ(words.after, U"y.mp3");
  EXPECT_EQ(words.line, "/m/a b/x.mp3\t/m/a b/y.mp3");
  EXPECT_EQ(words.note, U"");
}

TEST(Describe, ATagWriteNamesTheFieldsThatChange) {
  PlanStep step = Step(StepKind::TagWrite, "/m", "x.mp3");
  step.before = EmptyTag();
  step.after = RenderTagField(EmptyTag(), TagField::Interpret, U"Nena");
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
  PlanStep step = Step(StepKind::Id3v2Write, "/m", "x.mp3");
  step.before = old;
  step.after = RenderId3v2(old, changes).bytes;
  StepWords words = Describe(Plan{}, step);
  EXPECT_EQ(words.action, U"ID3v2-Tag schreiben");
  EXPECT_EQ(words.before, U"Titel: Alt");
  EXPECT_EQ(words.after, U"Titel: Neu");
  EXPECT_EQ(words.line, "/m/x.mp3\tID3v2-Tag geschrieben");
  step.before.clear();
  words = Describe(Plan{}, step);
  EXPECT_EQ(words.before, U"kein ID3v2-Tag");
  EXPECT_EQ(words.after, U"Titel: Neu; Jahr: 1999");
}

TEST(Describe, WhatCannotBeTakenBackSaysSo) {
  PlanStep large = Step(StepKind::ContentReplace, "/m", "big.m3u");
  large.before.assign(static_cast<std::size_t>(kMaxKeptContent) + 1, 'a');
  PlanStep marked = Step(StepKind::TagWrite, "/m", "x.mp3");
  marked.notUndoable = true;
  for (const PlanStep& step : {large, marked}) {
    EXPECT_FALSE(IsUndoable(step));
    EXPECT_EQ(Describe(Plan{}, step).note, U"Kann nicht rückgängig gemacht werden.");
  }
  EXPECT_TRUE(IsUndoable(Step(StepKind::ContentReplace, "/m", "small.m3u")));
}

}  // namespace
}  // namespace sonavex
