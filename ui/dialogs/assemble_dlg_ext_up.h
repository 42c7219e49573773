// TAssembleDlgExtUp: the target-folder panel the Assemble folder dialog shows above its tree.
// Its edit box follows the folder selected in the tree and may also be typed into; the text is
// the folder Assemble rebuilds into. Made once, at start-up, it keeps its text for the run.
#pragma once

#include <QWidget>

class QLineEdit;

namespace vornalis::ui {

class TAssembleDlgExtUp : public QWidget {
  Q_OBJECT

 public:
  explicit TAssembleDlgExtUp(QWidget* parent = nullptr);

  QLineEdit* EditFolderName;
};

}  // namespace vornalis::ui
