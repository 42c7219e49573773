#include "ui/main/file_list_model.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <algorithm>
#include <numeric>

#include "ui/main/stored_text.h"

namespace vornalis::ui {
namespace {

int Sign(int value) { return (value > 0) - (value < 0); }

int CompareSizes(std::uint32_t a, std::uint32_t b) { return (a > b) - (a < b); }

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

FileListModel::FileListModel(const FileTypeCache& types, const platform::Collator& collator,
                             QObject* parent)
    : QAbstractTableModel(parent),
      types_(types),
      collator_(collator),
      up_arrow_(SortArrow(true)),
      down_arrow_(SortArrow(false)) {}

void FileListModel::SetRows(std::vector<FileRow> rows) {
  beginResetModel();
  rows_ = std::move(rows);
  endResetModel();
}

void FileListModel::AppendRow(FileRow row) {
  const int at = rowCount();
  beginInsertRows(QModelIndex(), at, at);
  rows_.push_back(std::move(row));
  endInsertRows();
}

void FileListModel::Clear() { SetRows({}); }

void FileListModel::SetEntries(const std::vector<std::size_t>& entries) {
  for (std::size_t i = 0; i < rows_.size() && i < entries.size(); ++i) rows_[i].entry = entries[i];
}

int FileListModel::CompareRows(const FileRow& a, const FileRow& b, int key) const {
  int result = 0;
  switch (std::abs(key)) {
    case 1:
      result = collator_.Compare(a.name, b.name);
      break;
    case 2:
      result = a.type == b.type ? 0
                                : collator_.Compare(types_.TypeName(a.type).toStdString(),
                                                    types_.TypeName(b.type).toStdString());
      break;
    case 3:
      result = CompareSizes(a.size, b.size);
      break;
    case 4:
      result = collator_.Compare(a.folder, b.folder);
      break;
  }
  return key < 0 ? -Sign(result) : Sign(result);
}

void FileListModel::SortRows(int key) {
  const int column = std::abs(key);
  if (column < 1 || column > kColumnCount) return;

  // One collation key per row (or per type) instead of collating at every comparison.
  std::vector<std::string> keys;
  if (column != 3) {
    std::vector<std::string> type_keys(static_cast<std::size_t>(types_.Size()));
    if (column == 2) {
      for (int t = 0; t < types_.Size(); ++t)
        collator_.AppendSortKey(types_.TypeName(t).toStdString(), &type_keys[t]);
    }
    keys.resize(rows_.size());
    for (std::size_t i = 0; i < rows_.size(); ++i) {
      if (column == 1) collator_.AppendSortKey(rows_[i].name, &keys[i]);
      if (column == 2) keys[i] = type_keys[static_cast<std::size_t>(rows_[i].type)];
      if (column == 4) collator_.AppendSortKey(rows_[i].folder, &keys[i]);
    }
  }
  std::vector<std::size_t> order(rows_.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    const int result =
        column == 3 ? CompareSizes(rows_[a].size, rows_[b].size) : keys[a].compare(keys[b]);
    return key > 0 ? result < 0 : result > 0;
  });

  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  std::vector<int> new_row_of(rows_.size());
  std::vector<FileRow> sorted;
  sorted.reserve(rows_.size());
  for (std::size_t i = 0; i < order.size(); ++i) {
    new_row_of[order[i]] = static_cast<int>(i);
    sorted.push_back(std::move(rows_[order[i]]));
  }
  rows_ = std::move(sorted);
  const QModelIndexList before = persistentIndexList();
  QModelIndexList after;
  after.reserve(before.size());
  for (const QModelIndex& index : before)
    after.append(this->index(new_row_of[static_cast<std::size_t>(index.row())], index.column()));
  changePersistentIndexList(before, after);
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void FileListModel::SetSortMark(int key) {
  sort_mark_ = key;
  emit headerDataChanged(Qt::Horizontal, 0, kColumnCount - 1);
}

int FileListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int FileListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return QVariant();
  const FileRow& row = rows_[static_cast<std::size_t>(index.row())];
  switch (role) {
    case Qt::DisplayRole:
      switch (index.column()) {
        case kName:
          return ShownText(row.name);
        case kType:
          return types_.TypeName(row.type);
        case kSize:
          return QString::number(row.size);
        case kPath:
          return ShownText(row.folder);
      }
      break;
    case Qt::DecorationRole:
      if (index.column() == kName) return types_.Icon(row.type);
      break;
    case Qt::TextAlignmentRole:
      if (index.column() == kSize) return QVariant(Qt::AlignRight | Qt::AlignVCenter);
      break;
  }
  return QVariant();
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal) return QVariant();
  if (role == Qt::DisplayRole) {
    static const char* const kHeaders[kColumnCount] = {"Name", "Type", "Size", "Path"};
    if (section >= 0 && section < kColumnCount) return QString::fromLatin1(kHeaders[section]);
  }
  if (role == Qt::DecorationRole && sort_mark_ != 0 && section == std::abs(sort_mark_) - 1) {
    return sort_mark_ > 0 ? up_arrow_ : down_arrow_;
  }
  if (role == Qt::TextAlignmentRole && section == kSize)
    return QVariant(Qt::AlignRight | Qt::AlignVCenter);
  return QVariant();
}

}  // namespace vornalis::ui
