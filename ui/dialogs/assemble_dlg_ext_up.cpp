#include "ui/dialogs/assemble_dlg_ext_up.h"

#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace vornalis::ui {

TAssembleDlgExtUp::TAssembleDlgExtUp(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("AssembleDlgExtUp"));
  EditFolderName = new QLineEdit(this);
  EditFolderName->setObjectName(QStringLiteral("EditFolderName"));
  auto* label = new QLabel(QStringLiteral("A&ssemble to:"), this);
  label->setObjectName(QStringLiteral("LabelAssembleTo"));
  label->setBuddy(EditFolderName);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 4, 0, 4);
  layout->addWidget(label);
  layout->addWidget(EditFolderName);
  // Its designed height, which the dialog keeps when it hosts the panel.
  resize(320, sizeHint().height());
  hide();
}

}  // namespace vornalis::ui
