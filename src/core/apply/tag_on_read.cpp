#include "core/apply/tag_on_read.h"

#include <utility>

namespace sonavex {

PlanStep TagOnReadStep(const std::string& path, std::int64_t size) {
  PlanStep step;
  step.kind = StepKind::TagAppend;
  PathParts parts = SplitPath(path);
  step.directory = std::move(parts.directory);
  step.name = std::move(parts.name);
  step.sizeBefore = size;
  return step;
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
    header.operation = kTagOnRead;
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
