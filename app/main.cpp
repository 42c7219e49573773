// vornalis: the desktop program. Starts the application, makes the main window, which reads
// the command line, and runs until the window closes. The exit code is always 0.
#include <exception>
#include <string>
#include <vector>

#include "app/application.h"
#include "engine/format.h"
#include "platform/qt/file_types.h"
#include "ui/main/main_form.h"
#include "ui/main/stored_text.h"
#include "ui/widgets/program_icon.h"

int main(int argc, char** argv) {
  // The application object outlives the guard below, so a failure during start-up can still
  // be shown in a message box.
  vornalis::app::TApplication application(argc, argv);
  try {
    vornalis::app::TApplication::setWindowIcon(vornalis::ui::ProgramIcon());
    vornalis::platform_qt::UseInstalledIconTheme();
    application.setWindowIcon(vornalis::ui::ProgramIcon());
    vornalis::platform_qt::SystemFileTypes file_types(
        {{vornalis::ui::FromStored(vornalis::format::kExtension),
          vornalis::ui::FromStored(vornalis::format::kTypeName)}});
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    vornalis::ui::TMainForm main_form(arguments, file_types);
    main_form.show();
    application.exec();
  } catch (const std::exception& e) {
    vornalis::app::ShowException(e.what());
  } catch (...) {
    vornalis::app::ShowException("Unknown failure");
  }
  return 0;
}
