#pragma once
// The actions of one journal chunk as one blob, so that a chunk of a
// thousand actions costs SQLite one row instead of a thousand.
//
// Each action is its kind (one byte) and then the fields of its kind, in a
// fixed order: byte strings behind their length, numbers as variable-length
// integers (7 bits a byte, low bits first; signed ones zigzagged). A
// rename's directory is stored as its length plus one, or as 0 where it is
// the directory of the rename before it in the same blob: a batch renames
// many files per folder.
//
// The old content of a replaced or removed file (`before` of
// ContentReplace and FileRemove) is not part of the blob: it may be large,
// and listing a batch's files should not read it. The journal keeps it in a
// table of its own.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/journal/journal.h"

namespace sonavex {

// Whether the `before` bytes of an action of `kind` are kept apart from
// the blob.
bool KeepsBeforeApart(ActionKind kind);

// Appends `actions` to `blob`.
void EncodeActions(std::span<const JournalAction> actions, std::string& blob);

// Appends the `count` actions of `blob` to `actions` (ids and states left
// as they are). False, with `actions` as it was, when the blob does not
// hold exactly `count` well-formed actions.
bool DecodeActions(std::string_view blob, std::int64_t count, std::vector<JournalAction>& actions);

}  // namespace sonavex
