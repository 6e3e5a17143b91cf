// The main window TForm1 of the desktop program: the file-to-import field with its ellipsis
// button, "Import", "Exit", the warning, the version and the fix marker. It is the view of the
// controller app::TForm1: it shows the controller's state (caption, path, Import enabled, the
// focused control, the marker) and forwards the ellipsis, the buttons, every key (before the
// controls see it) and the window's close to it.
//
// Called by the program entry (gui/program.h).
//
// Contract that is easy to get wrong:
//  * Every way of closing the window (Exit, the close box, Alt+F4, the end of the import, a
//    fatal data file report) passes through closeEvent, which calls the controller's
//    FormClose; the controller runs the close sequence once.
//  * The controller must outlive the window's last event; Bind() is called once, before the
//    window is shown.
//  * Closed() is emitted once the close sequence has run; the program entry ends its event
//    loop on it.
#pragma once

#include <QWidget>
#include <functional>
#include <string>

#include "app/main_window.h"

class QAction;
class QFileDialog;
class QLabel;
class QLineEdit;
class QPushButton;

namespace gui {

class TForm1 : public QWidget, public app::MainWindowView {
  Q_OBJECT
 public:
  static constexpr int kWidth = 459;
  static constexpr int kHeight = 118;

  TForm1();
  ~TForm1() override;

  void Bind(app::TForm1* controller);
  // Copies the controller's state into the widgets.
  void Sync();

  // app::MainWindowView
  bool RunOpenDialog(std::string* path) override;
  void CloseWindow() override;
  void ShowGeneralError(const std::string& text) override;
  void SetBusyCursor(bool busy) override;
  void StateChanged() override { Sync(); }

  QAction* EllipsisAction() const { return ellipsis_; }
  // The file-open dialog's name filters, made from the designed filter text.
  static QStringList NameFilters(const std::string& filter);

  // Answers OpenDialog1 in place of the user (tests): the hook gets the dialog as the window
  // set it up, without it being shown, and returns the chosen path, or an empty text for a
  // cancel. An empty function lets the dialog run again.
  using OpenDialogHook = std::function<QString(QFileDialog&)>;
  static void SetOpenDialogHook(OpenDialogHook hook);

 Q_SIGNALS:
  void Closed();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  app::TForm1* controller_ = nullptr;
  QLineEdit* inp2_;
  QAction* ellipsis_;
  QPushButton* import_;
  QPushButton* exit_;
  QLabel* marker_;
  bool busy_ = false;
};

}  // namespace gui
