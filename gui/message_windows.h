// The message window (information, error or warning, one OK button) and the yes/no question
// window. The Qt presenter creates one for each message or question, runs it with RunModal and
// releases it. They only draw: the caption, the text (a question already ends in "?" or ".")
// and the default answer come from the dialog services.
//
// Contract that is easy to get wrong:
//  * The client width becomes the message label's width + 88 pixels, but never less than the
//    window's minimum (198 for messages, 200 for questions); the button panel stays centred.
//  * Esc closes either window with the cancel result, which a question reads as No. Ctrl+C
//    alone (no Shift, no Alt) copies the message text, never the caption, and leaves the
//    window open.
#pragma once

#include <QDialog>
#include <QString>

#include "dialogs/presenter.h"

class QLabel;
class QPushButton;
class QWidget;

namespace gui {

class TForm_DisplayMessage : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kDesignWidth = 221;
  static constexpr int kDesignHeight = 88;
  static constexpr int kMinimumWidth = 198;
  static constexpr int kLabelWidthMargin = 88;

  explicit TForm_DisplayMessage(const dialogs::MessageModel& model, QWidget* parent = nullptr);

  QString MessageText() const;

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void FormShow();

  dialogs::Icon icon_;
  QString text_;
  QLabel* image_[3];
  QLabel* label1_;
  QWidget* panel1_;
  QPushButton* button1_;
};

class TForm_AskForYesNo : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kDesignWidth = 234;
  static constexpr int kDesignHeight = 92;
  static constexpr int kMinimumWidth = 200;
  static constexpr int kLabelWidthMargin = 88;

  explicit TForm_AskForYesNo(const dialogs::QuestionModel& model, QWidget* parent = nullptr);

  // True exactly when the window ended with Yes.
  bool Answer() const { return result() == QDialog::Accepted; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FormShow();

  bool default_yes_;
  dialogs::Icon icon_;
  QString text_;
  QLabel* image1_;
  QLabel* image2_;
  QLabel* label1_;
  QWidget* panel1_;
  QPushButton* yes_;
  QPushButton* no_;
};

// Lays out a message-style window: client width from the label, at least `minimum`, the
// button panel centred on the bottom edge.
void FitMessageWindow(QDialog* window, QLabel* label, QWidget* panel, int minimum, int margin,
                      int design_height);

}  // namespace gui
