#include "core/batch/id3v2_follow.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "core/batch/step_builders.h"

namespace sonavex {
namespace {

constexpr std::pair<Id3v2Field, std::optional<std::u32string> TagTexts::*> kFollowed[] = {
    {Id3v2Field::Titel, &TagTexts::Titel},
    {Id3v2Field::Interpret, &TagTexts::Interpret},
    {Id3v2Field::Album, &TagTexts::Album},
};

}  // namespace

Id3v2FieldSet Id3v2FieldsOf(const TagTexts& texts) {
  Id3v2FieldSet fields;
  for (const auto& [field, text] : kFollowed) {
    if (texts.*text) fields.set(static_cast<std::size_t>(field));
  }
  return fields;
}

namespace {

template <class Params>
Id3v2FieldSet WorkedOn(const Params& params) {
  Id3v2FieldSet fields;
  fields.set(static_cast<std::size_t>(Id3v2Field::Titel), HasWork(params.titel));
  fields.set(static_cast<std::size_t>(Id3v2Field::Interpret), HasWork(params.interpret));
  fields.set(static_cast<std::size_t>(Id3v2Field::Album), HasWork(params.album));
  return fields;
}

}  // namespace

Id3v2FieldSet Id3v2FieldsToFollow(const TagTexts& texts, const OperationParams& params) {
  const Id3v2FieldSet given = Id3v2FieldsOf(texts);
  if (const auto* replace = std::get_if<TagReplaceParams>(&params)) {
    return given & WorkedOn(*replace);
  }
  if (const auto* cut = std::get_if<TagDeleteParams>(&params)) return given & WorkedOn(*cut);
  if (const auto* insert = std::get_if<TagInsertParams>(&params)) {
    return given & WorkedOn(*insert);
  }
  return given;
}

TagTexts SameFields(TagTexts texts, Id3v2FieldSet fields) {
  for (const auto& [field, text] : kFollowed) {
    if (!fields.test(static_cast<std::size_t>(field))) texts.*text = std::nullopt;
  }
  return texts;
}

Id3v2Changes FollowingChanges(const TagTexts& texts, const Id3v2Texts& present) {
  Id3v2Changes changes;
  for (const auto& [field, text] : kFollowed) {
    const auto index = static_cast<std::size_t>(field);
    if ((texts.*text) && *(texts.*text) != present[index]) changes[index] = texts.*text;
  }
  return changes;
}

void AddId3v2Follow(const std::string& directory, const std::string& name,
                    const Id3v2Tag& tag, const Id3v2Info& info, const TagTexts& texts,
                    Plan& plan) {
  const Id3v2Changes changes = FollowingChanges(texts, info.texts);
  if (std::none_of(changes.begin(), changes.end(), [](const auto& c) { return c.has_value(); })) {
    return;
  }
  Id3v2Rendering rendering = tag.Render(changes);
  if (!rendering.refusal.empty()) {
    plan.steps.push_back(Id3v2Refusal(directory, name, rendering.refusal));
  } else if (rendering.bytes != tag.bytes()) {
    plan.steps.push_back(
        Id3v2WriteStep(directory, name, std::string(tag.bytes()), std::move(rendering.bytes)));
  }
}

TagFieldsIn FieldsPreferringId3v2(const TagFieldsIn& v1, const Id3v2Info* info) {
  if (info == nullptr || !info->readable) return v1;
  const auto pick = [info](const std::u32string& own, Id3v2Field field) {
    const std::u32string& text = info->Text(field);
    return text.empty() ? own : text;
  };
  return {pick(v1.titel, Id3v2Field::Titel), pick(v1.interpret, Id3v2Field::Interpret),
          pick(v1.album, Id3v2Field::Album)};
}

}  // namespace sonavex
