#include "core/batch/registry.h"

#include <array>

#include "core/text/encoding.h"

namespace sonavex {
namespace {

template <class... Ts>
struct Overloaded : Ts... {
  using Ts::operator()...;
};

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

// 'R' renames every file to its own name with the table run over it.
NameEdit KeepNameForTable(const NameInput& name) {
  return NameEdit::RenameTo(name.base, name.extension);
}

template <class Params>
constexpr std::size_t IndexOf() {
  return OperationParams(Params{}).index();
}

using F = OperationFamily;

const std::array<OperationInfo, 9> kOperations = {{
    {Operation::R, F::Table, U"Zeichen ersetzen: Sofort", true, false, false,
     IndexOf<NoParams>(), WithoutParams<KeepNameForTable>},
    {Operation::L, F::NameEdit, U"Anfang/Ende Löschen", true, false, false,
     IndexOf<DeleteEndsParams>(), WithParams<DeleteEndsParams, DeleteAtEnds>},
    {Operation::E, F::NameEdit, U"Anfang/Ende Einfügen", false, false, false,
     IndexOf<InsertEndsParams>(), WithParams<InsertEndsParams, InsertAtEnds>},
    {Operation::X, F::NameEdit, U"Suchen und Ersetzen: Dateiname", true, false, false,
     IndexOf<SearchReplaceParams>(), WithParams<SearchReplaceParams, ReplaceInName>},
    {Operation::Y, F::NameEdit, U"Suchen und Ersetzen: Dateityp", true, false, false,
     IndexOf<SearchReplaceParams>(), WithParams<SearchReplaceParams, ReplaceInType>},
    {Operation::G, F::CaseSwap, U"Großbuchstaben abc->Abc", true, false, false,
     IndexOf<NoParams>(), WithoutParams<CapitalizeWords>},
    {Operation::K, F::CaseSwap, U"Kleinbuchstaben ABC->Abc", true, false, false,
     IndexOf<NoParams>(), WithoutParams<LowerInsideWords>},
    {Operation::S, F::CaseSwap, U"!s/!!s Streichen", true, false, false,
     IndexOf<NoParams>(), WithoutParams<StripMarker>},
    {Operation::T, F::CaseSwap, U"Tauschen", true, false, false,
     IndexOf<SwapParams>(), WithParams<SwapParams, SwapParts>},
}};

std::string Pair(const char* key, const std::u32string& value) {
  return std::string(key) + "=" + EncodeUtf8(value);
}

std::string Pair(const char* key, long value) {
  return std::string(key) + "=" + std::to_string(value);
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
          [](const SearchReplaceParams& p) {
            return Pair("search", p.search) + "\t" + Pair("replacement", p.replacement);
          },
          [](const SwapParams& p) { return Pair("a", p.a) + "\t" + Pair("b", p.b); },
      },
      params);
}

bool NameEditHasWork(const OperationParams& params) {
  return std::visit(Overloaded{[](const NoParams&) { return true; },
                               [](const auto& own) { return HasWork(own); }},
                    params);
}

}  // namespace sonavex
