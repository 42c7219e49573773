#include "ui/main/file_list_model.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QPolygonF>
#include <cstdlib>

namespace vornalis::ui {
namespace {

using desktop::FileList;

// A 16 x 16 arrow in one colour on a transparent background.
QIcon SortArrow(bool up) {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QGuiApplication::palette().color(QPalette::ButtonText));
  const QPolygonF arrow = up ? QPolygonF({QPointF(3.5, 11), QPointF(12.5, 11), QPointF(8, 5)})
                             : QPolygonF({QPointF(3.5, 5), QPointF(12.5, 5), QPointF(8, 11)});
  painter.drawPolygon(arrow);
  return QIcon(pixmap);
}

}  // namespace

FileListModel::FileListModel(const FileList& list, const FileTypeIcons& icons, QObject* parent)
    : QAbstractTableModel(parent),
      list_(list),
      icons_(icons),
      up_arrow_(SortArrow(true)),
      down_arrow_(SortArrow(false)) {}

void FileListModel::Reset() {
  beginResetModel();
  endResetModel();
}

void FileListModel::Appended(std::size_t first, std::size_t count) {
  if (count == 0) return;
  beginInsertRows(QModelIndex(), static_cast<int>(first), static_cast<int>(first + count - 1));
  endInsertRows();
}

void FileListModel::Sorted(const std::vector<std::size_t>& place) {
  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  const QModelIndexList before = persistentIndexList();
  QModelIndexList after;
  after.reserve(before.size());
  for (const QModelIndex& index : before) {
    const auto row = static_cast<std::size_t>(index.row());
    after.append(row < place.size() ? this->index(static_cast<int>(place[row]), index.column())
                                    : QModelIndex());
  }
  changePersistentIndexList(before, after);
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void FileListModel::MarkChanged() {
  emit headerDataChanged(Qt::Horizontal, 0, FileList::kColumnCount - 1);
}

int FileListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(list_.Size());
}

int FileListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : FileList::kColumnCount;
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return QVariant();
  const auto row = static_cast<std::size_t>(index.row());
  switch (role) {
    case Qt::DisplayRole:
      return QString::fromStdString(list_.Text(row, index.column()));
    case Qt::DecorationRole:
      if (index.column() == FileList::kName) return icons_.Icon(list_.Row(row).type);
      break;
    case Qt::TextAlignmentRole:
      if (index.column() == FileList::kSize) return QVariant(Qt::AlignRight | Qt::AlignVCenter);
      break;
  }
  return QVariant();
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal) return QVariant();
  if (role == Qt::DisplayRole) return QString::fromLatin1(FileList::Header(section));
  const FileList::Mark mark = list_.SortMark();
  if (role == Qt::DecorationRole && mark.column && section == *mark.column)
    return mark.descending ? down_arrow_ : up_arrow_;
  if (role == Qt::TextAlignmentRole && section == FileList::kSize)
    return QVariant(Qt::AlignRight | Qt::AlignVCenter);
  return QVariant();
}

}  // namespace vornalis::ui
