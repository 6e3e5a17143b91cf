#include "gui/fix_recov.h"

#include <QLabel>
#include <QPushButton>

#include "gui/form_helpers.h"

namespace gui {

namespace {

QLabel* AddLabel(QWidget* parent, const char* name, const QString& text, int left, int top,
                 bool bold = false) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setTextFormat(Qt::PlainText);
  if (bold) label->setFont(FormFont(15, true));
  label->move(left, top);
  label->adjustSize();
  return label;
}

}  // namespace

TForm_FixRecov::TForm_FixRecov(const dialogs::RecoveryModel& model, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("Form_FixRecov"));
  setWindowTitle(ToDisplay(model.caption));
  setFont(FormFont());
  setFixedSize(kWidth, kHeight);

  auto* label1 = new QLabel(ToDisplay(model.explanation), this);
  label1->setObjectName(QStringLiteral("Label1"));
  label1->setTextFormat(Qt::PlainText);
  label1->setWordWrap(true);
  label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label1->setGeometry(32, 20, 429, 144);
  // A Thai face taller than the designed one would clip the paragraph: step its size down
  // until the paragraph fits its box.
  for (int pixels = 15; pixels > 10 && label1->heightForWidth(429) > 144; --pixels) {
    label1->setFont(FormFont(pixels - 1));
  }
  AddLabel(this, "Label2", ToDisplay(model.file_label), 32, 184);
  AddLabel(this, "Label4", ToDisplay(model.leftover_label), 32, 208);
  AddLabel(this, "Label5", ToDisplay(model.normal_label), 32, 232);
  AddLabel(this, "Label_FName", ToDisplay(model.file_name), 240, 184, true);
  AddLabel(this, "Label_Sav", ToDisplay(model.leftover_size), 240, 208, true);
  AddLabel(this, "Label_Dat", ToDisplay(model.normal_size), 240, 232, true);
  AddLabel(this, "Label3", ToDisplay(model.question), 32, 268);

  auto* panel1 = new QWidget(this);
  panel1->setObjectName(QStringLiteral("Panel1"));
  panel1->setGeometry((kWidth - 150) / 2, kHeight - 29 - 8, 150, 29);
  auto* yes = new QPushButton(ToDisplay(model.yes_button), panel1);
  yes->setObjectName(QStringLiteral("cxButton1"));
  yes->setGeometry(6, 2, 66, 25);
  yes->setDefault(true);
  auto* no = new QPushButton(ToDisplay(model.no_button), panel1);
  no->setObjectName(QStringLiteral("cxButton2"));
  no->setGeometry(78, 2, 66, 25);
  connect(yes, &QPushButton::clicked, this, &QDialog::accept);
  connect(no, &QPushButton::clicked, this, &QDialog::reject);
}

void TForm_FixRecov::showEvent(QShowEvent* event) {
  PrepareFormOnShow(this);
  findChild<QPushButton*>(QStringLiteral("cxButton1"))->setFocus();
  QDialog::showEvent(event);
}

}  // namespace gui
