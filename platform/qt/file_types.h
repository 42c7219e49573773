// FileTypes: the name and small icon that the system gives a kind of file, asked by extension.
//
// An extension is what follows the last dot of a file name, dot included (".txt"), or "" for a
// name without a dot. SystemFileTypes names a type from the extension alone through the shared
// MIME database, so no file has to exist on disk; callers keep a cache, since an answer costs a
// database lookup and an icon theme search. Call from the GUI thread only.
#pragma once

#include <QIcon>
#include <QString>
#include <vector>

namespace vornalis::platform_qt {

struct FileType {
  QString name;  // "Plain text document"; never empty
  QIcon icon;    // never null
};

class FileTypes {
 public:
  virtual ~FileTypes() = default;
  virtual FileType ForExtension(const QString& extension) = 0;
};

// The system's answer: the MIME type's description and its theme icon. An extension the
// database does not know reads the name the program gives its own files' type (own, by
// extension in any letter case: before the program is installed the database lacks it), else
// "XYZ File", with the generic file icon; no extension reads "File".
class SystemFileTypes : public FileTypes {
 public:
  struct OwnType {
    QString extension;  // ".pec"
    QString name;
  };
  explicit SystemFileTypes(std::vector<OwnType> own = {}) : own_(std::move(own)) {}
  FileType ForExtension(const QString& extension) override;

 private:
  std::vector<OwnType> own_;
};

// Makes the theme icons of file types reachable when the desktop session names no icon theme
// (a bare X server or the offscreen platform): falls back to a complete installed theme.
void UseInstalledIconTheme();

}  // namespace vornalis::platform_qt
