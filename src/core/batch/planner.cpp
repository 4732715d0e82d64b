#include "core/batch/planner.h"

#include <algorithm>
#include <deque>
#include <iterator>
#include <memory_resource>
#include <optional>
#include <unordered_set>

#include "core/batch/id3v2_follow.h"
#include "core/batch/playlist_steps.h"
#include "core/batch/step_builders.h"
#include "core/fs/fs.h"
#include "core/mp3/file_bytes.h"
#include "core/mp3/id3v1.h"
#include "core/mp3/id3v2.h"
#include "core/mp3/read_ahead.h"
#include "core/mp3/tinfo.h"
#include "core/ops/tag_sync.h"
#include "core/text/encoding.h"

namespace sonavex {

PlanStep RefuseStep(const std::string& directory, const std::string& name,
                    const Refusal& refusal) {
  return {directory, name, steps::Refuse{{refusal.kind, refusal.text, refusal.button}}};
}

PlanStep Id3v2WriteStep(const std::string& directory, const std::string& name,
                        std::string before, std::string after) {
  return {directory, name, steps::Id3v2Write{std::move(before), std::move(after)}};
}

PlanStep Id3v2Refusal(const std::string& directory, const std::string& name,
                      std::u32string_view reason) {
  return RefuseStep(directory, name,
                    {MessageKind::Warning, DecodeUtf8(JoinPath(directory, name)) +
                                               std::u32string(kBreak) +
                                               std::u32string(kBreak) + std::u32string(reason)});
}

// A file the planner could not read: reported, the batch goes on.
PlanStep ReadFailureStep(const std::string& directory, const std::string& name,
                         std::error_code ec) {
  return RefuseStep(directory, name,
                    {MessageKind::Warning,
                     RenameMessageText(ec, DecodeUtf8(directory), DecodeUtf8(name))});
}

namespace {

// The names of one directory as the sequential run would find them at a
// given file: what was there when the plan began, with the names earlier
// steps gave and freed. Only collisions are foreseen; everything else the
// executor finds out when it gets there.
class DirectoryNames {
 public:
  DirectoryNames() { Take({}); }

  // The text the rename would be refused with, or empty; a rename that may
  // go ahead is recorded as the sequential run would perform it.
  std::u32string Claim(const std::string& directory, const std::string& oldName,
                       const std::string& newName) {
    Enter(directory);
    std::error_code ec;
    if (!IsValidFileName(newName)) {
      ec = std::make_error_code(std::errc::invalid_argument);
    } else if (!names_->insert(Keep(newName)).second) {
      // Exact names only: on a file system that ignores letter case, a
      // case-only change finds the file itself under its other spelling.
      ec = std::make_error_code(std::errc::file_exists);
    }
    if (!ec) {
      names_->erase(oldName);
      return {};
    }
    return RenameMessageText(ec, DecodeUtf8(directory), DecodeUtf8(oldName));
  }

  // The names of `directory` from the walk's listing of it, so that it is
  // not read a second time. The walk may list directories ahead of the
  // files being planned; each listing waits until its directory's turn.
  void Seed(const std::string& directory,
            const std::shared_ptr<const DirectoryListing>& listing) {
    listed_.emplace_back(directory, listing);
  }

  // The plan has come to a file of `directory`: the listings of the
  // directories before it are not needed any more, as files come in the
  // order of the walk.
  void Reach(const std::string& directory) {
    if (directory == directory_) return;
    while (!listed_.empty() && listed_.front().first != directory) listed_.pop_front();
  }

  // The rule's input for a file of `directory`, in texts kept from one file
  // to the next. A walk gives the files of one directory in a row, so the
  // directory is decoded once for all of them (a slash ends a sequence, so
  // decoding the parts gives the same text as decoding the path).
  const NameInput& InputFor(const std::string& directory, const std::string& fileName,
                            const TagFieldsIn* tag) {
    if (directory != decodedFor_ || decoded_.empty()) {
      decodedFor_ = directory;
      decoded_ = DecodeUtf8(JoinPath(directory, {}));
    }
    std::u32string& base = input_.base;
    base.resize(fileName.size());
    base.resize(DecodeUtf8Into(base.data(), fileName));
    const std::size_t dot = ExtensionStart(base);
    input_.extension.assign(base, dot);
    base.resize(dot);
    input_.folder = decoded_;
    input_.tag = tag;
    return input_;
  }

 private:
  // A walk visits one directory's files together, so only the present
  // directory needs its names kept. One read of the directory costs less
  // than looking up each new name on its own.
  void Enter(const std::string& directory) {
    if (directory == directory_) return;
    Reach(directory);
    directory_ = directory;
    if (!listed_.empty()) {
      current_ = std::move(listed_.front().second);
      listed_.pop_front();
    } else {
      std::error_code ec;
      DirectoryListing listing;
      listing.otherNames = ListNames(directory, ec);
      current_ = std::make_shared<const DirectoryListing>(std::move(listing));
    }
    Take(*current_);
  }

  // The names are looked up where the listing keeps them, not copied. The
  // set and the new names live in an arena that the next directory clears
  // at once.
  void Take(const DirectoryListing& listing) {
    names_.reset();
    arena_.release();
    names_.emplace(std::pmr::polymorphic_allocator<std::string_view>(&arena_));
    names_->reserve(listing.files.size() + listing.otherNames.size() +
                    listing.subdirectories.size());
    names_->insert(listing.files.begin(), listing.files.end());
    names_->insert(listing.otherNames.begin(), listing.otherNames.end());
    for (const Subdirectory& sub : listing.subdirectories) names_->insert(sub.name);
  }

  // A new name of the directory's renames, kept in the arena.
  std::string_view Keep(std::string_view name) {
    auto* bytes = static_cast<char*>(arena_.allocate(name.size(), 1));
    std::copy(name.begin(), name.end(), bytes);
    return {bytes, name.size()};
  }

  std::string directory_;
  std::string decodedFor_;
  std::u32string decoded_;
  NameInput input_;
  std::shared_ptr<const DirectoryListing> current_;
  std::pmr::monotonic_buffer_resource arena_;
  std::optional<std::pmr::unordered_set<std::string_view>> names_;
  std::deque<std::pair<std::string, std::shared_ptr<const DirectoryListing>>> listed_;
};

PlanStep PlannedRename(const std::string& directory, const std::string& oldName,
                    std::string newName, DirectoryNames& names) {
  PlanStep step{directory, oldName, {}, names.Claim(directory, oldName, newName)};
  step.change = steps::Rename{std::move(newName)};
  return step;
}

// What a renaming rule makes of one file: split the name, run the rule
// (with the record's tag fields for 'N'), run the table over the new base
// name where the operation wants it.
void PlanRenameFile(const OperationInfo& info, const OperationParams& params,
                    const BatchContext& context, const std::string& directory,
                    const std::string& fileName, const TagFieldsIn* tag,
                    DirectoryNames& names, Plan& plan) {
  const NameEdit edit = info.rule(names.InputFor(directory, fileName, tag), params);
  if (edit.outcome == NameEdit::Outcome::Refuse) {
    plan.steps.push_back(RefuseStep(directory, fileName, edit.refusal));
  }
  if (edit.outcome != NameEdit::Outcome::Rename) return;
  // "Sofort" runs the table whatever the switch says.
  const bool tableOn = info.code == Operation::R || context.replacementActive;
  std::string newName;
  newName.reserve(edit.base.size() + edit.extension.size());  // exact for ASCII
  if (info.appliesTable && tableOn) {
    EncodeUtf8Into(newName, ApplyReplacementTable(edit.base, context.table, true));
  } else {
    EncodeUtf8Into(newName, edit.base);
  }
  EncodeUtf8Into(newName, edit.extension);
  // The file system leaves an equal name alone: nothing to do, nothing to
  // show.
  if (newName == fileName) return;
  plan.steps.push_back(PlannedRename(directory, fileName, std::move(newName), names));
}

// The 128 tag bytes with each text present fitted into its field.
std::string RenderTexts(std::string tag, const TagTexts& texts) {
  const auto put = [&tag](TagField field, const std::optional<std::u32string>& text) {
    if (text) RenderFittedFieldInto(tag, field, *text);
  };
  put(TagField::Titel, texts.Titel);
  put(TagField::Interpret, texts.Interpret);
  put(TagField::Album, texts.Album);
  return tag;
}

// What a tag rule makes of one MP3 file: one write of the fields it gives,
// from the tag as it is now. Every field the rule gives is written, also
// one that keeps its bytes, as the file is written all the same. With the
// ID3v2 tag following, the rule runs once more over the texts of the
// file's ID3v2 tag (of the fields it changes, the only ones read), and what
// it gives goes there uncut. The tag is taken apart once for its reading
// and its rendering.
void PlanTagWrite(const OperationInfo& info, const OperationParams& params, TagInput file,
                  ReadItem& item, bool id3v2Follows, Plan& plan) {
  file.fileName = DecodeUtf8(item.name);
  file.directory = DecodeUtf8(item.directory);
  const TagTexts texts = info.tagRule(file, params);
  if (!texts.Titel && !texts.Interpret && !texts.Album) return;
  std::string after = RenderTexts(item.read.tail.bytes, texts);
  plan.steps.push_back({item.directory, item.name,
                        steps::TagWrite{std::move(item.read.tail.bytes), std::move(after)}});
  if (!id3v2Follows || item.read.id3v2Tag.empty()) return;
  const Id3v2FieldSet fields = Id3v2FieldsToFollow(texts, params);
  if (fields.none()) return;
  const Id3v2Tag tag(item.read.id3v2Tag);
  const Id3v2Info v2 = tag.Read(fields);
  file.fields = {v2.Text(Id3v2Field::Titel), v2.Text(Id3v2Field::Interpret),
                 v2.Text(Id3v2Field::Album)};
  AddId3v2Follow(item.directory, item.name, tag, v2,
                 SameFields(info.tagRule(file, params), fields), plan);
}

// What the operations need of an MP3 file: its size and last 128 bytes,
// and the tag fields those hold. The MPEG data the grid shows is not read.
template <bool kKeep>
FileRead ReadTagOfFile(const std::string& path) {
  FileRead read;
  FileHandle own;
  const FileHandle& file = OpenForTags(path, kKeep, own, read);
  if (read.error || (read.error = ReadTagTail(file, read.tail))) return read;
  if (HasTagMarker(read.tail.bytes)) ReadTag(read.tail.bytes, read.info);
  return read;
}

// What the tag operations need of an MP3 file while the ID3v2 tag follows
// them: the ID3v1 tag read and the bytes of the ID3v2 tag, through one
// open. The ID3v2 texts are read where they are needed. The start is read
// first: a small file's end comes with it, and on a share the read of the
// start brings the following pages along.
template <bool kKeep>
FileRead ReadTagAndId3v2Bytes(const std::string& path) {
  FileRead read;
  FileHandle own;
  const FileHandle& file = OpenForTags(path, kKeep, own, read);
  if (read.error) return read;
  TagTail& tail = read.tail;
  tail.size = file.Size(read.error);
  if (read.error) return read;
  FileBytes bytes(file, tail.size);
  if ((read.error = ReadId3v2Bytes(bytes, read.id3v2Tag))) return read;
  const std::int64_t start = std::max<std::int64_t>(0, tail.size - std::int64_t{kTagSize});
  if ((read.error = bytes.Copy(start, static_cast<std::size_t>(tail.size - start), tail.bytes))) {
    return read;
  }
  if (HasTagMarker(tail.bytes)) ReadTag(tail.bytes, read.info);
  return read;
}

// What the tag syncs need of an MP3 file: both of its tags.
template <bool kKeep>
FileRead ReadBothTags(const std::string& path) {
  FileRead read = ReadTagAndId3v2Bytes<kKeep>(path);
  if (!read.error && !read.id3v2Tag.empty()) {
    read.info.record.id3v2 = std::make_shared<const Id3v2Info>(ReadId3v2(read.id3v2Tag));
  }
  return read;
}

// "ID3v1 → ID3v2": a file with an ID3v1 tag gets its fields in the ID3v2
// tag, which is created when the file has none.
void PlanToId3v2(const std::string& directory, const std::string& fileName,
                 const FileRead& read, Plan& plan) {
  if (!HasTagMarker(read.tail.bytes)) return;
  const Id3v2Info* v2 = read.info.record.id3v2.get();
  const Id3v2Rendering rendering = RenderId3v2(
      read.id3v2Tag, Id3v2FromId3v1(read.tail.bytes, v2 != nullptr ? v2->texts : Id3v2Texts{}));
  if (!rendering.refusal.empty()) {
    plan.steps.push_back(Id3v2Refusal(directory, fileName, rendering.refusal));
    return;
  }
  if (rendering.bytes == read.id3v2Tag) return;
  plan.steps.push_back(Id3v2WriteStep(directory, fileName, read.id3v2Tag, rendering.bytes));
}

// "ID3v2 → ID3v1": a file with a readable ID3v2 tag gets its fields in the
// ID3v1 tag, which is appended first when the file has none.
void PlanToId3v1(const std::string& directory, const std::string& fileName,
                 const FileRead& read, Plan& plan) {
  const Id3v2Info* v2 = read.info.record.id3v2.get();
  if (v2 == nullptr) return;
  if (!v2->readable) {
    plan.steps.push_back(Id3v2Refusal(directory, fileName, U"ID3v2-Tag nicht lesbar"));
    return;
  }
  steps::TagWrite write{read.tail.bytes, {}};
  if (!HasTagMarker(read.tail.bytes)) {
    plan.steps.push_back({directory, fileName, steps::TagAppend{read.tail.size}});
    write.before = EmptyTag();
  }
  write.after = Id3v1FromId3v2(write.before, v2->texts);
  if (write.after == write.before) return;
  plan.steps.push_back({directory, fileName, std::move(write)});
}

void PlanSyncFile(Operation code, const ReadItem& item, Plan& plan) {
  if (item.read.error) {
    plan.steps.push_back(ReadFailureStep(item.directory, item.name, item.read.error));
  } else if (code == Operation::V) {
    PlanToId3v2(item.directory, item.name, item.read, plan);
  } else {
    PlanToId3v1(item.directory, item.name, item.read, plan);
  }
}

// The texts of a write of one field.
TagTexts OneField(TagField field, const std::u32string& text) {
  TagTexts texts;
  switch (field) {
    case TagField::Titel: texts.Titel = text; break;
    case TagField::Interpret: texts.Interpret = text; break;
    case TagField::Album: texts.Album = text; break;
  }
  return texts;
}

// The tag syncs read both tags; the tag operations read the ID3v2 tag's
// bytes too while it follows the ID3v1 tag.
template <bool kKeep>
ReadAhead::Reader ReaderFor(const OperationInfo& info, const BatchContext& context) {
  if (info.family == OperationFamily::Sync) return ReadBothTags<kKeep>;
  if (info.family == OperationFamily::Tag && context.id3v2FollowsTags) {
    return ReadTagAndId3v2Bytes<kKeep>;
  }
  return ReadTagOfFile<kKeep>;
}

bool ChangesTags(const OperationInfo& info) {
  return info.family == OperationFamily::Tag || info.family == OperationFamily::Sync;
}

// A tag batch that runs as soon as it is planned keeps the files it will
// change open from their reading to their change: that saves the second
// open and its close, and on a share the second read of each file too.
std::shared_ptr<OpenFiles> KeptFilesFor(const OperationInfo& info, const BatchContext& context) {
  if (!context.appliedAtOnce || !ChangesTags(info)) return nullptr;
  return std::make_shared<OpenFiles>();
}

// Keeps the file of `item` open for the plan's steps from `firstStep` on,
// when they change it, up to `limit` files.
void KeepForChange(ReadItem& item, std::size_t firstStep, std::size_t limit, Plan& plan) {
  if (plan.keptFiles == nullptr || !item.read.open.valid()) return;
  const auto changes = [](const PlanStep& step) {
    const StepKind kind = Kind(step);
    return kind == StepKind::TagAppend || kind == StepKind::TagWrite ||
           kind == StepKind::Id3v2Write;
  };
  const auto first = plan.steps.begin() + static_cast<std::ptrdiff_t>(firstStep);
  if (std::any_of(first, plan.steps.end(), changes)) {
    plan.keptFiles->Put(JoinPath(item.directory, item.name), item.read.open, limit);
  }
}

// The frame of the operations on MP3 files, for each MP3 file read ahead
// without changing it: an untagged file is planned to get its empty tag
// first and is read as that tag; a file that cannot be read is reported and
// the batch goes on.
void PlanMp3File(const OperationInfo& info, const OperationParams& params,
                 const BatchContext& context, ReadItem& item, DirectoryNames& names,
                 Plan& plan) {
  const std::string& directory = item.directory;
  const std::string& fileName = item.name;
  if (const std::error_code ec = item.read.error) {
    plan.steps.push_back(ReadFailureStep(directory, fileName, ec));
    return;
  }
  TInfo& record = item.read.info;
  TagTail& tail = item.read.tail;
  if (!HasTagMarker(tail.bytes)) {
    plan.steps.push_back({directory, fileName, steps::TagAppend{tail.size}});
    tail.bytes = EmptyTag();
    ReadTag(tail.bytes, record);
  }
  // The record's texts are not wanted after this.
  TagInput file{{std::move(record.Titel), std::move(record.Interpret), std::move(record.Album)},
                {},
                {}};
  if (info.tagRule != nullptr) {
    PlanTagWrite(info, params, std::move(file), item, context.id3v2FollowsTags, plan);
  } else {
    if (context.id3v2FollowsTags && !item.read.id3v2Tag.empty()) {
      const Id3v2Info v2 = ReadId3v2(item.read.id3v2Tag, kFollowedFields);
      file.fields = FieldsPreferringId3v2(file.fields, &v2);
    }
    PlanRenameFile(info, params, context, directory, fileName, &file.fields, names, plan);
  }
}

// What 'Z' makes of one file: its whole content read, the new content when
// the text model changes its bytes. A file that is not text is added to
// `notText`, whose paths the run names in one warning at its end.
void PlanContentFile(const OperationParams& params, const std::string& directory,
                     const std::string& fileName, std::vector<std::u32string>& notText,
                     Plan& plan) {
  const auto* own = std::get_if<TextReplaceParams>(&params);
  if (own == nullptr) return;
  const std::string path = JoinPath(directory, fileName);
  std::string bytes;
  if (const std::error_code ec = ReadWholeFile(path, bytes)) {
    plan.steps.push_back(ReadFailureStep(directory, fileName, ec));
    return;
  }
  TextReplaceResult result = ReplaceTextInContent(bytes, *own);
  if (result.outcome == TextReplaceResult::Outcome::NotText) {
    notText.push_back(DecodeUtf8(path));
  }
  if (result.outcome != TextReplaceResult::Outcome::Replaced) return;
  steps::ContentReplace change;
  change.before = std::move(bytes);
  change.after = std::move(result.content);
  change.changedLines = result.changedLines;
  plan.steps.push_back({directory, fileName, std::move(change)});
}

// The files of a run that are not text, in one refusal: one warning in
// place of a box per file.
void AddNotTextRefusal(const std::vector<std::u32string>& notText, Plan& plan) {
  if (notText.empty()) return;
  plan.steps.push_back(
      RefuseStep(plan.directory, {}, {MessageKind::Warning, NotTextMessage(notText)}));
}

void PlanFile(const OperationInfo& info, const OperationParams& params,
              const BatchContext& context, const std::string& directory,
              const std::string& fileName, DirectoryNames& names,
              std::vector<std::u32string>& notText, Plan& plan) {
  if (info.family == OperationFamily::Content) {
    PlanContentFile(params, directory, fileName, notText, plan);
  } else {
    PlanRenameFile(info, params, context, directory, fileName, nullptr, names, plan);
  }
}

Plan PlanHeader(const OperationInfo& info, const OperationParams& params,
                const std::string& directory) {
  Plan plan;
  plan.kind = PlanKindOf(info.code);
  plan.caption = info.caption;
  plan.parameters = DescribeParams(params);
  plan.directory = directory;
  return plan;
}

// "target=<path>\tcolumns=1,5\tseparator=tab", for the journal.
std::string DescribeExport(const std::string& target, const ExportParams& params) {
  std::string columns;
  for (std::size_t i = 0; i < params.columns.size(); ++i) {
    if (!params.columns[i]) continue;
    if (!columns.empty()) columns += ',';
    columns += std::to_string(i + 1);
  }
  return "target=" + target + "\tcolumns=" + columns +
         "\tseparator=" + (params.separator == ';' ? "semicolon" : "tab");
}

}  // namespace

Plan PlanSelection(Operation code, const OperationParams& params,
                   const std::string& directory,
                   const std::vector<std::string>& markedNames,
                   const BatchContext& context) {
  const OperationInfo* info = FindOperation(static_cast<char>(code));
  // A code without a row, or parameters of another operation, plan nothing.
  if (info == nullptr || params.index() != info->paramsIndex) return {};
  Plan plan = PlanHeader(*info, params, directory);
  DirectoryNames names;
  std::vector<std::u32string> notText;
  // The operations on MP3 files read each file's record; those are read
  // ahead, other files are passed over without a word.
  const bool readsMp3 = info->family != OperationFamily::Content && info->needsMp3;
  const int readsInFlight = readsMp3 ? ReadsInFlightFor(directory) : 1;
  plan.keptFiles = KeptFilesFor(*info, context);
  const std::size_t keptLimit =
      plan.keptFiles != nullptr ? KeptFilesLimit(readsInFlight > 1) : 0;
  OrderedReads reads(
      readsInFlight,
      [&](ReadItem& item) {
        names.Reach(item.directory);
        const std::size_t firstStep = plan.steps.size();
        if (info->family == OperationFamily::Sync) {
          PlanSyncFile(info->code, item, plan);
        } else {
          PlanMp3File(*info, params, context, item, names, plan);
        }
        KeepForChange(item, firstStep, keptLimit, plan);
      },
      plan.keptFiles != nullptr ? ReaderFor<true>(*info, context)
                                : ReaderFor<false>(*info, context));
  const FileVisitor visit = [&](const std::string& dir, const std::string& name) {
    if (!readsMp3) {
      names.Reach(dir);
      PlanFile(*info, params, context, dir, name, names, notText, plan);
    } else if (IsMp3Name(name)) {
      reads.Add(dir, name);
    }
  };
  std::vector<std::string> walked{directory};
  if (markedNames.empty() || info->ignoresMarks) {
    walked.clear();
    // Only the folders that hold a playlist are looked at again for it.
    const ListingVisitor listed = [&](const std::string& dir,
                                      const std::shared_ptr<const DirectoryListing>& listing) {
      names.Seed(dir, listing);
      if (HoldsPlaylist(*listing)) walked.push_back(dir);
    };
    const bool walked = WalkFiles(context, directory, visit, listed);
    reads.Drain();
    AddNotTextRefusal(notText, plan);
    if (!walked) {
      plan.steps.push_back(
          {directory, {}, steps::WalkFailure{{MessageKind::Error, WalkFailureText(directory)}}});
    }
  } else {
    for (const std::string& name : markedNames) visit(directory, name);
    reads.Drain();
    AddNotTextRefusal(notText, plan);
  }
  AddPlaylistSteps(walked, context, plan);
  return plan;
}

Plan PlanRename(const std::string& directory, const std::string& oldName,
                const std::string& newName, const BatchContext& context) {
  Plan plan;
  plan.kind = PlanKind::RenameDialog;
  plan.caption = U"Umbenennen";
  plan.directory = directory;
  if (oldName == newName) return plan;
  DirectoryNames names;
  plan.steps.push_back(PlannedRename(directory, oldName, newName, names));
  AddPlaylistSteps({directory}, context, plan);
  return plan;
}

Plan PlanTagField(const std::string& directory, const std::string& name,
                  TagField field, const std::u32string& text, std::error_code& ec,
                  bool id3v2Follows) {
  Plan plan;
  plan.kind = PlanKind::GridEdit;
  plan.caption = U"ID3Tag bearbeiten";
  plan.directory = directory;
  const std::string path = JoinPath(directory, name);
  FileRead read = id3v2Follows ? ReadBothTags<false>(path) : ReadTagOfFile<false>(path);
  if ((ec = read.error)) return plan;
  TagTail& tail = read.tail;
  // A file that has lost its tag (or never had one) gets an empty tag
  // first, so the field never lands in the audio data.
  steps::TagWrite write;
  if (HasTagMarker(tail.bytes)) {
    write.before = std::move(tail.bytes);
  } else {
    plan.steps.push_back({directory, name, steps::TagAppend{tail.size}});
    write.before = EmptyTag();
  }
  write.after = RenderTagField(write.before, field, text);
  plan.steps.push_back({directory, name, std::move(write)});
  if (const Id3v2Info* v2 = read.info.record.id3v2.get()) {
    AddId3v2Follow(directory, name, Id3v2Tag(read.id3v2Tag), *v2, OneField(field, text), plan);
  }
  return plan;
}

}  // namespace sonavex

namespace sonavex {

Plan PlanExport(const std::string& target, const std::string& directory,
                const std::vector<std::string>& markedNames,
                const BatchContext& context, const ExportParams& params) {
  Plan plan;
  plan.kind = PlanKind::Export;
  plan.caption = kExportCaption;
  plan.parameters = DescribeExport(target, params);
  plan.directory = directory;
  auto job = std::make_shared<ExportJob>(ExportJob{target, markedNames, context, params});
  job->context.reporter = nullptr;  // the executor reports
  plan.steps.push_back({directory, {}, steps::Export{std::move(job)}});
  return plan;
}

}  // namespace sonavex
