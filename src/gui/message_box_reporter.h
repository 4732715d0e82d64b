#pragma once
// The Qt side of the ports: message boxes, the question before later
// batches are taken back, and the save dialog (declared in
// save_file_chooser.h). No other file of the window code opens a modal box,
// so headless tests never hang on one.
#include <QPointer>
#include <QString>
#include <QWidget>

#include <vector>

#include "core/journal/journal.h"
#include "core/report/reporter.h"

namespace sonavex {

// LF CR pairs and lone CRs become one line break each.
QString MessageTextForDisplay(const std::u32string& text);

class MessageBoxReporter : public Reporter {
 public:
  // Boxes are centred over `parent` once it is set.
  void setParent(QWidget* parent) { parent_ = parent; }
  void Report(MessageKind kind, const std::u32string& text,
              MessageButton button) override;

 private:
  QPointer<QWidget> parent_;
};

// Asks whether the later batches that changed the files of `batch` again
// are taken back first (the question window "SpaetereVorgaenge").
bool AskUndoLaterFirst(const BatchSummary& batch, const std::vector<BatchSummary>& later,
                       QWidget* parent);

}  // namespace sonavex
