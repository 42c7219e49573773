// FileListModel: the session's file list (desktop/file_list.h) as a Qt model for the list view:
// four columns, the size right-aligned, the type's icon beside the name, and the sort marks as
// header images (an arrow up for ascending, down for descending, whatever the widget style
// draws). The rows are the session's; the model is told what changed.
#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <vector>

#include "desktop/file_list.h"
#include "ui/main/file_type_icons.h"

namespace vornalis::ui {

class FileListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  FileListModel(const desktop::FileList& list, const FileTypeIcons& icons,
                QObject* parent = nullptr);

  // The list was refilled or emptied; rows were appended at its end; it was sorted (row i before
  // is place[i] now, and selections follow their rows); its sort mark changed.
  void Reset();
  void Appended(std::size_t first, std::size_t count);
  void Sorted(const std::vector<std::size_t>& place);
  void MarkChanged();

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

 private:
  const desktop::FileList& list_;
  const FileTypeIcons& icons_;
  QIcon up_arrow_;
  QIcon down_arrow_;
};

}  // namespace vornalis::ui
