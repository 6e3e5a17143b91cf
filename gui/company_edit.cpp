#include "gui/company_edit.h"

#include <QAction>
#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>

#include "company/company_texts.h"
#include "gui/folder_picker.h"
#include "gui/form_helpers.h"

namespace gui {

namespace {

QString Utf8(const char* text) { return QString::fromUtf8(text); }

QPushButton* AddButton(QWidget* parent, const char* name, const char* caption, QRect place) {
  auto* button = new QPushButton(Utf8(caption), parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setGeometry(place);
  return button;
}

// The window's menu of hidden items: never popped up, it only carries the F10 and Esc keys.
QMenu* AddHiddenMenu(QDialog* form, QAction** confirm, QAction** close) {
  auto* menu = new QMenu(form);
  menu->setObjectName(QStringLiteral("PopupMenu1"));
  *confirm = new QAction(Utf8(company::text::kButtonOk), form);
  (*confirm)->setObjectName(QStringLiteral("F101"));
  (*confirm)->setShortcut(QKeySequence(Qt::Key_F10));
  *close = new QAction(Utf8("ออก"), form);
  (*close)->setObjectName(QStringLiteral("MenuItem11"));
  (*close)->setShortcut(QKeySequence(Qt::Key_Escape));
  for (QAction* action : {*confirm, *close}) {
    action->setShortcutContext(Qt::WindowShortcut);
    menu->addAction(action);
    form->addAction(action);
  }
  return menu;
}

constexpr int kFieldLeft = 180;
constexpr int kFieldHeight = 25;

}  // namespace

TForm_OpenCompany_Edit::TForm_OpenCompany_Edit(company::CompanyEditorModel& model, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      model_(model) {
  setObjectName(QStringLiteral("Form_OpenCompany_Edit"));
  setWindowTitle(Utf8(company::text::kEditorCaption));
  setFont(FormFont());
  setFixedSize(kWidth, kHeight);

  auto* label2 = new QLabel(Utf8(company::text::kEditorNameLabel), this);
  label2->setObjectName(QStringLiteral("Label2"));
  label2->move(16, 22);
  edit1_ = new QLineEdit(this);
  edit1_->setObjectName(QStringLiteral("Edit1"));
  edit1_->setMaxLength(static_cast<int>(company::CompanyEditorModel::kNameMaxLength));
  edit1_->setGeometry(kFieldLeft, 18, kWidth - kFieldLeft - 16, kFieldHeight);
  auto* label1 = new QLabel(Utf8(company::text::kEditorDirectoryLabel), this);
  label1->setObjectName(QStringLiteral("Label1"));
  label1->move(16, 60);
  edit2_ = new FolderPicker(this);
  edit2_->setObjectName(QStringLiteral("Edit2"));
  edit2_->setGeometry(kFieldLeft, 56, kWidth - kFieldLeft - 16, kFieldHeight);
  ok_ = AddButton(this, "cxButton1", company::text::kButtonOk, QRect(158, 106, 85, 28));
  ok_->setDefault(true);
  cancel_ = AddButton(this, "Btn_Cancel", company::text::kButtonCancel, QRect(251, 106, 85, 28));
  setTabOrder(edit1_, edit2_);
  setTabOrder(edit2_, ok_);
  setTabOrder(ok_, cancel_);

  QAction* confirm = nullptr;
  QAction* close = nullptr;
  popup_ = AddHiddenMenu(this, &confirm, &close);

  connect(edit1_, &QLineEdit::textEdited, this, [this](const QString& text) {
    model_.TypeName(FromDisplay(text));
    Sync();
  });
  connect(edit2_->LineEdit(), &QLineEdit::textEdited, this, [this](const QString& text) {
    model_.SetDirectory(FromDisplay(text));
    Sync();
  });
  connect(edit2_, &FolderPicker::textChanged, this, [this](const QString& text) {
    // A folder chosen in the tree arrives here; typed text was forwarded above already.
    if (syncing_ || FromDisplay(text) == model_.directory()) return;
    model_.SetDirectory(FromDisplay(text));
    Sync();
  });
  auto save = [this] {
    model_.Btn_SaveClick();
    Sync();
  };
  connect(ok_, &QPushButton::clicked, this, save);
  connect(confirm, &QAction::triggered, this, save);
  connect(cancel_, &QPushButton::clicked, this, &TForm_OpenCompany_Edit::reject);
  connect(close, &QAction::triggered, this, &TForm_OpenCompany_Edit::reject);
  edit1_->installEventFilter(this);
  edit2_->LineEdit()->installEventFilter(this);
  Sync();
}

void TForm_OpenCompany_Edit::Sync() {
  syncing_ = true;
  const QString name = ToDisplay(model_.name());
  if (edit1_->text() != name) edit1_->setText(name);
  const QString directory = ToDisplay(model_.directory());
  if (edit2_->text() != directory) edit2_->setText(directory);
  edit2_->setEnabled(model_.directory_enabled());
  ok_->setEnabled(model_.ok_enabled());
  ApplyFocus();
  syncing_ = false;
  if (model_.result() != company::ModalResult::kNone && isVisible()) {
    QDialog::done(model_.result() == company::ModalResult::kOk ? Accepted : Rejected);
  }
}

void TForm_OpenCompany_Edit::ApplyFocus() {
  switch (model_.focus()) {
    case company::CompanyEditorModel::Focus::kName:
      if (!edit1_->hasFocus()) edit1_->setFocus();
      break;
    case company::CompanyEditorModel::Focus::kDirectory:
      if (!edit2_->LineEdit()->hasFocus()) edit2_->setFocus();
      break;
    case company::CompanyEditorModel::Focus::kNone:
      break;
  }
}

void TForm_OpenCompany_Edit::reject() {
  model_.Btn_CancelClick();
  Sync();
}

void TForm_OpenCompany_Edit::showEvent(QShowEvent* event) {
  PrepareFormOnShow(this);
  QDialog::showEvent(event);
  Sync();
}

bool TForm_OpenCompany_Edit::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn && !syncing_) {
    if (watched == edit1_) {
      model_.FocusChanged(company::CompanyEditorModel::Focus::kName);
    } else if (watched == edit2_->LineEdit()) {
      model_.FocusChanged(company::CompanyEditorModel::Focus::kDirectory);
    }
  }
  return QDialog::eventFilter(watched, event);
}

TForm_OpenCompany_ReportTemplate::TForm_OpenCompany_ReportTemplate(
    company::ReportTemplateDialogModel& model, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      model_(model) {
  setObjectName(QStringLiteral("Form_OpenCompany_ReportTemplate"));
  setWindowTitle(Utf8(company::text::kTemplateCaption));
  setFont(FormFont());
  setFixedSize(kWidth, kHeight);

  group_ = new QGroupBox(Utf8(company::text::kTemplateGroupCaption), this);
  group_->setObjectName(QStringLiteral("cxGroupBox1"));
  group_->setGeometry(8, 6, kWidth - 16, 100);
  group_->setFocusPolicy(Qt::TabFocus);
  default_option_ = new QRadioButton(Utf8(company::text::kTemplateDefaultOption), group_);
  default_option_->setObjectName(QStringLiteral("cxRadioButton1"));
  default_option_->move(16, 30);
  default_option_->adjustSize();
  custom_option_ = new QRadioButton(Utf8(company::text::kTemplateCustomOption), group_);
  custom_option_->setObjectName(QStringLiteral("cxRadioButton2"));
  custom_option_->move(16, 64);
  custom_option_->adjustSize();
  edit1_ = new FolderPicker(group_);
  edit1_->setObjectName(QStringLiteral("Edit1"));
  edit1_->setGeometry(118, 62, kWidth - 16 - 118 - 12, kFieldHeight);
  ok_ = AddButton(this, "cxButton1", company::text::kButtonOk, QRect(156, 118, 85, 28));
  ok_->setDefault(true);
  auto* cancel =
      AddButton(this, "Btn_Cancel", company::text::kButtonCancel, QRect(250, 118, 85, 28));

  QAction* confirm = nullptr;
  QAction* close = nullptr;
  popup_ = AddHiddenMenu(this, &confirm, &close);

  auto radio_clicked = [this] {
    if (syncing_) return;
    model_.cxRadioButton1Click(custom_option_->isChecked());
    Sync();
  };
  connect(default_option_, &QRadioButton::clicked, this, radio_clicked);
  connect(custom_option_, &QRadioButton::clicked, this, radio_clicked);
  connect(edit1_, &FolderPicker::textChanged, this, [this](const QString& text) {
    if (syncing_) return;
    model_.SetFolder(FromDisplay(text));
  });
  auto save = [this] {
    model_.cxButton1Click();
    Sync();
  };
  connect(ok_, &QPushButton::clicked, this, save);
  connect(confirm, &QAction::triggered, this, save);
  connect(cancel, &QPushButton::clicked, this, &TForm_OpenCompany_ReportTemplate::reject);
  connect(close, &QAction::triggered, this, &TForm_OpenCompany_ReportTemplate::reject);
  Sync();
}

void TForm_OpenCompany_ReportTemplate::Sync() {
  syncing_ = true;
  default_option_->setChecked(!model_.custom_ticked());
  custom_option_->setChecked(model_.custom_ticked());
  const QString folder = ToDisplay(model_.folder());
  if (edit1_->text() != folder) edit1_->setText(folder);
  edit1_->setEnabled(model_.folder_enabled());
  syncing_ = false;
  if (model_.result() != company::ModalResult::kNone && isVisible()) {
    QDialog::done(model_.result() == company::ModalResult::kOk ? Accepted : Rejected);
  }
}

void TForm_OpenCompany_ReportTemplate::reject() {
  model_.MenuItem11Click();
  Sync();
}

void TForm_OpenCompany_ReportTemplate::showEvent(QShowEvent* event) {
  PrepareFormOnShow(this);
  QDialog::showEvent(event);
  if (model_.focus_on_folder()) {
    edit1_->setFocus();
  } else {
    group_->setFocus();
  }
}

}  // namespace gui
