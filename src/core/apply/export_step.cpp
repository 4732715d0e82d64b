#include "core/apply/export_step.h"

#include <ostream>
#include <utility>

#include "core/apply/executor.h"
#include "core/apply/tag_on_read.h"
#include "core/batch/read_selected.h"
#include "core/fs/fs_write.h"
#include "core/text/encoding.h"

namespace sonavex {
namespace {

std::u32string TargetFailure(const std::string& target, std::error_code ec) {
  const auto [folder, name] = SplitPath(target);
  return FailureMessageText(ec, DecodeUtf8(folder), DecodeUtf8(name));
}

// The list's own step: a replacement of the list that is there (its old
// content kept for undo), or the creation of a new one. The content it
// writes is known only at the end.
std::error_code ListStep(const std::string& target, PlanStep& step) {
  PathParts parts = SplitPath(target);
  step.directory = std::move(parts.directory);
  step.name = std::move(parts.name);
  FileStat stat;
  if (StatPath(target, stat)) {
    step.change = steps::FileCreate{};
    return {};
  }
  steps::ContentReplace replace;
  const std::error_code ec = ReadWholeFile(target, replace.before);
  step.change = std::move(replace);
  return ec;
}

class ListExport {
 public:
  ListExport(const ExportJob& job, Reporter* reporter, bool tagOnRead, ExportSteps& steps)
      : job_(job), reporter_(reporter), tagOnRead_(tagOnRead), steps_(steps) {}

  // The temporary file first: a folder that cannot take it ends the export
  // before anything else happens.
  bool Run(const std::string& directory) {
    PlanStep list;
    std::error_code ec = ListStep(job_.target, list);
    if (ec) return Fail(0, ec);
    const std::int64_t id = steps_.Record(list);
    const auto mode = Kind(list) == StepKind::FileCreate ? FileReplacement::Mode::CreateOnly
                                                        : FileReplacement::Mode::Replace;
    FileReplacement replacement;
    if ((ec = replacement.Begin(job_.target, id != 0 ? JournaledTemporaryName(id) : "",
                                mode))) {
      return Fail(id, ec);
    }
    const std::string content = Build(directory);
    steps_.Outcome(id, content);
    if ((ec = replacement.Finish(content))) return Fail(id, ec);
    steps_.Settle(id, true, {});
    return true;
  }

  std::string Build(const std::string& directory) {
    BatchContext context = job_.context;
    context.reporter = reporter_;
    const TInfo::TagAppender append = [this](const std::string& path, std::int64_t size) {
      return steps_.Append(TagOnReadStep(path, size));
    };
    return BuildExport(directory, job_.markedNames, context, job_.params,
                       tagOnRead_ ? &append : nullptr);
  }

 private:
  bool Fail(std::int64_t id, std::error_code ec) {
    const std::u32string text = TargetFailure(job_.target, ec);
    if (reporter_ != nullptr) reporter_->Report(MessageKind::Error, text);
    steps_.Settle(id, false, text);
    return false;
  }

  const ExportJob& job_;
  Reporter* reporter_;
  bool tagOnRead_;
  ExportSteps& steps_;
};

}  // namespace

std::string BuildExport(const std::string& directory,
                        const std::vector<std::string>& markedNames,
                        const BatchContext& context, const ExportParams& params,
                        const TInfo::TagAppender* appendTag) {
  std::string content;
  std::string lastDirectory;
  bool started = false;
  ReadSelected(directory, markedNames, context, [&](ReadItem& item) {
    if (!started || item.directory != lastDirectory) {
      content += ExportDirectoryLine(item.directory);
    }
    started = true;
    lastDirectory = item.directory;
    if (const std::error_code ec = FinishRead(item.read, appendTag)) {
      if (context.reporter != nullptr) {
        RenameWithMessage(*context.reporter, ec, DecodeUtf8(item.directory),
                          DecodeUtf8(item.name));
      }
      return;
    }
    content += ExportFileLine(item.read.info.record, params);
  }, ReadFileRecordWithoutId3v2);
  return content;
}

// Standard output is no file: the list goes there as it is when complete.
bool PerformExport(const ExportJob& job, const std::string& directory,
                   const ExportOutlets& outlets, ExportSteps& steps) {
  ListExport list(job, outlets.reporter, outlets.tagOnRead, steps);
  if (job.target != "-") return list.Run(directory);
  const std::string content = list.Build(directory);
  std::ostream* out = outlets.standardOut;
  if (out == nullptr) return false;
  out->write(content.data(), static_cast<std::streamsize>(content.size()));
  out->flush();
  return static_cast<bool>(*out);
}

}  // namespace sonavex
