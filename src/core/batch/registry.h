#pragma once
// The operations as one table: each row says what an operation is, which
// parameters it takes and which rule computes its step for one file.
// Adding an operation is one file under core/ops plus one row here (and its
// parameter struct in OperationParams).
#include <span>
#include <string>
#include <variant>

#include "core/ops/case_swap.h"
#include "core/ops/name_edits.h"
#include "core/ops/rename_rule.h"

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

// Each operation's parameters, as a dialog or the command line gives them;
// each struct lives beside its rule in core/ops.
using OperationParams = std::variant<NoParams, DeleteEndsParams, InsertEndsParams,
                                     SearchReplaceParams, SwapParams>;

// The rule of a renaming operation, over the parameters of its row.
using OperationRule = NameEdit (*)(const NameInput& name,
                                   const OperationParams& params);

struct OperationInfo {
  Operation code;
  OperationFamily family;
  const char32_t* caption;  // as the menus name it, without "&"
  bool appliesTable;        // the replacement table runs over the new base name
  bool ignoresMarks;        // always the whole directory (tree)
  bool needsMp3;            // acts only on MP3 files
  std::size_t paramsIndex;  // the alternative of OperationParams it takes
  OperationRule rule;       // the new name of one file
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

// False when a dialog's start button would do nothing for these parameters
// ('L' with both counts 0, 'E' with both texts empty, 'X' and 'Y' with an
// empty search text, 'T' with two equal numbers). Operations without
// parameters always work.
bool NameEditHasWork(const OperationParams& params);

}  // namespace sonavex
