#include "cli/progress_line.h"

#include <unistd.h>

#include <atomic>
#include <string>

namespace sonavex::cli {
namespace {

std::atomic<bool> gInterrupt{false};
static_assert(std::atomic<bool>::is_always_lock_free);

// The first Ctrl-C asks the batch to stop; a second one ends the tool at
// once, as Ctrl-C always does (the journal then tells undo what may have
// happened).
extern "C" void OnInterrupt(int) {
  if (gInterrupt.exchange(true)) {
    std::signal(SIGINT, SIG_DFL);
    std::raise(SIGINT);
  }
}

using Clock = std::chrono::steady_clock;
// A batch that is over within this time shows no line at all.
constexpr auto kQuietStart = std::chrono::milliseconds(500);
constexpr auto kRedraw = std::chrono::milliseconds(100);

void WriteAll(int fd, const std::string& text) {
  std::size_t at = 0;
  while (at < text.size()) {
    const ssize_t written = write(fd, text.data() + at, text.size() - at);
    if (written <= 0) return;
    at += static_cast<std::size_t>(written);
  }
}

}  // namespace

ProgressLine::ProgressLine(int fd, Reporter& messages)
    : fd_(fd), messages_(messages), terminal_(isatty(fd) == 1) {}

ProgressLine::~ProgressLine() {
  if (handling_) End();
}

void ProgressLine::Begin() {
  gInterrupt.store(false);
  interrupted_ = false;
  struct sigaction action{};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  handling_ = sigaction(SIGINT, &action, &previous_) == 0;
  begun_ = Clock::now();
  drawn_ = {};
}

void ProgressLine::Advance(int done, int total) {
  if (!terminal_) return;
  const Clock::time_point now = Clock::now();
  if (now - begun_ < kQuietStart || (now - drawn_ < kRedraw && done < total)) return;
  drawn_ = now;
  const int percent = total > 0 ? static_cast<int>(std::int64_t{done} * 100 / total) : 100;
  std::string line = "\r";
  line.append(std::to_string(done)).append(" von ").append(std::to_string(total));
  line.append(" Änderungen (").append(std::to_string(percent));
  line.append(" %), Strg+C bricht ab\033[K");
  WriteAll(fd_, line);
  shown_ = true;
}

void ProgressLine::End() {
  Clear();
  if (handling_) sigaction(SIGINT, &previous_, nullptr);
  handling_ = false;
}

bool ProgressLine::StopRequested() {
  if (gInterrupt.load()) interrupted_ = true;
  return interrupted_;
}

void ProgressLine::Report(MessageKind kind, const std::u32string& text, MessageButton button) {
  Clear();
  messages_.Report(kind, text, button);
}

void ProgressLine::Clear() {
  if (!shown_) return;
  WriteAll(fd_, "\r\033[K");
  shown_ = false;
}

}  // namespace sonavex::cli
