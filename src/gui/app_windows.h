#pragma once
// Every window of the program, created once at start-up in a fixed order and
// living until the main window closes.
#include <memory>
#include <string>

#include "gui/main_window.h"

namespace sonavex {

class ProgressWindow;
class DeleteEndsDialog;
class InsertEndsDialog;
class RenameDialog;
class SearchNameDialog;
class SearchTypeDialog;
class SwapDialog;
class TagFromNameDialog;
class NameFromTagDialog;
class ExportDialog;
class ReplacementTableDialog;
class AboutBox;
class TextReplaceDialog;
class TagReplaceDialog;
class TagEndsDialog;
class HistoryDialog;

struct AppWindows {
  std::unique_ptr<MainWindow> main;  // Form1; owns the windows below
  ProgressWindow* progress = nullptr;  // Form2
  DeleteEndsDialog* deleteEnds = nullptr;  // Form3
  InsertEndsDialog* insertEnds = nullptr;  // Form4
  RenameDialog* rename = nullptr;      // Form5
  SearchNameDialog* searchName = nullptr;  // Form6
  SearchTypeDialog* searchType = nullptr;  // Form7
  SwapDialog* swap = nullptr;              // Form8
  TagFromNameDialog* tagFromName = nullptr;  // Form9
  NameFromTagDialog* nameFromTag = nullptr;  // Form10
  ExportDialog* exportList = nullptr;  // Form11
  ReplacementTableDialog* replacementTable = nullptr;  // Form12
  AboutBox* about = nullptr;           // Form13
  TextReplaceDialog* textReplace = nullptr;  // Form14
  TagReplaceDialog* tagReplace = nullptr;  // Form15
  TagEndsDialog* tagEnds = nullptr;        // Form16
  HistoryDialog* history = nullptr;    // "Verlauf"
};

AppWindows CreateWindows(const std::string& settingsPath, Reporter& reporter,
                         Storage storage = {});

}  // namespace sonavex
