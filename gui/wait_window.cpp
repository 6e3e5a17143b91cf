#include "gui/wait_window.h"

#include <QLabel>

#include "gui/form_helpers.h"

namespace gui {

TForm_Wait::TForm_Wait(const QString& text, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                          Qt::WindowDoesNotAcceptFocus) {
  setObjectName(QStringLiteral("Form_Wait"));
  setWindowTitle(QStringLiteral("Please Wait..."));
  setAttribute(Qt::WA_DeleteOnClose);
  setAttribute(Qt::WA_ShowWithoutActivating);
  setFixedSize(kWidth, kHeight);
  panel1_ = new QLabel(text, this);
  panel1_->setObjectName(QStringLiteral("Panel1"));
  panel1_->setGeometry(0, 0, kWidth, kHeight);
  panel1_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  panel1_->setAlignment(Qt::AlignCenter);
  panel1_->setFont(FormFont(15, true));
  panel1_->setAutoFillBackground(true);
}

QString TForm_Wait::PanelText() const { return panel1_->text(); }

void TForm_Wait::showEvent(QShowEvent* event) {
  PrepareFormOnShow(this);
  QWidget::showEvent(event);
}

}  // namespace gui
