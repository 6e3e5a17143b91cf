// The please-wait window shown while the import works: a small borderless window, on top of
// the others, whose lowered panel reads the waiting text. The Qt presenter creates it in
// ShowWait and closes it in HideWait.
//
// Contract that is easy to get wrong:
//  * The window releases itself when it is closed. Callers hold it only through a QPointer,
//    so a HideWait right after ShowWait, or a second HideWait, never touches a released
//    window.
//  * It takes no input and does not block the other windows.
#pragma once

#include <QString>
#include <QWidget>

class QLabel;

namespace gui {

class TForm_Wait : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kWidth = 185;
  static constexpr int kHeight = 40;

  explicit TForm_Wait(const QString& text, QWidget* parent = nullptr);

  QString PanelText() const;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QLabel* panel1_;
};

}  // namespace gui
