// Times how long the desktop program takes from Open to a painted list of a set's files.
//
// usage: gui_open_bench SET [RUNS]   (QT_QPA_PLATFORM=offscreen works)
#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "platform/qt/file_types.h"
#include "ui/main/main_form.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: gui_open_bench SET [RUNS]\n");
    return 2;
  }
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
  vornalis::platform_qt::SystemFileTypes types;
  vornalis::ui::TMainForm form({}, types);
  form.show();
  QApplication::processEvents();
  std::vector<qint64> times;
  for (int i = 0; i < runs; ++i) {
    QElapsedTimer timer;
    timer.start();
    form.Session().OpenPieceFile(argv[1]);
    form.repaint();
    QApplication::processEvents();
    times.push_back(timer.elapsed());
  }
  std::sort(times.begin(), times.end());
  std::printf("desktop program: opened and listed %u files in %lld ms (median of %d)\n",
              form.Session().FileCount(), static_cast<long long>(times[times.size() / 2]), runs);
  return form.Session().FileCount() > 0 ? 0 : 1;
}
