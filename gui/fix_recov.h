// The window that asks whether to put back a file left behind by an interrupted repair of a
// data file: it explains the situation, shows the left-over file's name and the sizes of both
// files, and asks Yes or No. The Qt presenter shows it for the recovery question of the dialog
// services; every text arrives ready to show in the model.
//
// Contract that is easy to get wrong:
//  * Only "&Yes" (the default button, focused when shown) gives the accepted result; "&No",
//    Esc and the close box all give the cancel result, which the caller reads as "end the
//    program".
#pragma once

#include <QDialog>
#include <QString>

#include "dialogs/presenter.h"

class QLabel;
class QPushButton;

namespace gui {

class TForm_FixRecov : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kWidth = 496;
  static constexpr int kHeight = 345;

  explicit TForm_FixRecov(const dialogs::RecoveryModel& model, QWidget* parent = nullptr);

  bool Answer() const { return result() == QDialog::Accepted; }

 protected:
  void showEvent(QShowEvent* event) override;
};

}  // namespace gui
