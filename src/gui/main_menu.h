#pragma once
// The main window's menu bar, the file list's context menu and the grid's
// context menu, with the rule that enables their items. Every action and
// submenu carries its component name as objectName ("Alle1", "Alle2").
#include <QObject>
#include <QString>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

namespace sonavex {

// What the enabling of the menus depends on.
struct MenuState {
  bool fileListPageActive = true;
  bool listHasEntries = false;
  bool recursive = false;
  int selectedCount = 0;
  // The batch "Rückgängig" takes back: its caption and file count; an
  // empty caption when there is nothing to take back.
  QString undoCaption;
  int undoFiles = 0;
  // The same for the batch "Wiederherstellen" applies again.
  QString redoCaption;
  int redoFiles = 0;
  bool journalOpen = false;
};

class MainMenu : public QObject {
  Q_OBJECT
 public:
  MainMenu(QMenuBar* bar, QWidget* owner);

  void applyEnabling(const MenuState& state);

  // Main menu items; the items of PopupMenu1 only trigger these.
  QAction* rueckgaengig = nullptr;
  QAction* wiederherstellen = nullptr;
  QAction* verlauf = nullptr;
  QAction* exportieren = nullptr;
  QAction* beenden = nullptr;
  QAction* alle = nullptr;
  QAction* keine = nullptr;
  QAction* umkehr = nullptr;
  QAction* ssStreichen = nullptr;
  QAction* tauschen = nullptr;
  QAction* grossbuchstaben = nullptr;
  QAction* kleinbuchstaben = nullptr;
  QAction* loeschen = nullptr;
  QAction* einfuegen = nullptr;
  QAction* dateiname = nullptr;
  QAction* dateityp = nullptr;
  QAction* text = nullptr;
  QAction* umbenennen = nullptr;
  QAction* id3AusName = nullptr;
  QAction* nameAusId3 = nullptr;
  QAction* id3v1NachId3v2 = nullptr;
  QAction* id3v2NachId3v1 = nullptr;
  QAction* unterverzeichnisse = nullptr;
  QAction* playlisten = nullptr;
  QAction* zeichenErsetzen = nullptr;
  QAction* vorschau = nullptr;
  QAction* tagBeimLesen = nullptr;
  QAction* id3v2Mitfuehren = nullptr;
  QAction* hilfe = nullptr;
  QAction* ueber = nullptr;
  // PopupMenu2 of the info grid.
  QAction* tagSuchenErsetzen = nullptr;
  QAction* tagAnfangEnde = nullptr;
  // Undo and redo on the info page, where the menu "Bearbeiten" is off;
  // their keys work there too. They trigger what their namesakes trigger.
  QAction* rueckgaengig2 = nullptr;
  QAction* wiederherstellen2 = nullptr;

  QMenu* bearbeiten() const { return bearbeiten_; }
  QMenu* popupMenu1 = nullptr;
  QMenu* popupMenu2 = nullptr;

 private:
  void buildDatei(QMenuBar* bar);
  void buildBearbeiten(QMenuBar* bar);
  void buildId3(QMenuBar* bar);
  void buildOptionen(QMenuBar* bar);
  void buildHilfe(QMenuBar* bar);
  void buildPopupMenu1(QWidget* owner);
  void buildPopupMenu2(QWidget* owner);
  void showUndoAndRedo(const MenuState& state);

  QMenu* bearbeiten_ = nullptr;
  QMenu* markieren_ = nullptr;
  QMenu* buchstaben_ = nullptr;
  QMenu* anfangEnde_ = nullptr;
  QMenu* suchenErsetzen_ = nullptr;
  QMenu* id3_ = nullptr;
  // Items of PopupMenu1 that follow the same rule as their twins.
  QMenu* markieren2_ = nullptr;
  QMenu* buchstaben2_ = nullptr;
  QMenu* anfangEnde2_ = nullptr;
  QMenu* suchenErsetzen2_ = nullptr;
  QAction* ssStreichen2_ = nullptr;
  QAction* tauschen2_ = nullptr;
  QAction* umbenennen2_ = nullptr;
};

}  // namespace sonavex
