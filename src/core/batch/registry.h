#pragma once
// The operations as one table: each row says what an operation is, which
// parameters it takes and which rule computes its step for one file.
// Adding an operation is one file under core/ops plus one row here (and its
// parameter struct in OperationParams).
#include <span>
#include <string>
#include <variant>

namespace sonavex {

// The operations that are built. The letters are the operation codes users
// and the settings know.
enum class Operation : char {
  R = 'R',  // replacement table alone ("Sofort")
  L = 'L',  // delete characters at the start and end of the base name
  E = 'E',  // insert text before and after the base name
  X = 'X',  // search and replace in the base name
  Y = 'Y',  // search and replace in the file type
  G = 'G',  // upper case at word starts
  K = 'K',  // lower case inside words
  S = 'S',  // strip a "!s." or "!!s." marker
  T = 'T',  // swap, move or delete " - " parts
};

enum class OperationFamily { Table, NameEdit, CaseSwap };

// Each operation's parameters, as a dialog or the command line gives them.
struct NoParams {
  bool operator==(const NoParams&) const = default;
};
struct DeleteEndsParams {  // 'L'
  long first = 0;
  long last = 0;
  bool operator==(const DeleteEndsParams&) const = default;
};
struct InsertEndsParams {  // 'E'
  std::u32string before;
  std::u32string after;
  bool operator==(const InsertEndsParams&) const = default;
};
struct SearchReplaceParams {  // 'X', 'Y'
  std::u32string search;
  std::u32string replacement;
  bool operator==(const SearchReplaceParams&) const = default;
};
struct SwapParams {  // 'T': "String" a "mit String" b
  int a = 0;
  int b = 0;
  bool operator==(const SwapParams&) const = default;
};
using OperationParams = std::variant<NoParams, DeleteEndsParams, InsertEndsParams,
                                     SearchReplaceParams, SwapParams>;

struct OperationInfo {
  Operation code;
  OperationFamily family;
  const char32_t* caption;  // as the menus name it, without "&"
  bool appliesTable;        // the replacement table runs over the new base name
  bool ignoresMarks;        // always the whole directory (tree)
  bool needsMp3;            // acts only on MP3 files
  std::size_t paramsIndex;  // the alternative of OperationParams it takes
};

// Every row, one per Operation value.
std::span<const OperationInfo> Operations();

// The row of `code`; every Operation has one (a test checks it).
const OperationInfo& InfoOf(Operation code);

// The operation with this letter, or nullptr for a letter that names none.
const OperationInfo* FindOperation(char letter);

// The parameters as a text for the journal and the preview, e.g.
// "search=a\treplacement=b" ("" for NoParams).
std::string DescribeParams(const OperationParams& params);

}  // namespace sonavex
