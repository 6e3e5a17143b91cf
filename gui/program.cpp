#include "gui/program.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMessageBox>
#include <QPointer>
#include <cstdio>

#include "app/company_chooser.h"
#include "app/main_window.h"
#include "config/color_scheme.h"
#include "config/environment.h"
#include "dialogs/dialogs.h"
#include "gui/form_helpers.h"
#include "gui/main_window.h"
#include "gui/open_company.h"
#include "gui/qt_presenter.h"
#include "platform/system.h"

namespace gui {

namespace {

QElapsedTimer& EntryClock() {
  static QElapsedTimer clock;
  return clock;
}

bool g_probe = false;

void InstallProbe() {
  SetModalHook([](QDialog* dialog) {
    QPointer<QDialog> guard(dialog);
    static bool printed = false;
    QMetaObject::invokeMethod(
        dialog,
        [guard] {
          if (guard.isNull()) return;
          if (!printed) {
            printed = true;
            std::printf("startup-ms %lld %s\n", static_cast<long long>(EntryClock().elapsed()),
                        guard->objectName().toLatin1().constData());
            std::fflush(stdout);
          }
          guard->reject();
        },
        Qt::QueuedConnection);
  });
}

}  // namespace

void EnableStartupProbe() { g_probe = true; }

int RunProgram() {
  EntryClock().start();
  if (g_probe) InstallProbe();
  platform::SetThreadLocaleToUserDefault();
  std::string fatal;
  if (!config::InitEnvironment(&fatal)) {
    std::fprintf(stderr, "impcust: %s\n", fatal.c_str());
    return 1;
  }
  config::CreateReportWorkFolder();
  config::SetPlainMessageBox([](const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, QString(), ToDisplay(text), QMessageBox::Ok);
    RunModal(&box);
  });

  QtPresenter presenter;
  dialogs::SetPresenter(&presenter);
  QtOpenCompanyView company_view;
  app::DialogCompanyChooser chooser(&company_view);
  int code = 0;
  {
    TForm1 window;
    app::TForm1 controller(&window, &chooser);
    window.Bind(&controller);
    if (controller.FormCreate()) {
      window.Sync();
      // The loop ends with the main window, whatever other windows are still about.
      QEventLoop loop;
      QObject::connect(&window, &TForm1::Closed, &loop, &QEventLoop::quit);
      window.show();
      if (controller.State() != app::MainState::kEnded && window.isVisible()) loop.exec();
    }
    controller.FormClose();
    window.Bind(nullptr);
  }
  presenter.HideWait();
  dialogs::SetPresenter(nullptr);
  config::SetPlainMessageBox(nullptr);
  if (g_probe) SetModalHook(nullptr);
  return code;
}

}  // namespace gui
