// The plan against the run: small trees of a few files, one or two
// operations with any parameters. What the plan says each step does is what
// applying it does to the folder, and the messages of the run are the ones
// the plan foresaw.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "core/apply/executor.h"
#include "core/batch/planner.h"
#include "core/fs/fs.h"
#include "core/mp3/id3v1.h"
#include "core/report/reporter.h"
#include "core/text/encoding.h"
#include "fuzz_params.h"
#include "support/recording_reporter.h"

namespace sonavex::fuzz {
namespace {

// Content by path below the folder: "name" or "sub/name".
using Folder = std::map<std::string, std::string>;

// The one subfolder a tree may have, so that the walk enters a second
// folder and a new name may meet a folder's name.
constexpr char kSub[] = "sub";

// The longest name (in bytes) the scratch file system takes.
constexpr std::size_t kNameMax = 255;

std::string TakeName(FuzzedDataProvider& in) {
  static constexpr const char* kExtensions[] = {".mp3", ".MP3", ".txt", ""};
  static constexpr char kAlphabet[] = "aAb -.!s1";
  std::string base;
  const int length = in.ConsumeIntegralInRange(1, 6);
  for (int i = 0; i < length; ++i) {
    base += in.ConsumeBool() ? kAlphabet[in.ConsumeIntegralInRange(0, 8)] : 'a';
  }
  std::string name = base + kExtensions[in.ConsumeIntegralInRange(0, 3)];
  return name == "." || name == ".." ? "a" : name;
}

std::string TakeContent(FuzzedDataProvider& in) {
  std::string content = in.ConsumeRandomLengthString(200);
  if (in.ConsumeBool()) content += EmptyTag();
  return content;
}

Folder TakeFolder(FuzzedDataProvider& in) {
  Folder folder;
  const int files = in.ConsumeIntegralInRange(1, 5);
  for (int i = 0; i < files; ++i) {
    const std::string name = TakeName(in);
    folder.emplace(in.ConsumeIntegralInRange(0, 3) == 0 ? std::string(kSub) + "/" + name : name,
                   TakeContent(in));
  }
  return folder;
}

void Write(const std::string& directory, const Folder& folder) {
  std::filesystem::remove_all(directory);
  std::filesystem::create_directories(JoinPath(directory, kSub));
  for (const auto& [path, content] : folder) {
    std::ofstream(JoinPath(directory, path), std::ios::binary)
        .write(content.data(), static_cast<std::streamsize>(content.size()));
  }
}

// Every file of the folder and of its subfolder.
void ReadInto(const std::string& directory, const std::string& prefix, Folder& folder) {
  std::error_code ec;
  for (const std::string& name : ListNames(directory, ec)) {
    const std::string path = JoinPath(directory, name);
    if (prefix.empty() && name == kSub) {
      ReadInto(path, name + "/", folder);
      continue;
    }
    std::string content;
    ReadWholeFile(path, content);
    folder.emplace(prefix + name, std::move(content));
  }
}

Folder Read(const std::string& directory) {
  Folder folder;
  ReadInto(directory, "", folder);
  return folder;
}

// The key of a step's file: its name, led by "sub/" in the subfolder.
std::string KeyOf(const std::string& root, const std::string& directory,
                  const std::string& name) {
  return directory == root ? name : std::string(kSub) + "/" + name;
}

// The folder after `plan` as its steps describe it, and the messages the
// run is to give.
Folder Foresee(Folder folder, const Plan& plan, std::vector<std::u32string>& messages) {
  const std::string& root = plan.directory;
  for (const PlanStep& step : plan.steps) {
    const StepMessage* message = MessageOf(step);
    if (message != nullptr) messages.push_back(message->text);
    if (!step.foreseen.empty()) messages.push_back(step.foreseen);
    if (message != nullptr || !step.foreseen.empty()) continue;
    const auto file = folder.find(KeyOf(root, step.directory, step.name));
    Require(file != folder.end(), "a step on a file the folder does not hold");
    std::string& content = file->second;
    switch (Kind(step)) {
      case StepKind::Rename: {
        const std::string& newName = As<steps::Rename>(step).newName;
        // The plan foresees collisions only; a name longer than the file
        // system takes is left to the run, which reports it.
        if (newName.size() > kNameMax) {
          messages.push_back(RenameMessageText(std::make_error_code(std::errc::filename_too_long),
                                               DecodeUtf8(step.directory),
                                               DecodeUtf8(step.name)));
          break;
        }
        const std::string key = KeyOf(root, step.directory, newName);
        Require(!folder.contains(key) && key != kSub, "a rename onto a name in use");
        std::string moved = std::move(content);
        folder.erase(file);
        folder.emplace(key, std::move(moved));
        break;
      }
      case StepKind::TagAppend:
        Require(static_cast<std::int64_t>(content.size()) == As<steps::TagAppend>(step).sizeBefore,
                "appending to a file of another size");
        content += EmptyTag();
        break;
      case StepKind::TagWrite: {
        const steps::TagWrite& write = As<steps::TagWrite>(step);
        Require(content.size() >= kTagSize && content.ends_with(write.before),
                "tag write from another tag");
        content.replace(content.size() - kTagSize, kTagSize, write.after);
        break;
      }
      case StepKind::ContentReplace: {
        const steps::ContentReplace& replace = As<steps::ContentReplace>(step);
        Require(content == replace.before, "content replace from another content");
        content = replace.after;
        break;
      }
      case StepKind::Id3v2Write: {
        const steps::Id3v2Write& write = As<steps::Id3v2Write>(step);
        Require(content.starts_with(write.before), "ID3v2 write from another tag");
        content.replace(0, write.before.size(), write.after);
        break;
      }
      default: Require(false, "a step kind a batch does not plan");
    }
  }
  return folder;
}

std::vector<std::string> TakeMarks(FuzzedDataProvider& in, const Folder& folder) {
  std::vector<std::string> marks;
  if (in.ConsumeBool()) return marks;
  for (const auto& entry : folder) {
    if (entry.first.find('/') == std::string::npos && in.ConsumeBool()) {
      marks.push_back(entry.first);
    }
  }
  if (in.ConsumeBool()) std::reverse(marks.begin(), marks.end());
  return marks;
}

void RunOne(FuzzedDataProvider& in, const std::string& directory) {
  const Operation code = Operations()[in.ConsumeIntegralInRange<std::size_t>(
                                          0, Operations().size() - 1)].code;
  ParamSource source(in, in.ConsumeBool());
  const OperationParams params = source.Take(InfoOf(code).paramsIndex);
  BatchContext context;
  static constexpr const char32_t* kMasks[] = {U"*.mp3", U"*", U"*.txt;*.MP3"};
  context.mask = kMasks[in.ConsumeIntegralInRange(0, 2)];
  context.table = TakeTable(source, in);
  context.replacementActive = in.ConsumeBool();
  context.recursive = in.ConsumeBool();
  const Folder before = Read(directory);
  const std::vector<std::string> marks = TakeMarks(in, before);
  const Plan plan = PlanSelection(code, params, directory, marks, context);
  Require(Read(directory) == before, "planning changed the folder");
  std::vector<std::u32string> foreseen;
  const Folder expected = Foresee(before, plan, foreseen);
  test::RecordingReporter reporter;
  ApplyPlan(plan, {.reporter = &reporter});
  Require(Read(directory) == expected, "the run did not do what the plan said");
  std::vector<std::u32string> reported;
  for (const auto& message : reporter.messages) reported.push_back(message.text);
  Require(reported == foreseen, "the run's messages differ from the plan's");
}

}  // namespace
}  // namespace sonavex::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace sonavex;
  FuzzedDataProvider in(data, size);
  const std::string directory = fuzz::ScratchDirectory() + "/tree";
  fuzz::Write(directory, fuzz::TakeFolder(in));
  const int runs = in.ConsumeIntegralInRange(1, 2);
  for (int i = 0; i < runs; ++i) fuzz::RunOne(in, directory);
  return 0;
}
