// FileListModel: the rows of the file list, one per stored file, in four columns: "Name",
// "Type", "Size" (bytes, right-aligned) and "Path". Type names and icons come from the shared
// FileTypeCache, so a row holds only its entry's texts, size and type index, and 100,000 rows
// fill in well under a second. Sorting is done here (SortRows), not by a proxy, so that the
// list keeps the order it was filled in until a column is clicked. The sort marks are header
// images, an arrow up for ascending and down for descending, whatever the widget style draws.
#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/collation.h"
#include "ui/main/file_type_cache.h"

namespace vornalis::ui {

struct FileRow {
  std::string name;
  std::string folder;  // "" or ending with "\"
  std::uint32_t size = 0;
  int type = 0;  // index in the FileTypeCache
  // The row's catalogue entry: its index in the open set's Files(). Rows appended while files
  // are stored get it once the set has merged them into its catalogue.
  std::size_t entry = kNoEntry;
  static constexpr std::size_t kNoEntry = static_cast<std::size_t>(-1);
};

class FileListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { kName = 0, kType = 1, kSize = 2, kPath = 3, kColumnCount = 4 };

  FileListModel(const FileTypeCache& types, const platform::Collator& collator,
                QObject* parent = nullptr);

  // Replaces all rows.
  void SetRows(std::vector<FileRow> rows);
  void AppendRow(FileRow row);
  void Clear();
  const FileRow& Row(int row) const { return rows_.at(static_cast<std::size_t>(row)); }
  // Sets the catalogue index of each row; entries[i] belongs to row i.
  void SetEntries(const std::vector<std::size_t>& entries);

  // Sorts every row by a key: 1 "Name", 2 "Type", 3 "Size", 4 "Path"; positive ascending,
  // negative descending. Texts compare by the user's locale with letter case ignored, sizes as
  // unsigned numbers. Rows that compare equal keep their order. Selections follow their rows.
  void SortRows(int key);
  // The mark on the column headers: an arrow up on the column of a positive key (ascending),
  // down on that of a negative one, none for 0. Only shown; the rows stay as they are.
  void SetSortMark(int key);
  int SortMark() const { return sort_mark_; }
  // Negative, zero or positive as row a goes before, with or after row b under key.
  int CompareRows(const FileRow& a, const FileRow& b, int key) const;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

 private:
  const FileTypeCache& types_;
  const platform::Collator& collator_;
  std::vector<FileRow> rows_;
  int sort_mark_ = 0;
  QIcon up_arrow_;
  QIcon down_arrow_;
};

}  // namespace vornalis::ui
