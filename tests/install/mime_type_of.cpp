// mime_type_of FILE...: prints, for each file, the MIME type and its description that the
// system's shared MIME database gives by name and by content ("name\ttype\tcomment" twice), so
// that a test can check a file type installed into a folder named by XDG_DATA_DIRS.
#include <QCoreApplication>
#include <QMimeDatabase>
#include <QTextStream>

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  QTextStream out(stdout);
  const QMimeDatabase database;
  for (const QString& path : QCoreApplication::arguments().mid(1)) {
    for (const auto mode : {QMimeDatabase::MatchExtension, QMimeDatabase::MatchContent}) {
      const QMimeType type = database.mimeTypeForFile(path, mode);
      out << (mode == QMimeDatabase::MatchExtension ? "name" : "content") << '\t' << path << '\t'
          << type.name() << '\t' << type.comment() << '\n';
    }
  }
  return 0;
}
