#include "core/journal/action_blob.h"

namespace sonavex {
namespace {

// Which fields an action of each kind carries besides its path.
struct KindFields {
  bool before;
  bool after;
  bool sizeBefore;
  bool sizeAfter;
  bool hashAfter;
};

KindFields FieldsOf(ActionKind kind) {
  switch (kind) {
    case ActionKind::TagWrite: return {true, true, false, false, false};
    case ActionKind::TagAppend:
    case ActionKind::TagRemove:
    case ActionKind::FileRemove: return {false, false, true, false, false};
    case ActionKind::ContentReplace: return {false, false, true, true, true};
    case ActionKind::ExportWrite: return {false, false, false, true, true};
    case ActionKind::Id3v2Write: return {true, true, true, true, true};
    case ActionKind::Rename: break;
  }
  return {false, false, false, false, false};
}

bool IsKnownKind(std::uint64_t kind) {
  return kind >= static_cast<std::uint64_t>(ActionKind::Rename) &&
         kind <= static_cast<std::uint64_t>(ActionKind::Id3v2Write);
}

void PutNumber(std::uint64_t value, std::string& blob) {
  while (value >= 0x80) {
    blob += static_cast<char>((value & 0x7F) | 0x80);
    value >>= 7;
  }
  blob += static_cast<char>(value);
}

void PutSigned(std::int64_t value, std::string& blob) {
  const auto bits = static_cast<std::uint64_t>(value);
  PutNumber((bits << 1) ^ (value < 0 ? ~std::uint64_t{0} : 0), blob);
}

void PutBytes(std::string_view bytes, std::string& blob) {
  PutNumber(bytes.size(), blob);
  blob += bytes;
}

// Reads the blob front to back; any read past its end or a number that
// does not fit sets `failed` and yields zero or empty.
class Reader {
 public:
  explicit Reader(std::string_view blob) : rest_(blob) {}

  bool failed() const { return failed_; }
  bool done() const { return rest_.empty(); }
  void Fail() { failed_ = true; }

  std::uint64_t Number() {
    std::uint64_t value = 0;
    for (int shift = 0; shift < 64; shift += 7) {
      if (rest_.empty()) break;
      const auto byte = static_cast<unsigned char>(rest_.front());
      rest_.remove_prefix(1);
      value |= std::uint64_t{byte & 0x7Fu} << shift;
      if ((byte & 0x80) == 0) return value;
    }
    failed_ = true;
    return 0;
  }

  std::int64_t Signed() {
    const std::uint64_t bits = Number();
    return static_cast<std::int64_t>((bits >> 1) ^ (~(bits & 1) + 1));
  }

  std::string Bytes() { return Take(Number()); }

  // A rename's directory: 0 for the one before, else its length plus one.
  void Directory(std::string& directory) {
    const std::uint64_t stored = Number();
    if (stored != 0) directory = Take(stored - 1);
  }

 private:
  std::string Take(std::uint64_t size) {
    if (failed_ || size > rest_.size()) {
      failed_ = true;
      return {};
    }
    std::string bytes(rest_.substr(0, size));
    rest_.remove_prefix(size);
    return bytes;
  }

  std::string_view rest_;
  bool failed_ = false;
};

void EncodeAction(const JournalAction& action, const std::string*& directory,
                  std::string& blob) {
  PutNumber(static_cast<std::uint64_t>(action.kind), blob);
  if (action.kind == ActionKind::Rename) {
    if (directory != nullptr && *directory == action.directory) {
      PutNumber(0, blob);
    } else {
      PutNumber(action.directory.size() + 1, blob);
      blob += action.directory;
      directory = &action.directory;
    }
    PutBytes(action.oldName, blob);
    PutBytes(action.newName, blob);
    return;
  }
  PutBytes(action.path, blob);
  const KindFields fields = FieldsOf(action.kind);
  if (fields.before) PutBytes(action.before, blob);
  if (fields.after) PutBytes(action.after, blob);
  if (fields.sizeBefore) PutSigned(action.sizeBefore, blob);
  if (fields.sizeAfter) PutSigned(action.sizeAfter, blob);
  if (fields.hashAfter) PutBytes(action.hashAfter, blob);
}

JournalAction DecodeAction(Reader& reader, std::string& directory) {
  JournalAction action;
  const std::uint64_t kind = reader.Number();
  if (!IsKnownKind(kind)) {
    reader.Fail();
    return action;
  }
  action.kind = static_cast<ActionKind>(kind);
  if (action.kind == ActionKind::Rename) {
    reader.Directory(directory);
    action.directory = directory;
    action.oldName = reader.Bytes();
    action.newName = reader.Bytes();
    return action;
  }
  action.path = reader.Bytes();
  const KindFields fields = FieldsOf(action.kind);
  if (fields.before) action.before = reader.Bytes();
  if (fields.after) action.after = reader.Bytes();
  if (fields.sizeBefore) action.sizeBefore = reader.Signed();
  if (fields.sizeAfter) action.sizeAfter = reader.Signed();
  if (fields.hashAfter) action.hashAfter = reader.Bytes();
  return action;
}

}  // namespace

bool KeepsBeforeApart(ActionKind kind) {
  return kind == ActionKind::ContentReplace || kind == ActionKind::FileRemove;
}

void EncodeActions(std::span<const JournalAction> actions, std::string& blob) {
  const std::string* directory = nullptr;
  for (const JournalAction& action : actions) EncodeAction(action, directory, blob);
}

bool DecodeActions(std::string_view blob, std::int64_t count, std::vector<JournalAction>& actions) {
  const std::size_t size = actions.size();
  Reader reader(blob);
  std::string directory;
  for (std::int64_t i = 0; i < count && !reader.failed() && !reader.done(); ++i) {
    actions.push_back(DecodeAction(reader, directory));
  }
  if (reader.failed() || !reader.done() ||
      static_cast<std::int64_t>(actions.size() - size) != count) {
    actions.resize(size);
    return false;
  }
  return true;
}

}  // namespace sonavex
