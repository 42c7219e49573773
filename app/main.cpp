// vornalis: the desktop program. Starts the application, makes the main window, which reads
// the command line, and runs until the window closes. SIGTERM, SIGHUP and Ctrl-C, and the end of
// the desktop session, end the program as closing the window does: the open set is closed
// properly first. The exit code is always 0.
#include <QSessionManager>
#include <QSocketNotifier>
#include <cstdio>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/application.h"
#include "desktop/command_line.h"
#include "engine/format.h"
#include "platform/interrupts.h"
#include "platform/qt/file_types.h"
#include "ui/dialogs/file_dialog.h"
#include "ui/main/main_form.h"
#include "ui/main/stored_text.h"
#include "ui/widgets/program_icon.h"

int main(int argc, char** argv) {
  // The questions for help and the version (--help, -h, -?, /?, --version, -v) are answered
  // before anything needs a display.
  if (const std::optional<std::string> text =
          vornalis::desktop::OptionText({argv + (argc > 0 ? 1 : 0), argv + argc})) {
    std::fputs(text->c_str(), stdout);
    return 0;
  }
  // The requests to end are taken over before any set's lock is, so the lock never outlives
  // the program.
  vornalis::platform::InterruptGuard end_requests;
  // The application object outlives the guard below, so a failure during start-up can still
  // be shown in a message box.
  vornalis::app::TApplication application(argc, argv);
  try {
    vornalis::ui::FileDialog::KeepNoSettings();
    vornalis::app::TApplication::setWindowIcon(vornalis::ui::ProgramIcon());
    vornalis::platform_qt::UseInstalledIconTheme();
    application.setWindowIcon(vornalis::ui::ProgramIcon());
    vornalis::platform_qt::SystemFileTypes file_types(
        {{vornalis::ui::FromStored(vornalis::format::kExtension),
          vornalis::ui::FromStored(vornalis::format::kTypeName)}});
    // The arguments as the application object left them, without the toolkit's own.
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    vornalis::ui::TMainForm main_form(arguments, file_types);

    // A request to end wakes the event loop; the session manager asks through the application.
    std::unique_ptr<QSocketNotifier> end_notifier;
    if (const int wake = vornalis::platform::InterruptGuard::WakeDescriptor(); wake >= 0) {
      end_notifier = std::make_unique<QSocketNotifier>(wake, QSocketNotifier::Read);
      QObject::connect(end_notifier.get(), &QSocketNotifier::activated, &main_form, [&] {
        end_notifier->setEnabled(false);
        main_form.EndSession();
      });
    }
    QObject::connect(&application, &QGuiApplication::commitDataRequest, &main_form,
                     [&](QSessionManager&) { main_form.EndSession(); });

    main_form.show();
    application.exec();
    if (const std::string failure = main_form.CloseAtEnd(); !failure.empty())
      std::fprintf(stderr, "%s\n", failure.c_str());
  } catch (const std::exception& e) {
    vornalis::app::ShowException(e.what());
  } catch (...) {
    vornalis::app::ShowException("Unknown failure");
  }
  return 0;
}
