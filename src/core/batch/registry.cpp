#include "core/batch/registry.h"

#include <array>

#include "core/batch/arguments.h"
#include "core/text/encoding.h"

namespace sonavex {
namespace {

template <class... Ts>
struct Overloaded : Ts... {
  using Ts::operator()...;
};
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

// Adapts a rule that takes no parameters to the row's rule type.
template <NameEdit (*Rule)(const NameInput&)>
NameEdit WithoutParams(const NameInput& name, const OperationParams&) {
  return Rule(name);
}

// Adapts a rule over its own parameter struct. The planner checks the
// alternative against the row before it calls a rule, so a mismatch here
// is a programming error; it leaves the file alone.
template <class Params, NameEdit (*Rule)(const NameInput&, const Params&)>
NameEdit WithParams(const NameInput& name, const OperationParams& params) {
  const Params* own = std::get_if<Params>(&params);
  return own != nullptr ? Rule(name, *own) : NameEdit::Keep();
}

// 'N' builds the new base name from the record's fields; the extension is
// always ".mp3" in small letters. Without the fields (no record loaded) the
// file is left alone.
NameEdit NameFromRecord(const NameInput& name, const NameFromTagParams& params) {
  if (name.tag == nullptr) return NameEdit::Keep();
  return NameEdit::RenameTo(NameFromTag(*name.tag, name.base, params), U".mp3");
}

// Adapts a rule over the three fields to the row's tag rule type; a
// mismatch of the parameters writes nothing.
template <class Params, TagTexts (*Rule)(const TagFieldsIn&, const Params&)>
TagTexts FieldsRule(const TagInput& file, const OperationParams& params) {
  const Params* own = std::get_if<Params>(&params);
  return own != nullptr ? Rule(file.fields, *own) : TagTexts{};
}

TagTexts FromName(const TagInput& file, const OperationParams& params) {
  const auto* own = std::get_if<TagFromNameParams>(&params);
  return own != nullptr ? TagFromName(file.fileName, file.directory, *own) : TagTexts{};
}

// 'R' renames every file to its own name with the table run over it.
NameEdit KeepNameForTable(const NameInput& name) {
  return NameEdit::RenameTo(name.base, name.extension);
}

template <class Params>
constexpr std::size_t IndexOf() {
  return OperationParams(Params{}).index();
}

using F = OperationFamily;

template <Operation Code>
std::string NameEditWords(const CommandWords& words, OperationParams& params) {
  return ReadNameEditWords(Code, words, params);
}

// The help of the operations that rename: "SUCHEN ERSETZEN" and the like.
template <Operation Code>
constexpr CommandInfo NameCommand(const char* name, std::array<const char*, 3> operands,
                                  const char* description) {
  return {name, operands, description, false, NameEditWords<Code>};
}

const std::array<OperationInfo, 17> kOperations = {{
    {Operation::L, F::NameEdit, U"Anfang/Ende Löschen", true, false, false,
     IndexOf<DeleteEndsParams>(), WithParams<DeleteEndsParams, DeleteAtEnds>, nullptr,
     NameCommand<Operation::L>("delete-ends", {"ERSTE", "LETZTE"},
                               "Zeichen am Anfang und Ende des Namens löschen")},
    {Operation::E, F::NameEdit, U"Anfang/Ende Einfügen", false, false, false,
     IndexOf<InsertEndsParams>(), WithParams<InsertEndsParams, InsertAtEnds>, nullptr,
     NameCommand<Operation::E>("insert-ends", {"VORN", "HINTEN"},
                               "Text vor und nach dem Namen einfügen")},
    {Operation::X, F::NameEdit, U"Suchen und Ersetzen: Dateiname", true, false, false,
     IndexOf<SearchReplaceParams>(), WithParams<SearchReplaceParams, ReplaceInName>,
     nullptr,
     NameCommand<Operation::X>("replace-name", {"SUCHEN", "ERSETZEN"},
                               "im Dateinamen suchen und ersetzen")},
    {Operation::Y, F::NameEdit, U"Suchen und Ersetzen: Dateityp", true, false, false,
     IndexOf<SearchReplaceParams>(), WithParams<SearchReplaceParams, ReplaceInType>,
     nullptr,
     NameCommand<Operation::Y>("replace-type", {"SUCHEN", "ERSETZEN"},
                               "im Dateityp suchen und ersetzen")},
    {Operation::Z, F::Content, U"Suchen und Ersetzen: Text", false, false, false,
     IndexOf<TextReplaceParams>(), nullptr, nullptr,
     NameCommand<Operation::Z>(
         "replace-text", {"SUCHEN", "ERSETZEN"},
         "im Inhalt von Textdateien zeilenweise suchen und ersetzen\n"
         "      (Dateien, die keine Textdateien sind, bleiben unverändert)")},
    {Operation::T, F::CaseSwap, U"Tauschen", true, false, false,
     IndexOf<SwapParams>(), WithParams<SwapParams, SwapParts>, nullptr,
     NameCommand<Operation::T>("swap", {"A", "B"},
                               "Teile \" - \" tauschen, verschieben oder löschen (0 bis 10)")},
    {Operation::G, F::CaseSwap, U"Großbuchstaben abc->Abc", true, false, false,
     IndexOf<NoParams>(), WithoutParams<CapitalizeWords>, nullptr,
     NameCommand<Operation::G>("capitalize", {}, "Großbuchstaben abc->Abc")},
    {Operation::K, F::CaseSwap, U"Kleinbuchstaben ABC->Abc", true, false, false,
     IndexOf<NoParams>(), WithoutParams<LowerInsideWords>, nullptr,
     NameCommand<Operation::K>("lowercase", {}, "Kleinbuchstaben ABC->Abc")},
    {Operation::S, F::CaseSwap, U"!s/!!s Streichen", true, false, false,
     IndexOf<NoParams>(), WithoutParams<StripMarker>, nullptr,
     NameCommand<Operation::S>("strip-marker", {}, "!s/!!s streichen")},
    {Operation::R, F::Table, U"Zeichen ersetzen: Sofort", true, false, false,
     IndexOf<NoParams>(), WithoutParams<KeepNameForTable>, nullptr,
     NameCommand<Operation::R>("replace-table", {},
                               "die Ersetzungstabelle anwenden (auch wenn sie aus ist)")},
    {Operation::N, F::Tag, U"Dateiname aus ID3Tag erstellen", true, false, true,
     IndexOf<NameFromTagParams>(), WithParams<NameFromTagParams, NameFromRecord>,
     nullptr,
     {"name-from-tag", {"MUSTER"},
      "Dateiname aus ID3Tag erstellen (nur MP3-Dateien, Endung \".mp3\"):\n"
      "      0 Album - Interpret - Titel, 1 Interpret - Album - Titel,\n"
      "      2 Interpret - Titel, 3 Titel - Interpret, 4 Titel, -1 keines",
      false, ReadNameFromTagWords}},
    {Operation::I, F::Tag, U"ID3Tag aus Dateiname erstellen", false, false, true,
     IndexOf<TagFromNameParams>(), nullptr, FromName,
     {"tag-from-name", {"TITEL", "INTERPRET", "ALBUM"},
      "ID3Tag aus Dateiname erstellen; je Feld \"-\" (nicht schreiben), die\n"
      "      Nummer der Quelle wie im Dialog (Titel 0 bis 9, Interpret 0 bis 11,\n"
      "      Album 0 bis 9) oder \"=TEXT\" (dieser Text)",
      false, ReadTagFromNameWords}},
    {Operation::W, F::Tag, U"ID3Tag Suchen und Ersetzen", false, true, true,
     IndexOf<TagReplaceParams>(), nullptr, FieldsRule<TagReplaceParams, TagSearchReplace>,
     {"tag-replace", {},
      "im ID3Tag suchen und ersetzen: --title/--artist/--album SUCHEN\n"
      "      ERSETZEN; immer alle Dateien des Verzeichnisses (ohne Markierungen)",
      true, ReadTagReplaceWords}},
    {Operation::A, F::Tag, U"ID3Tag Anfang/Ende Löschen", false, true, true,
     IndexOf<TagDeleteParams>(), nullptr, FieldsRule<TagDeleteParams, TagDeleteStartEnd>,
     {"tag-delete-ends", {},
      "am Anfang und Ende der ID3Tag-Felder löschen: --title/--artist/--album\n"
      "      ERSTE LETZTE (0 bis 30); immer alle Dateien des Verzeichnisses",
      true, ReadTagDeleteWords}},
    {Operation::B, F::Tag, U"ID3Tag Anfang/Ende Einfügen", false, true, true,
     IndexOf<TagInsertParams>(), nullptr, FieldsRule<TagInsertParams, TagInsertStartEnd>,
     {"tag-insert-ends", {},
      "vor und nach den ID3Tag-Feldern einfügen: --title/--artist/--album\n"
      "      VORN HINTEN (je höchstens 30 Zeichen); immer alle Dateien des\n"
      "      Verzeichnisses",
      true, ReadTagInsertWords}},
    {Operation::V, F::Sync, U"ID3v1 → ID3v2", false, false, true, IndexOf<NoParams>(),
     nullptr, nullptr, {nullptr, {}, "", false, nullptr}},
    {Operation::Q, F::Sync, U"ID3v2 → ID3v1", false, false, true, IndexOf<NoParams>(),
     nullptr, nullptr, {nullptr, {}, "", false, nullptr}},
}};

std::string Pair(const std::string& key, const std::u32string& value) {
  return key + "=" + EncodeUtf8(value);
}

std::string Pair(const std::string& key, long value) {
  return key + "=" + std::to_string(value);
}

template <class Params>
std::string SearchPairs(const Params& p) {
  return Pair("search", p.search) + "\t" + Pair("replacement", p.replacement);
}

// One field's pairs, each key led by the field's name ("title.search=a");
// empty when the field has nothing to do.
std::string Describe(const std::string& at, const FieldReplace& f) {
  if (f.search.empty()) return {};
  return Pair(at + ".search", f.search) + "\t" + Pair(at + ".replacement", f.replacement);
}

std::string Describe(const std::string& at, const FieldCounts& f) {
  if (f.first <= 0 && f.last <= 0) return {};
  return Pair(at + ".first", f.first) + "\t" + Pair(at + ".last", f.last);
}

std::string Describe(const std::string& at, const FieldAffixes& f) {
  if (f.before.empty() && f.after.empty()) return {};
  return Pair(at + ".before", f.before) + "\t" + Pair(at + ".after", f.after);
}

// A source of 'I' as the command line writes it: "-" not written (also
// when checked without a source), the index of its table, or "=" and the
// typed text.
std::string Describe(const std::string& at, const TagSource& source) {
  std::string text = at + "=";
  if (!source.enabled || source.index == kNoTagSource) {
    text += '-';
  } else if (source.index >= 0) {
    text += std::to_string(source.index);
  } else {
    text += '=';
    text += EncodeUtf8(source.text);
  }
  return text;
}

// The pairs of the three fields, tab-separated.
template <class Params>
std::string DescribeFields(const Params& p) {
  std::string text;
  for (const std::string& pairs :
       {Describe("title", p.titel), Describe("artist", p.interpret),
        Describe("album", p.album)}) {
    if (!pairs.empty()) text += (text.empty() ? "" : "\t") + pairs;
  }
  return text;
}

}  // namespace

std::span<const OperationInfo> Operations() { return kOperations; }

const OperationInfo& InfoOf(Operation code) {
  // Every Operation has a row (a test checks it); the first row stands in
  // so that a missing one cannot read past the table.
  const OperationInfo* info = FindOperation(static_cast<char>(code));
  return info != nullptr ? *info : kOperations.front();
}

const OperationInfo* FindOperation(char letter) {
  for (const OperationInfo& info : kOperations) {
    if (static_cast<char>(info.code) == letter) return &info;
  }
  return nullptr;
}

std::string DescribeParams(const OperationParams& params) {
  return std::visit(
      Overloaded{
          [](const NoParams&) { return std::string(); },
          [](const DeleteEndsParams& p) {
            return Pair("first", p.first) + "\t" + Pair("last", p.last);
          },
          [](const InsertEndsParams& p) {
            return Pair("before", p.before) + "\t" + Pair("after", p.after);
          },
          [](const SearchReplaceParams& p) { return SearchPairs(p); },
          [](const SwapParams& p) { return Pair("a", p.a) + "\t" + Pair("b", p.b); },
          [](const NameFromTagParams& p) { return Pair("pattern", p.pattern); },
          [](const TextReplaceParams& p) { return SearchPairs(p); },
          [](const auto& p) { return DescribeFields(p); },
      },
      params);
}

bool NameEditHasWork(const OperationParams& params) {
  return std::visit(Overloaded{[](const NoParams&) { return true; },
                               [](const NameFromTagParams&) { return true; },
                               [](const auto& own) { return HasWork(own); }},
                    params);
}

}  // namespace sonavex
