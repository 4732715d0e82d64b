#pragma once
// A BatchStarter that runs nothing and keeps what it was asked to run, so
// that a dialog can be tested without the main window.
#include <string>
#include <utility>
#include <vector>

#include "core/settings/ini_file.h"
#include "gui/batch_host.h"
#include "support/recording_reporter.h"

namespace sonavex::test {

class StarterDouble : public BatchStarter {
 public:
  explicit StarterDouble(std::string settingsPath) : settings_(std::move(settingsPath)) {}

  Reporter& reporter() override { return reporter_; }
  const IniFile& settings() const override { return settings_; }
  bool runSelection(Operation code, const OperationParams& params) override {
    runs.emplace_back(code, params);
    return accept;
  }
  void RefreshView() override {}
  void FillInfoGrid() override {}

  // What runSelection answers: false stands for a preview the user declined.
  bool accept = true;
  std::vector<std::pair<Operation, OperationParams>> runs;
  RecordingReporter reporter_;

 private:
  IniFile settings_;
};

}  // namespace sonavex::test
