// TApOpenDialog and TApSaveDialog: the program's file dialogs, built on Qt's own file dialog
// so that they can host the program's panels (CustDlgParams) around its controls, replace the
// captions of its buttons and labels (DlgItemsCaptions), hide chosen controls
// (VisibleControls) and report what the user does in them through events.
//
// A component lives as long as its owner; each Execute makes the dialog anew, attaches the
// panels while it is shown and gives them back afterwards with their values. Execute passes
// through the modal seam: while tests answer in advance it returns the queued file name
// without showing anything, unless the seam lets file dialogs show.
#pragma once

#include <QFileDialog>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <set>

#include "ui/dialogs/ext/ap_dlg_captions.h"
#include "ui/dialogs/ext/ap_dlg_params.h"

class QWidget;

namespace vornalis::ui {

// The dialog's controls that VisibleControls can hide.
enum TApOpenDlgControl {
  dcFolderCombo,
  dcFolderLabel,
  dcSelectionCtrl,  // the file list
  dcOkBtn,
  dcCancelBtn,
  dcFileName,
  dcFileNameLabel,
  dcFileType,
  dcFileTypeLabel,
  dcToolBar,  // the buttons beside the folder box
};
using TApOpenDlgControls = std::set<TApOpenDlgControl>;
TApOpenDlgControls AllOpenDlgControls();

// Show the dialog's own file list, or the CustDlgParams' custom form in its place.
enum TApSelectionType { stStandard, stCustom };

// Qt name filters for a filter of descriptions and patterns joined by "|", as
// "Text files|*.txt;*.text|All files (*.*) |*.*": each description shows as it is, patterns
// are separated by ";" and "*.*" matches every name, with or without a dot.
QStringList ApNameFilters(const QString& filter);

class TApCustomOpenDialog : public QObject {
 public:
  enum class Kind { kOpen, kSave };
  // owner is the window the dialog is shown over.
  TApCustomOpenDialog(Kind kind, QWidget* owner);
  ~TApCustomOpenDialog() override;

  // Shows the dialog modally; true when the user confirmed a name, which is then in FileName
  // and, with the others chosen, in Files (native separators).
  bool Execute();

  QString Title;       // empty keeps the dialog's own ("Save As", "Open")
  QString Filter;      // see ApNameFilters
  QString DefaultExt;  // without the dot; appended to a typed name that has no extension
  QString InitialDir;
  QString FileName;
  QStringList Files;
  bool OverwritePrompt = false;   // save: ask before replacing an existing file
  bool AllowMultiSelect = false;  // open: several files may be chosen
  bool Resizable = true;
  TApSelectionType SelectionType = stStandard;
  TApOpenDlgControls VisibleControls = AllOpenDlgControls();
  TApCustDlgParams CustDlgParams;
  TApOpenDlgCaptions DlgItemsCaptions;

  // Events, the sender first. OnFilenameEntering comes when OK is pressed while the file name
  // box has the focus; clearing proceed keeps the dialog open. OnCanClose comes whenever OK is
  // pressed, before the questions about the name; clearing can_close keeps the dialog open
  // with its name (while tests answer in advance, the next queued name is tried instead).
  std::function<void(TApCustomOpenDialog*)> OnShow;
  std::function<void(TApCustomOpenDialog*)> OnClose;
  std::function<void(TApCustomOpenDialog*, const QString& folder)> OnFolderChange;
  std::function<void(TApCustomOpenDialog*, const QString& path)> OnSelectionChange;
  std::function<void(TApCustomOpenDialog*)> OnFilenameChange;
  std::function<void(TApCustomOpenDialog*, bool& proceed)> OnFilenameEntering;
  std::function<void(TApCustomOpenDialog*)> OnUpLevelNavigate;
  std::function<void(TApCustomOpenDialog*)> OnLastFolderNavigate;
  std::function<void(TApCustomOpenDialog*, bool& can_close)> OnCanClose;

  // While the dialog is shown (from OnShow to OnClose): the dialog itself, the folder it
  // shows, the text of the file name box and that text split into names (a text starting
  // with a double quote holds quoted names, otherwise it is one name).
  QFileDialog* Dialog() const { return dialog_; }
  QString GetSelPath() const;
  QString GetSelFiles() const;
  QStringList GetSelFilesList() const;
  QString GetFNameText() const;
  void SetFNameText(const QString& text);
  // Shows folder, if it exists, keeping the text of the file name box.
  void SetSelPath(const QString& folder);

 protected:
  virtual void DoShow();
  virtual void DoClose();
  virtual void DoFolderChange(const QString& folder);
  virtual void DoSelectionChange(const QString& path);
  virtual void DoFilenameChange();
  virtual void DoFilenameEntering(bool& proceed);
  virtual bool DoCanClose();
  virtual void DoUpLevelNavigate();
  virtual void DoLastFolderNavigate();

 private:
  friend class TApFileDialogWindow;
  void SetUp(QFileDialog& dialog);
  void ApplyVisibleControls(QFileDialog& dialog);
  // Keeps DlgItemsCaptions.OK on the accept button whatever the dialog selects.
  void KeepOkCaption(QFileDialog& dialog);
  bool eventFilter(QObject* watched, QEvent* event) override;

  Kind kind_;
  QPointer<QWidget> owner_;
  QPointer<QFileDialog> dialog_;
};

class TApOpenDialog : public TApCustomOpenDialog {
 public:
  explicit TApOpenDialog(QWidget* owner) : TApCustomOpenDialog(Kind::kOpen, owner) {}
};

class TApSaveDialog : public TApCustomOpenDialog {
 public:
  explicit TApSaveDialog(QWidget* owner) : TApCustomOpenDialog(Kind::kSave, owner) {}
};

}  // namespace vornalis::ui
