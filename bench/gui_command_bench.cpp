// Times one long command of the desktop program's Qt face, in its own window, from the command's
// start to its end (the window's queue drained as the user's would be): Add Folder of SOURCE into
// the set SET, or Assemble of every file of SET into the folder TARGET. Prints the seconds; the
// same work from the command line is `vornalis-cli add SET SOURCE` and `vornalis-cli extract SET
// TARGET` (bench/face_compare.sh pairs the two).
//
// usage: gui_command_bench add SET.pec SOURCE | assemble SET.pec TARGET
#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <cstring>

#include "platform/path.h"
#include "platform/qt/file_types.h"
#include "ui/main/main_form.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 4 || (std::strcmp(argv[1], "add") != 0 && std::strcmp(argv[1], "assemble") != 0)) {
    std::fprintf(stderr, "usage: gui_command_bench add SET.pec SOURCE | assemble SET.pec TARGET\n");
    return 2;
  }
  vornalis::platform_qt::SystemFileTypes types;
  vornalis::ui::TMainForm form({}, types);
  form.show();
  QApplication::processEvents();
  vornalis::desktop::Session& session = form.Session();
  session.OpenPieceFile(argv[2]);
  if (!session.SetOpen()) return 1;
  QApplication::processEvents();
  const std::string path = vornalis::platform::AbsolutePath(argv[3]);
  QElapsedTimer timer;
  timer.start();
  if (std::strcmp(argv[1], "add") == 0)
    session.AddPaths({path});
  else
    session.AssembleInto(vornalis::platform::WithSeparator(path));
  QApplication::processEvents();
  std::printf("%.3f\n", static_cast<double>(timer.nsecsElapsed()) / 1e9);
  return 0;
}
