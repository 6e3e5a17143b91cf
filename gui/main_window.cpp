#include "gui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>

#include "dialogs/dialogs.h"
#include "gui/form_helpers.h"

namespace gui {

namespace {

QLabel* AddLabel(QWidget* parent, const char* name, const QString& text, int left, int top,
                 int pixel_size, bool bold, bool red) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setFont(FormFont(pixel_size, bold));
  if (red) label->setStyleSheet(QStringLiteral("color: red;"));
  label->move(left, top);
  label->adjustSize();
  return label;
}

QIcon EllipsisIcon() {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x30, 0x30, 0x30));
  for (int i = 0; i < 3; ++i) p.drawRect(2 + i * 5, 11, 2, 2);
  return QIcon(pixmap);
}

QIcon ButtonIcon(bool import) {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  if (import) {
    // A green arrow into a tray.
    p.setPen(QPen(QColor(0x1e, 0x8a, 0x2e), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(QPointF(8, 1.5), QPointF(8, 10));
    p.drawLine(QPointF(4.5, 6.5), QPointF(8, 10));
    p.drawLine(QPointF(11.5, 6.5), QPointF(8, 10));
    p.setPen(QPen(QColor(0x40, 0x40, 0x40), 1.6));
    p.drawPolyline(QPolygonF({QPointF(2, 10), QPointF(2, 14), QPointF(14, 14), QPointF(14, 10)}));
  } else {
    // A red cross.
    p.setPen(QPen(QColor(0xc8, 0x1e, 0x1e), 2.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
    p.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
  }
  return QIcon(pixmap);
}

TForm1::OpenDialogHook& OpenHook() {
  static TForm1::OpenDialogHook hook;
  return hook;
}

}  // namespace

void TForm1::SetOpenDialogHook(OpenDialogHook hook) { OpenHook() = std::move(hook); }

TForm1::TForm1()
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("Form1"));
  setFont(FormFont());
  setFixedSize(kWidth, kHeight);

  AddLabel(this, "cxLabel2", QString::fromLatin1(app::kCaptionLabel), 8, 8, 15, false, false);
  inp2_ = new QLineEdit(this);
  inp2_->setObjectName(QStringLiteral("Inp_2"));
  inp2_->setGeometry(8, 32, 441, 25);
  ellipsis_ = inp2_->addAction(EllipsisIcon(), QLineEdit::TrailingPosition);
  ellipsis_->setObjectName(QStringLiteral("Inp_2Ellipsis"));
  ellipsis_->setToolTip(QStringLiteral("..."));

  import_ = new QPushButton(ButtonIcon(true), QString::fromLatin1(app::kImportButtonText), this);
  import_->setObjectName(QStringLiteral("cxButton1"));
  import_->setGeometry(141, 65, 85, 25);
  import_->setDefault(true);
  import_->setEnabled(false);
  exit_ = new QPushButton(ButtonIcon(false), QString::fromLatin1(app::kExitButtonText), this);
  exit_->setObjectName(QStringLiteral("cxButton2"));
  exit_->setGeometry(233, 65, 85, 25);
  setTabOrder(inp2_, import_);
  setTabOrder(import_, exit_);

  AddLabel(this, "Label1", QString::fromLatin1(app::kWarningText), 70, 97, 12, true, true);
  AddLabel(this, "Label3", QString::fromLatin1(app::kVersionText), 418, 97, 11, false, false);
  marker_ =
      AddLabel(this, "Label2", QString::fromLatin1(app::kFixMarkerText), 0, 13, 12, true, true);
  marker_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  marker_->setGeometry(253, 13, 453 - 253, marker_->height());

  connect(ellipsis_, &QAction::triggered, this, [this] {
    if (controller_ != nullptr) controller_->cxButtonEdit1PropertiesButtonClick();
    Sync();
  });
  connect(import_, &QPushButton::clicked, this, [this] {
    if (controller_ != nullptr) controller_->cxButton1Click();
    Sync();
  });
  connect(exit_, &QPushButton::clicked, this, [this] {
    if (controller_ != nullptr) controller_->cxButton2Click();
  });
  // Key preview: the window sees every key of its controls first.
  qApp->installEventFilter(this);
}

TForm1::~TForm1() {
  qApp->removeEventFilter(this);
  SetBusyCursor(false);
}

void TForm1::Bind(app::TForm1* controller) {
  controller_ = controller;
  Sync();
}

void TForm1::Sync() {
  if (controller_ == nullptr) return;
  setWindowTitle(ToDisplay(controller_->Caption()));
  const QString path = ToDisplay(controller_->PathText());
  if (inp2_->text() != path) inp2_->setText(path);
  import_->setEnabled(controller_->ImportEnabled());
  marker_->setText(ToDisplay(controller_->FixMarker()));
  switch (controller_->Focus()) {
    case app::FocusTarget::kPathEdit:
      inp2_->setFocus();
      break;
    case app::FocusTarget::kImportButton:
      import_->setFocus();
      break;
    case app::FocusTarget::kNone:
      break;
  }
}

QStringList TForm1::NameFilters(const std::string& filter) {
  // "description|patterns|description|patterns": each pair becomes "description (patterns)"
  // with the patterns separated by spaces; "*.*" matches every file name.
  const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (QString& pattern : patterns) {
      pattern = pattern.trimmed();
      if (pattern == QLatin1String("*.*")) pattern = QStringLiteral("*");
    }
    filters << parts[i].trimmed() + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                   QLatin1Char(')');
  }
  return filters;
}

bool TForm1::RunOpenDialog(std::string* path) {
  QFileDialog dialog(this);
  dialog.setObjectName(QStringLiteral("OpenDialog1"));
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setOption(QFileDialog::ReadOnly, true);
  dialog.setNameFilters(NameFilters(app::kOpenDialogFilter));
  dialog.setSizeGripEnabled(true);
  QString chosen;
  if (OpenHook()) {
    chosen = OpenHook()(dialog);
  } else if (RunModal(&dialog) == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
    chosen = dialog.selectedFiles().first();
  }
  if (chosen.isEmpty()) return false;
  *path = FromDisplay(chosen);
  return true;
}

void TForm1::CloseWindow() { close(); }

void TForm1::ShowGeneralError(const std::string& text) { dialogs::ShowError(text); }

void TForm1::SetBusyCursor(bool busy) {
  if (busy == busy_) return;
  busy_ = busy;
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

void TForm1::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (controller_ != nullptr) controller_->FormShow();
  Sync();
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (controller_ != nullptr) controller_->FormClose();
  event->accept();
  Q_EMIT Closed();
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && controller_ != nullptr && watched->isWidgetType() &&
      static_cast<QWidget*>(watched)->window() == this) {
    const auto* key_event = static_cast<QKeyEvent*>(event);
    app::KeyModifiers modifiers;
    modifiers.ctrl = key_event->modifiers() & Qt::ControlModifier;
    modifiers.alt = key_event->modifiers() & Qt::AltModifier;
    modifiers.shift = key_event->modifiers() & Qt::ShiftModifier;
    modifiers.mouse_button = QGuiApplication::mouseButtons() != Qt::NoButton;
    const app::Key key = key_event->key() == Qt::Key_F12 ? app::Key::kF12 : app::Key::kOther;
    if (controller_->FormKeyDown(key, modifiers)) {
      Sync();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace gui
