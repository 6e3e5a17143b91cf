#include "gui/message_windows.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <algorithm>

#include "gui/form_helpers.h"

namespace gui {

namespace {

constexpr int kIconLeft = 12;
constexpr int kIconTop = 12;
constexpr int kButtonWidth = 66;
constexpr int kButtonHeight = 25;
constexpr int kPanelHeight = 29;
constexpr int kPanelBottomGap = 4;
constexpr int kLabelTop = 12;

QLabel* MakeIcon(QWidget* parent, const char* name, IconKind kind) {
  auto* image = new QLabel(parent);
  image->setObjectName(QString::fromLatin1(name));
  image->setPixmap(PaintIcon(kind));
  image->setGeometry(kIconLeft, kIconTop, 32, 32);
  image->setVisible(false);
  return image;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, int left) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setGeometry(left, 2, kButtonWidth, kButtonHeight);
  return button;
}

}  // namespace

void FitMessageWindow(QDialog* window, QLabel* label, QWidget* panel, int minimum, int margin,
                      int design_height) {
  label->adjustSize();
  const int width = std::max(label->width() + margin, minimum);
  // One line fits the designed height; a longer text grows the window downwards.
  const int needed = label->y() + label->height() + 8 + kPanelHeight + kPanelBottomGap;
  const int height = std::max(design_height, needed);
  window->setFixedSize(width, height);
  panel->move((width - panel->width()) / 2, height - kPanelHeight - kPanelBottomGap);
}

TForm_DisplayMessage::TForm_DisplayMessage(const dialogs::MessageModel& model, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      icon_(model.icon),
      text_(ToDisplay(model.text)) {
  setObjectName(QStringLiteral("Form_DisplayMessage"));
  setWindowTitle(ToDisplay(model.caption));
  setFont(FormFont());
  setFixedSize(kDesignWidth, kDesignHeight);
  image_[0] = MakeIcon(this, "Image1", IconKind::kInformation);
  image_[1] = MakeIcon(this, "Image2", IconKind::kError);
  image_[2] = MakeIcon(this, "Image3", IconKind::kWarning);
  label1_ = new QLabel(this);
  label1_->setObjectName(QStringLiteral("Label1"));
  label1_->move(60, kLabelTop);
  label1_->setTextFormat(Qt::PlainText);
  panel1_ = new QWidget(this);
  panel1_->setObjectName(QStringLiteral("Panel1"));
  panel1_->resize(160, kPanelHeight);
  button1_ = MakeButton(panel1_, "cxButton1", ToDisplay(model.ok_button), (160 - kButtonWidth) / 2);
  button1_->setDefault(true);
  connect(button1_, &QPushButton::clicked, this, &QDialog::accept);
}

QString TForm_DisplayMessage::MessageText() const { return text_; }

void TForm_DisplayMessage::showEvent(QShowEvent* event) {
  FormShow();
  QDialog::showEvent(event);
}

void TForm_DisplayMessage::FormShow() {
  label1_->setText(text_);
  const int index = icon_ == dialogs::Icon::kError ? 1 : icon_ == dialogs::Icon::kWarning ? 2 : 0;
  for (int i = 0; i < 3; ++i) image_[i]->setVisible(i == index);
  FitMessageWindow(this, label1_, panel1_, kMinimumWidth, kLabelWidthMargin, kDesignHeight);
  PrepareFormOnShow(this);
  button1_->setFocus();
}

void TForm_DisplayMessage::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_C && event->modifiers() == Qt::ControlModifier) {
    CopyTextToClipboard(text_);
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

TForm_AskForYesNo::TForm_AskForYesNo(const dialogs::QuestionModel& model, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      default_yes_(model.default_button != dialogs::DefaultButton::kNo),
      icon_(model.icon),
      text_(ToDisplay(model.text)) {
  setObjectName(QStringLiteral("Form_AskForYesNo"));
  setWindowTitle(ToDisplay(model.caption));
  setFont(FormFont());
  setFixedSize(kDesignWidth, kDesignHeight);
  image1_ = MakeIcon(this, "Image1", IconKind::kQuestion);
  image2_ = MakeIcon(this, "Image2", IconKind::kWarning);
  label1_ = new QLabel(this);
  label1_->setObjectName(QStringLiteral("Label1"));
  label1_->move(64, kLabelTop);
  label1_->setTextFormat(Qt::PlainText);
  panel1_ = new QWidget(this);
  panel1_->setObjectName(QStringLiteral("Panel1"));
  panel1_->resize(150, kPanelHeight);
  yes_ = MakeButton(panel1_, "cxButton1", ToDisplay(model.yes_button), 6);
  no_ = MakeButton(panel1_, "cxButton2", ToDisplay(model.no_button), 150 - 6 - kButtonWidth);
  connect(yes_, &QPushButton::clicked, this, &QDialog::accept);
  connect(no_, &QPushButton::clicked, this, &QDialog::reject);
}

void TForm_AskForYesNo::showEvent(QShowEvent* event) {
  FormShow();
  QDialog::showEvent(event);
}

void TForm_AskForYesNo::FormShow() {
  label1_->setText(text_);
  image1_->setVisible(icon_ != dialogs::Icon::kWarning);
  image2_->setVisible(icon_ == dialogs::Icon::kWarning);
  QPushButton* default_button = default_yes_ ? yes_ : no_;
  default_button->setDefault(true);
  FitMessageWindow(this, label1_, panel1_, kMinimumWidth, kLabelWidthMargin, kDesignHeight);
  PrepareFormOnShow(this);
  default_button->setFocus();
}

}  // namespace gui
