#include "core/apply/tag_on_read.h"

#include <utility>

namespace sonavex {

PlanStep TagOnReadStep(const std::string& path, std::int64_t size) {
  PathParts parts = SplitPath(path);
  return {std::move(parts.directory), std::move(parts.name), steps::TagAppend{size}};
}

TagOnRead::TagOnRead(ExecutorContext context) : context_(std::move(context)) {}

TagOnRead::~TagOnRead() = default;

TInfo::TagAppender TagOnRead::Appender() {
  if (!context_.tagOnRead) return {};
  return [this](const std::string& path, std::int64_t size) { return Append(path, size); };
}

bool TagOnRead::Append(const std::string& path, std::int64_t size) {
  const PlanStep step = TagOnReadStep(path, size);
  if (!session_) {
    Plan header;
    header.kind = PlanKind::TagOnRead;
    header.caption = kTagOnReadCaption;
    header.directory = step.directory;
    session_ = std::make_unique<StepSession>(context_, header);
  }
  return session_->Apply(step);
}

bool TagOnRead::End() {
  const bool started = session_ != nullptr;
  session_.reset();
  return started;
}

}  // namespace sonavex
