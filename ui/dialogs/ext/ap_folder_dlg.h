// TApFolderDialog: the program's folder dialog, a tree of the file system's folders under a line
// of text, with the program's panels around it (CustDlgParams), its own button captions
// (DlgItemsCaptions), and two events: one after every change of the selected folder, one when
// OK is pressed, which may keep the dialog open.
//
// A component lives as long as its owner; each Execute makes the dialog anew, attaches the
// panels while it is shown and gives them back afterwards with their values. Execute passes
// through the modal seam: while tests answer in advance, each queued name stands for a folder
// the user selects and confirms (OnSelectionChange, then OnCanClose); a refused one takes the
// next queued name, and none left means Cancel. ShowFileDialogs lets the real dialog show.
#pragma once

#include <QDialog>
#include <QObject>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <functional>
#include <set>

#include "ui/dialogs/ext/ap_dlg_captions.h"
#include "ui/dialogs/ext/ap_dlg_params.h"
#include "ui/dialogs/ext/ap_open_dlg.h"

class QLabel;
class QTreeView;
class QWidget;

namespace vornalis::ui {

// What the tree offers; only ffStatusText changes what the dialog shows (a status line under
// the tree). The others keep the names of the choices a folder browser offers.
enum TApBrowseForFolderFlag {
  ffBrowseForComputer,
  ffBrowseForPrinter,
  ffDontGoBelowDomain,
  ffReturnFSAncestors,
  ffReturnOnlyFSDirs,
  ffStatusText,
};
using TApBrowseForFolderFlags = std::set<TApBrowseForFolderFlag>;

// A special folder to use as the tree's root instead of InitialDir.
enum TApSpecShellFolder : std::uint8_t {
  ftNone,
  ftDesktop,
  ftDesktopDir,
  ftDrives,
  ftPersonal,
  ftFonts,
  ftPrograms,
  ftTemplates,
};

class TApCustomFolderDialog : public QObject {
 public:
  // owner is the window the dialog is shown over.
  explicit TApCustomFolderDialog(QWidget* owner);
  ~TApCustomFolderDialog() override;

  // Shows the dialog modally; true when the user chose a folder, pressed OK and OnCanClose let
  // it close. FolderName then holds the folder's path (native separators); after false it keeps
  // the previous choice.
  bool Execute();

  // Enables or disables the OK button, now if the dialog is shown and whenever it shows.
  void SetOk(bool enabled);
  // Shows text in the status line (with ffStatusText) and keeps it for the next showings.
  void SetStatus(const QString& text);

  QString FolderName;
  QString FolderDisplayName;  // the chosen folder's own name
  // The folder whose contents the tree shows at its top; empty shows the whole file system.
  // Setting SpecialIniFolder to anything but ftNone overrides it.
  QString InitialDir;
  // The folder selected, and opened to, when the dialog shows; OnSelectionChange is not told
  // of it, as the user did not choose it. Empty selects nothing.
  QString StartFolder;
  QString Text;   // the line above the tree
  QString Title;  // window title; empty keeps "Browse for Folder"
  QString StatusText;
  TApBrowseForFolderFlags Options;
  TApSpecShellFolder SpecialIniFolder = ftNone;
  TApSelectionType SelectionType = stStandard;
  TApCustDlgParams CustDlgParams;
  TApDlgCaptions DlgItemsCaptions;

  // While the dialog is shown: the path of the folder selected now ("" for an item without
  // one). Emptied when Execute returns.
  QString CurrentPath;

  std::function<void(TApCustomFolderDialog*)> OnSelectionChange;
  // can_close starts true; clearing it keeps the dialog open with its selection.
  std::function<void(TApCustomFolderDialog*, bool& can_close)> OnCanClose;
  std::function<void(TApCustomFolderDialog*)> OnShow;
  std::function<void(TApCustomFolderDialog*)> OnClose;

  // The dialog while it is shown, else null.
  QDialog* Dialog() const { return dialog_; }

 protected:
  virtual void DoSelectionChange();
  virtual bool DoCanClose();
  virtual void DoShow();
  virtual void DoClose();

 private:
  friend class TApFolderDialogWindow;
  void SelectPath(const QString& path);
  // Puts the tree at StartFolder, expanded to it and kept in view, without selecting it.
  void SelectStartFolder();
  // Tab goes as the dialog reads: the panel above, the tree, the buttons.
  void ChainFocus(QWidget* buttons);
  // Shows the tree or the custom form in its place, as SelectionType says.
  void RefreshSelCtrl();
  QString RootPath() const;

  QPointer<QWidget> owner_;
  QPointer<QDialog> dialog_;
  QTreeView* tree_ = nullptr;
  QWidget* selection_place_ = nullptr;
  QLabel* status_ = nullptr;
  bool ok_enabled_ = true;
};

class TApFolderDialog : public TApCustomFolderDialog {
 public:
  explicit TApFolderDialog(QWidget* owner) : TApCustomFolderDialog(owner) {}
};

}  // namespace vornalis::ui
