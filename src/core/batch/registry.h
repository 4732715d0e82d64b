#pragma once
// The operations as one table: each row says what an operation is, which
// parameters it takes and which rule computes its step for one file.
// Adding an operation is one file under core/ops plus one row here (and its
// parameter struct in OperationParams).
#include <array>
#include <span>
#include <string>
#include <variant>

#include "core/ops/case_swap.h"
#include "core/ops/name_edits.h"
#include "core/ops/rename_rule.h"
#include "core/ops/tag_ops.h"
#include "core/ops/text_replace.h"

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
  N = 'N',  // file name from the ID3v1 tag
  I = 'I',  // ID3v1 title, artist and album from the file and directory names
  W = 'W',  // search and replace in the tag fields
  A = 'A',  // delete characters at the start and end of the tag fields
  B = 'B',  // insert text before and after the tag fields
  Z = 'Z',  // search and replace inside the contents of text files
  V = 'V',  // ID3v1 title, artist, album, track, year and genre into the ID3v2 tag
  Q = 'Q',  // the same fields of the ID3v2 tag into the ID3v1 tag
};

// Content: the operation rewrites a file's contents (its rule is its own,
// not a row's rule). Sync: it copies one tag of an MP3 file into the other.
enum class OperationFamily { Table, NameEdit, CaseSwap, Tag, Content, Sync };

// Each operation's parameters, as a dialog or the command line gives them;
// each struct lives beside its rule in core/ops.
using OperationParams =
    std::variant<NoParams, DeleteEndsParams, InsertEndsParams, SearchReplaceParams,
                 SwapParams, NameFromTagParams, TagFromNameParams, TagReplaceParams,
                 TagDeleteParams, TagInsertParams, TextReplaceParams>;

// The rule of a renaming operation, over the parameters of its row. 'N'
// finds the record's fields in `name.tag`.
using OperationRule = NameEdit (*)(const NameInput& name,
                                   const OperationParams& params);

// What a tag rule sees of one MP3 file: its record's fields (an untagged
// file's as its empty tag holds them), its name and the full path of its
// directory.
struct TagInput {
  TagFieldsIn fields;
  std::u32string fileName;
  std::u32string directory;
};

// The rule of an operation that writes the tag: the texts of the fields it
// writes, not yet fitted.
using TagRule = TagTexts (*)(const TagInput& file, const OperationParams& params);

struct CommandWords;

// Reads a command line's words into the operation's parameters; returns a
// usage problem, or an empty text.
using ArgumentReader = std::string (*)(const CommandWords& words, OperationParams& params);

// How the command-line tool offers an operation.
struct CommandInfo {
  // The long command name, e.g. "replace-name"; null for an operation the
  // command line offers under a command of several ("sync-tags").
  const char* name;
  // The operands' names for the help, unused ones null.
  std::array<const char*, 3> operands;
  const char* description;  // the help text, German
  bool takesFields;         // takes --title, --artist and --album
  ArgumentReader read;
};

struct OperationInfo {
  Operation code;
  OperationFamily family;
  const char32_t* caption;  // as the menus name it, without "&"
  bool appliesTable;        // the replacement table runs over the new base name
  bool ignoresMarks;        // always the whole directory (tree)
  bool needsMp3;            // acts only on MP3 files
  std::size_t paramsIndex;  // the alternative of OperationParams it takes
  OperationRule rule;       // the new name of one file, or nullptr
  TagRule tagRule;          // the new tag fields of one file, or nullptr
  CommandInfo command;
};

// Every row, one per Operation value, in the order the command-line help
// lists them.
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
// empty search text, 'T' with two equal numbers; 'I' with no field checked,
// 'W' with every search text empty, 'Z' with an empty search text, 'A' with every count 0, 'B' with every
// text empty). 'N' and operations without parameters always work.
bool NameEditHasWork(const OperationParams& params);

}  // namespace sonavex
