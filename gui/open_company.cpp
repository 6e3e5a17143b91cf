#include "gui/open_company.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>

#include "company/company_texts.h"
#include "config/color_scheme.h"
#include "config/settings.h"
#include "gui/company_edit.h"
#include "gui/form_helpers.h"

namespace gui {

namespace {

using company::DialogKey;
using company::OpenCompanyDialogModel;

QString Utf8(const char* text) { return QString::fromUtf8(text); }

QAction* AddMenuItem(QMenu* menu, const char* name, const QString& caption,
                     const QKeySequence& shortcut) {
  auto* action = menu->addAction(caption);
  action->setObjectName(QString::fromLatin1(name));
  action->setShortcut(shortcut);
  // The keys act on the grid (see the key filter); in the menu they are shown only.
  action->setShortcutContext(Qt::WidgetShortcut);
  return action;
}

void ApplyItemState(QAction* action, const company::MenuItemState& state) {
  action->setText(ToDisplay(state.caption));
  action->setEnabled(state.enabled);
  action->setCheckable(state.checked);
  action->setChecked(state.checked);
}

bool KeyOf(const QKeyEvent* event, DialogKey* key) {
  const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
  if (mods != Qt::NoModifier) return false;
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      *key = DialogKey::kEnter;
      return true;
    case Qt::Key_Escape:
      *key = DialogKey::kEscape;
      return true;
    case Qt::Key_F5:
      *key = DialogKey::kF5;
      return true;
    case Qt::Key_F7:
      *key = DialogKey::kF7;
      return true;
    case Qt::Key_F8:
      *key = DialogKey::kF8;
      return true;
    case Qt::Key_F9:
      *key = DialogKey::kF9;
      return true;
    case Qt::Key_F10:
      *key = DialogKey::kF10;
      return true;
    case Qt::Key_Insert:
      *key = DialogKey::kInsert;
      return true;
    case Qt::Key_Delete:
      *key = DialogKey::kDelete;
      return true;
    default:
      return false;
  }
}

}  // namespace

TForm_OpenCompany::TForm_OpenCompany(OpenCompanyDialogModel& model, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      model_(model) {
  setObjectName(QStringLiteral("Form_OpenCompany"));
  setWindowTitle(Utf8(company::text::kDialogCaption));
  setFont(FormFont());
  setFixedSize(kWidth, kHeight);

  auto* group = new QGroupBox(Utf8(company::text::kGroupCaption), this);
  group->setObjectName(QStringLiteral("GroupBox1"));
  group->setGeometry(8, 6, kWidth - 16, 318);

  grid_ = new QTableWidget(company::kSlotCount, 3, group);
  grid_->setObjectName(QStringLiteral("Grid1"));
  grid_->setGeometry(10, 28, kWidth - 16 - 20, 250);
  grid_->setHorizontalHeaderLabels(
      {Utf8(company::text::kHeadingName), Utf8(company::text::kHeadingDirectory), QString()});
  grid_->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
  grid_->horizontalHeader()->setHighlightSections(false);
  grid_->horizontalHeader()->setMinimumSectionSize(0);
  grid_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Interactive);
  grid_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
  grid_->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Fixed);
  grid_->setColumnWidth(0, OpenCompanyDialogModel::kDesignedColumnWidths[0]);
  grid_->setColumnWidth(1, OpenCompanyDialogModel::kDesignedColumnWidths[1]);
  grid_->setColumnWidth(2, 0);
  grid_->setColumnHidden(2, true);
  grid_->verticalHeader()->setVisible(false);
  grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  grid_->verticalHeader()->setMinimumSectionSize(0);
  grid_->verticalHeader()->setDefaultSectionSize(kRowHeight);
  grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid_->setSelectionMode(QAbstractItemView::SingleSelection);
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->setWordWrap(false);
  grid_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  grid_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  grid_->setContextMenuPolicy(Qt::CustomContextMenu);
  for (int row = 0; row < company::kSlotCount; ++row) {
    for (int column = 0; column < 3; ++column) {
      auto* item = new QTableWidgetItem();
      item->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
      grid_->setItem(row, column, item);
    }
  }
  ApplyGridBandColors(grid_,
                      FromColorRef(config::Palette(config::Settings().user_color_type).grid));

  check_ = new QCheckBox(Utf8(company::text::kAutoSelectCaption), group);
  check_->setObjectName(QStringLiteral("cxCheckBox1"));
  check_->move(10, 286);
  check_->adjustSize();

  select_ = new QPushButton(Utf8(company::text::kButtonSelect), this);
  select_->setObjectName(QStringLiteral("Btn_Select"));
  select_->setGeometry(444, 332, 84, 28);
  select_->setDefault(true);
  edit_ = new QPushButton(Utf8(company::text::kButtonEdit), this);
  edit_->setObjectName(QStringLiteral("Btn_Edit"));
  edit_->setGeometry(533, 332, 84, 28);
  exit_ = new QPushButton(Utf8(company::text::kButtonExit), this);
  exit_->setObjectName(QStringLiteral("Btn_Exit"));
  exit_->setGeometry(622, 332, 84, 28);
  setTabOrder(grid_, check_);
  setTabOrder(check_, select_);
  setTabOrder(select_, edit_);
  setTabOrder(edit_, exit_);

  popup_ = new QMenu(this);
  popup_->setObjectName(QStringLiteral("PopupMenu1"));
  n9_ = AddMenuItem(popup_, "N9", Utf8(company::text::kMenuSelect), QKeySequence(Qt::Key_Return));
  popup_->setDefaultAction(n9_);
  popup_->addSeparator();
  n5_ = AddMenuItem(popup_, "N5", Utf8(company::text::kMenuEdit), QKeySequence(Qt::Key_F5));
  popup_->addSeparator();
  n3_ = AddMenuItem(popup_, "N3", Utf8(company::text::kMenuInsert), QKeySequence(Qt::Key_Insert));
  n2_ =
      AddMenuItem(popup_, "N2", Utf8(company::text::kMenuDeleteAsk), QKeySequence(Qt::Key_Delete));
  popup_->addSeparator();
  n1_ = AddMenuItem(popup_, "N1", Utf8(company::text::kMenuMoveUp), QKeySequence(Qt::Key_F7));
  n7_ = AddMenuItem(popup_, "N7", Utf8(company::text::kMenuMoveDown), QKeySequence(Qt::Key_F8));
  popup_->addSeparator();
  report_template_ =
      AddMenuItem(popup_, "ReportTemplate1", Utf8(company::text::kMenuReportTemplate),
                  QKeySequence(Qt::Key_F9));
  QAction* f10 = AddMenuItem(popup_, "F101", QStringLiteral("F10"), QKeySequence(Qt::Key_F10));
  f10->setVisible(false);
  QAction* esc = AddMenuItem(popup_, "ESC1", QStringLiteral("ESC"), QKeySequence(Qt::Key_Escape));
  esc->setVisible(false);

  connect(n9_, &QAction::triggered, this,
          [this] { Forward(&OpenCompanyDialogModel::Btn_SelectClick); });
  connect(n5_, &QAction::triggered, this, [this] { Forward(&OpenCompanyDialogModel::N5Click); });
  connect(n3_, &QAction::triggered, this, [this] { Forward(&OpenCompanyDialogModel::N3Click); });
  connect(n2_, &QAction::triggered, this, [this] { Forward(&OpenCompanyDialogModel::N2Click); });
  connect(n1_, &QAction::triggered, this, [this] { Forward(&OpenCompanyDialogModel::N1Click); });
  connect(n7_, &QAction::triggered, this, [this] { Forward(&OpenCompanyDialogModel::N7Click); });
  connect(report_template_, &QAction::triggered, this,
          [this] { Forward(&OpenCompanyDialogModel::ReportTemplate1Click); });
  connect(select_, &QPushButton::clicked, this,
          [this] { Forward(&OpenCompanyDialogModel::Btn_SelectClick); });
  connect(edit_, &QPushButton::clicked, this,
          [this] { Forward(&OpenCompanyDialogModel::Btn_EditClick); });
  connect(exit_, &QPushButton::clicked, this,
          [this] { Forward(&OpenCompanyDialogModel::Btn_ExitClick); });
  connect(check_, &QCheckBox::clicked, this, [this](bool checked) {
    model_.cxCheckBox1Click(checked);
    Sync();
  });
  connect(grid_, &QTableWidget::currentCellChanged, this, [this](int row, int, int, int) {
    if (syncing_ || row < 0) return;
    model_.Grid1RowChanging(row + 1);
    Sync();
  });
  connect(grid_, &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
    model_.Grid1DblClickCell(row + 1);
    Sync();
  });
  connect(grid_->horizontalHeader(), &QHeaderView::sectionResized, this,
          [this](int column, int old_width, int new_width) {
            if (syncing_) return;
            if (!model_.Grid1ColumnSize(column, new_width)) {
              syncing_ = true;
              grid_->setColumnWidth(column, old_width);
              syncing_ = false;
            }
          });
  connect(grid_->verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
    if (!syncing_) model_.mutable_grid().top_row = value + 1;
  });
  connect(grid_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
    PreparePopupMenu()->exec(grid_->viewport()->mapToGlobal(pos));
  });
  grid_->installEventFilter(this);

  const int header = grid_->horizontalHeader()->sizeHint().height();
  model_.SetVisibleRows((grid_->height() - header - 2 * grid_->frameWidth()) / kRowHeight);
  Sync();
}

void TForm_OpenCompany::Forward(void (OpenCompanyDialogModel::*command)()) {
  (model_.*command)();
  Sync();
}

void TForm_OpenCompany::Sync() {
  syncing_ = true;
  const company::CompanyGrid& grid = model_.grid();
  for (int row = 1; row <= company::kSlotCount; ++row) {
    const company::CompanyEntry& entry = grid.Slot(row);
    const std::string* texts[3] = {&entry.name, &entry.data_dir, &entry.template_dir};
    const bool bold = model_.IsBold(row);
    for (int column = 0; column < 3; ++column) {
      QTableWidgetItem* item = grid_->item(row - 1, column);
      const QString text = ToDisplay(*texts[column]);
      if (item->text() != text) item->setText(text);
      if (item->font().bold() != bold) {
        QFont font = grid_->font();
        font.setBold(bold);
        item->setFont(font);
      }
    }
  }
  if (grid_->columnWidth(0) != model_.column_width(0)) {
    grid_->setColumnWidth(0, model_.column_width(0));
  }
  if (grid_->currentRow() != grid.current_row - 1) {
    grid_->setCurrentCell(grid.current_row - 1, 0);
  }
  // Scrolling means something only once the grid has its real size: before the window is
  // shown the viewport is a placeholder, and scrolling the current row into it would move
  // the model's top row.
  if (grid_->isVisible()) {
    if (grid_->verticalScrollBar()->value() != grid.top_row - 1) {
      grid_->verticalScrollBar()->setValue(grid.top_row - 1);
    }
    grid_->scrollToItem(grid_->item(grid.current_row - 1, 0));
    model_.mutable_grid().top_row = grid_->verticalScrollBar()->value() + 1;
  }
  grid_->setEnabled(model_.grid_enabled());
  check_->setChecked(grid.auto_select_checked);
  select_->setEnabled(model_.select_enabled());
  syncing_ = false;
  if (model_.result() != company::ModalResult::kNone && isVisible()) {
    QDialog::done(model_.result() == company::ModalResult::kOk ? Accepted : Rejected);
  }
}

QMenu* TForm_OpenCompany::PreparePopupMenu() {
  const company::PopupMenuState state = model_.PopupMenu1Popup();
  ApplyItemState(n9_, state.select);
  ApplyItemState(n5_, state.edit);
  ApplyItemState(n3_, state.insert);
  ApplyItemState(n2_, state.remove);
  ApplyItemState(n1_, state.move_up);
  ApplyItemState(n7_, state.move_down);
  ApplyItemState(report_template_, state.report_template);
  return popup_;
}

void TForm_OpenCompany::reject() {
  // Esc (the window's own key handling) and the close box.
  model_.FormKeyPress(DialogKey::kEscape);
  if (model_.result() == company::ModalResult::kNone) model_.Btn_ExitClick();
  Sync();
}

void TForm_OpenCompany::showEvent(QShowEvent* event) {
  PrepareFormOnShow(this);
  QDialog::showEvent(event);
  grid_->doItemsLayout();  // the scroll range, before the model's top row is applied
  grid_->setFocus();
  Sync();
}

bool TForm_OpenCompany::eventFilter(QObject* watched, QEvent* event) {
  if (watched == grid_ && event->type() == QEvent::KeyPress) {
    DialogKey key;
    if (KeyOf(static_cast<QKeyEvent*>(event), &key)) {
      model_.KeyDown(key);
      Sync();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void QtOpenCompanyView::RunOpenCompanyDialog(OpenCompanyDialogModel& model) {
  TForm_OpenCompany form(model);
  form_ = &form;
  while (model.result() == company::ModalResult::kNone) RunModal(&form);
  form_ = nullptr;
}

void QtOpenCompanyView::RunCompanyEditor(company::CompanyEditorModel& editor) {
  if (form_ != nullptr) form_->Sync();
  TForm_OpenCompany_Edit form(editor, form_);
  while (editor.result() == company::ModalResult::kNone) RunModal(&form);
}

void QtOpenCompanyView::RunReportTemplateDialog(company::ReportTemplateDialogModel& dialog) {
  TForm_OpenCompany_ReportTemplate form(dialog, form_);
  while (dialog.result() == company::ModalResult::kNone) RunModal(&form);
}

void QtOpenCompanyView::SetBusyCursor(bool busy) {
  if (busy == busy_) return;
  busy_ = busy;
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

}  // namespace gui
