#include "gui/main_menu.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace sonavex {
namespace {

QMenu* AddMenu(QWidget* parent, const char* name, const QString& caption) {
  auto* menu = new QMenu(caption, parent);
  menu->setObjectName(QString::fromLatin1(name));
  menu->menuAction()->setObjectName(QString::fromLatin1(name));
  return menu;
}

QAction* AddItem(QMenu* menu, const char* name, const QString& caption) {
  QAction* action = menu->addAction(caption);
  action->setObjectName(QString::fromLatin1(name));
  return action;
}

// The menu shows the key in its German spelling ("Strg+A"); the text after
// the tab is what Qt draws in place of its own key name.
void SetShortcut(QAction* action, const QString& german,
                 const QKeySequence& key) {
  action->setText(action->text() + QLatin1Char('\t') + german);
  action->setShortcut(key);
}

// A popup item runs exactly what its main-menu twin runs.
QAction* AddTwin(QMenu* menu, const char* name, const QString& caption,
                 QAction* twin) {
  QAction* action = AddItem(menu, name, caption);
  QObject::connect(action, &QAction::triggered, twin, &QAction::trigger);
  return action;
}

// Strg+Z takes back; Strg+Y and Strg+Umschalt+Z apply again.
void SetUndoKeys(QAction* undo, QAction* redo) {
  undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
  redo->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y),
                      QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
}

// "&Rückgängig: Großbuchstaben abc->Abc (3 Dateien)\tStrg+Z", or the verb
// alone when there is nothing to take back (or apply again).
QString UndoText(const QString& verb, const QString& caption, int files, const QString& key) {
  QString text = verb;
  if (!caption.isEmpty()) {
    // An "&" of the caption is a character, not an access letter.
    QString shown = caption;
    shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
    text += QStringLiteral(": %1 (%2 %3)")
                .arg(shown)
                .arg(files)
                .arg(files == 1 ? QStringLiteral("Datei") : QStringLiteral("Dateien"));
  }
  return text + QLatin1Char('\t') + key;
}

}  // namespace

MainMenu::MainMenu(QMenuBar* bar, QWidget* owner) : QObject(owner) {
  bar->setObjectName(QStringLiteral("MainMenu1"));
  buildDatei(bar);
  buildBearbeiten(bar);
  buildId3(bar);
  buildOptionen(bar);
  buildHilfe(bar);
  buildPopupMenu1(owner);
  buildPopupMenu2(owner);
}

void MainMenu::buildDatei(QMenuBar* bar) {
  QMenu* datei = AddMenu(bar, "Datei1", QStringLiteral("&Datei"));
  exportieren = AddItem(datei, "Exportieren1", QStringLiteral("Exportieren"));
  beenden = AddItem(datei, "Beenden1", QStringLiteral("&Beenden"));
  SetShortcut(beenden, QStringLiteral("Alt+X"), QKeySequence(Qt::ALT | Qt::Key_X));
  bar->addMenu(datei);
}

void MainMenu::buildBearbeiten(QMenuBar* bar) {
  bearbeiten_ = AddMenu(bar, "Bearbeiten1", QStringLiteral("&Bearbeiten"));
  rueckgaengig = AddItem(bearbeiten_, "Rueckgaengig1", QString());
  wiederherstellen = AddItem(bearbeiten_, "Wiederherstellen1", QString());
  SetUndoKeys(rueckgaengig, wiederherstellen);
  verlauf = AddItem(bearbeiten_, "Verlauf1", QStringLiteral("&Verlauf ..."));
  bearbeiten_->addSeparator();
  markieren_ = AddMenu(bearbeiten_, "Markieren1", QStringLiteral("&Markieren"));
  alle = AddItem(markieren_, "Alle1", QStringLiteral("&Alle"));
  SetShortcut(alle, QStringLiteral("Strg+A"), QKeySequence(Qt::CTRL | Qt::Key_A));
  keine = AddItem(markieren_, "Keine1", QStringLiteral("&Keine"));
  umkehr = AddItem(markieren_, "Umkehr1", QStringLiteral("&Umkehr"));
  bearbeiten_->addMenu(markieren_);
  ssStreichen = AddItem(bearbeiten_, "ssStreichen1", QStringLiteral("!s/!!s &Streichen"));
  tauschen = AddItem(bearbeiten_, "Tauschen1", QStringLiteral("&Tauschen"));
  buchstaben_ = AddMenu(bearbeiten_, "Buchstaben1", QStringLiteral("&Buchstaben"));
  grossbuchstaben = AddItem(buchstaben_, "Grobuchstaben1",
                            QStringLiteral("&Großbuchstaben abc->Abc"));
  kleinbuchstaben = AddItem(buchstaben_, "Kleinbuchstaben1",
                            QStringLiteral("K&leinbuchstaben ABC->Abc"));
  bearbeiten_->addMenu(buchstaben_);
  anfangEnde_ = AddMenu(bearbeiten_, "AnfangEnde1", QStringLiteral("&Anfang/Ende"));
  loeschen = AddItem(anfangEnde_, "Lschen1", QStringLiteral("Löschen"));
  einfuegen = AddItem(anfangEnde_, "Einfgen1", QStringLiteral("Einfügen"));
  bearbeiten_->addMenu(anfangEnde_);
  suchenErsetzen_ = AddMenu(bearbeiten_, "SuchenundErsetzen1",
                            QStringLiteral("Suchen und &Ersetzen"));
  dateiname = AddItem(suchenErsetzen_, "Dateiname1", QStringLiteral("Dateiname"));
  dateityp = AddItem(suchenErsetzen_, "Dateityp1", QStringLiteral("Dateityp"));
  text = AddItem(suchenErsetzen_, "Text1", QStringLiteral("Text"));
  bearbeiten_->addMenu(suchenErsetzen_);
  umbenennen = AddItem(bearbeiten_, "Umbenennen1", QStringLiteral("&Umbenennen"));
  bar->addMenu(bearbeiten_);
}

void MainMenu::buildId3(QMenuBar* bar) {
  id3_ = AddMenu(bar, "ID31", QStringLiteral("ID3"));
  id3AusName = AddItem(id3_, "ID3TagausNamenerstellen1",
                       QStringLiteral("ID3Tag aus Dateiname erstellen"));
  nameAusId3 = AddItem(id3_, "DateinameausID3Tagerstellen1",
                       QStringLiteral("Dateiname aus ID3Tag erstellen"));
  id3_->addSeparator();
  id3v1NachId3v2 = AddItem(id3_, "ID3v1ID3v21", QStringLiteral("ID3v1 → ID3v2"));
  id3v2NachId3v1 = AddItem(id3_, "ID3v2ID3v11", QStringLiteral("ID3v2 → ID3v1"));
  bar->addMenu(id3_);
}

void MainMenu::buildOptionen(QMenuBar* bar) {
  QMenu* optionen = AddMenu(bar, "Optionen1", QStringLiteral("&Optionen"));
  unterverzeichnisse = AddItem(optionen, "Unterverzeichnisse1",
                               QStringLiteral("&Unterverzeichnisse"));
  unterverzeichnisse->setCheckable(true);
  zeichenErsetzen = AddItem(optionen, "Zeichenersetzen1",
                            QStringLiteral("&Zeichen ersetzen"));
  // The mark mirrors the replacement switch; the owner sets it back after
  // Qt toggles it on a click.
  zeichenErsetzen->setCheckable(true);
  vorschau = AddItem(optionen, "Vorschau1", QStringLiteral("&Vorschau vor dem Ausführen"));
  vorschau->setCheckable(true);
  tagBeimLesen = AddItem(optionen, "TagBeimLesen1", QStringLiteral("ID3Tag beim &Lesen anlegen"));
  tagBeimLesen->setCheckable(true);
  id3v2Mitfuehren = AddItem(optionen, "ID3v2mitfhren1", QStringLiteral("&ID3v2 mitführen"));
  id3v2Mitfuehren->setCheckable(true);
  playlisten = AddItem(optionen, "Playlisten1", QStringLiteral("&Playlisten mitführen ..."));
  bar->addMenu(optionen);
}

void MainMenu::buildHilfe(QMenuBar* bar) {
  QMenu* hilfeMenu = AddMenu(bar, "Hilfe1", QStringLiteral("&?"));
  hilfe = AddItem(hilfeMenu, "Hilfe2", QStringLiteral("Hilfe extern aufrufen!"));
  SetShortcut(hilfe, QStringLiteral("F1"), QKeySequence(Qt::Key_F1));
  ueber = AddItem(hilfeMenu, "ber1", QStringLiteral("Ü&ber"));
  bar->addMenu(hilfeMenu);
}

void MainMenu::buildPopupMenu1(QWidget* owner) {
  popupMenu1 = AddMenu(owner, "PopupMenu1", QString());
  markieren2_ = AddMenu(popupMenu1, "Markieren2", QStringLiteral("Markieren"));
  AddTwin(markieren2_, "Alle2", QStringLiteral("Alle"), alle);
  AddTwin(markieren2_, "Keine2", QStringLiteral("Keine"), keine);
  AddTwin(markieren2_, "Umkehr2", QStringLiteral("Umkehr"), umkehr);
  popupMenu1->addMenu(markieren2_);
  ssStreichen2_ = AddTwin(popupMenu1, "ssStreichen2",
                          QStringLiteral("!s/!!s Streichen"), ssStreichen);
  tauschen2_ = AddTwin(popupMenu1, "Tauschen2", QStringLiteral("Tauschen"), tauschen);
  buchstaben2_ = AddMenu(popupMenu1, "Buchstaben2", QStringLiteral("Buchstaben"));
  AddTwin(buchstaben2_, "Grobuchstaben2",
          QStringLiteral("Großbuchstaben abc->Abc"), grossbuchstaben);
  AddTwin(buchstaben2_, "Kleinbuchstaben2",
          QStringLiteral("Kleinbuchstaben ABC->Abc"), kleinbuchstaben);
  popupMenu1->addMenu(buchstaben2_);
  anfangEnde2_ = AddMenu(popupMenu1, "AnfangEnde2", QStringLiteral("Anfang/Ende"));
  AddTwin(anfangEnde2_, "Lschen2", QStringLiteral("Löschen"), loeschen);
  AddTwin(anfangEnde2_, "Einfgen2", QStringLiteral("Einfügen"), einfuegen);
  popupMenu1->addMenu(anfangEnde2_);
  suchenErsetzen2_ = AddMenu(popupMenu1, "SuchenundErsetzen3",
                             QStringLiteral("Suchen und Ersetzen"));
  AddTwin(suchenErsetzen2_, "Dateiname2", QStringLiteral("Dateiname"), dateiname);
  AddTwin(suchenErsetzen2_, "Dateityp2", QStringLiteral("Dateityp"), dateityp);
  AddTwin(suchenErsetzen2_, "Text2", QStringLiteral("in Datei"), text);
  popupMenu1->addMenu(suchenErsetzen2_);
  umbenennen2_ = AddTwin(popupMenu1, "Umbenennen2", QStringLiteral("Umbenennen"),
                         umbenennen);
}

void MainMenu::buildPopupMenu2(QWidget* owner) {
  popupMenu2 = AddMenu(owner, "PopupMenu2", QString());
  tagSuchenErsetzen = AddItem(popupMenu2, "SuchenundErsetzen2",
                              QStringLiteral("Suchen und Ersetzen"));
  tagAnfangEnde = AddItem(popupMenu2, "AnfangEnde3", QStringLiteral("Anfang/Ende"));
  popupMenu2->addSeparator();
  // Not twins: the main menu's items are off on this page.
  rueckgaengig2 = AddItem(popupMenu2, "Rueckgaengig2", QString());
  wiederherstellen2 = AddItem(popupMenu2, "Wiederherstellen2", QString());
  SetUndoKeys(rueckgaengig2, wiederherstellen2);
  // A popup's items have no keys of their own while it is closed.
  owner->addAction(rueckgaengig2);
  owner->addAction(wiederherstellen2);
}

void MainMenu::applyEnabling(const MenuState& state) {
  const bool page = state.fileListPageActive;
  const bool operations = page && (state.listHasEntries || state.recursive);
  const bool rename = page && state.selectedCount > 0;
  bearbeiten_->menuAction()->setEnabled(page);
  id3_->menuAction()->setEnabled(page);
  for (QMenu* menu : {markieren_, buchstaben_, anfangEnde_, suchenErsetzen_,
                      markieren2_, buchstaben2_, anfangEnde2_, suchenErsetzen2_}) {
    menu->menuAction()->setEnabled(operations);
    // Qt would still fire the shortcut of an item in a disabled submenu.
    for (QAction* item : menu->actions()) item->setEnabled(operations);
  }
  for (QAction* action : {exportieren, ssStreichen, tauschen, id3AusName, nameAusId3,
                          id3v1NachId3v2, id3v2NachId3v1, ssStreichen2_, tauschen2_}) {
    action->setEnabled(operations);
  }
  umbenennen->setEnabled(rename);
  umbenennen2_->setEnabled(rename);
  showUndoAndRedo(state);
  verlauf->setEnabled(page && state.journalOpen);
}

// The main menu's items work on the file list page, the grid's twins on
// the info page; never both, or Qt would find their keys ambiguous.
void MainMenu::showUndoAndRedo(const MenuState& state) {
  const QString undo = UndoText(QStringLiteral("&Rückgängig"), state.undoCaption,
                                state.undoFiles, QStringLiteral("Strg+Z"));
  const QString redo = UndoText(QStringLiteral("&Wiederherstellen"), state.redoCaption,
                                state.redoFiles, QStringLiteral("Strg+Y"));
  const bool page = state.fileListPageActive;
  for (QAction* action : {rueckgaengig, rueckgaengig2}) action->setText(undo);
  for (QAction* action : {wiederherstellen, wiederherstellen2}) action->setText(redo);
  rueckgaengig->setEnabled(page && !state.undoCaption.isEmpty());
  rueckgaengig2->setEnabled(!page && !state.undoCaption.isEmpty());
  wiederherstellen->setEnabled(page && !state.redoCaption.isEmpty());
  wiederherstellen2->setEnabled(!page && !state.redoCaption.isEmpty());
}

}  // namespace sonavex
