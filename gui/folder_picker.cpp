#include "gui/folder_picker.h"

#include <QDir>
#include <QEvent>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLineEdit>
#include <QToolButton>
#include <QTreeView>

namespace gui {

FolderPicker::FolderPicker(QWidget* parent) : QWidget(parent) {
  edit_ = new QLineEdit(this);
  edit_->setObjectName(QStringLiteral("Text"));
  button_ = new QToolButton(this);
  button_->setObjectName(QStringLiteral("DropDown"));
  button_->setArrowType(Qt::DownArrow);
  button_->setFocusPolicy(Qt::NoFocus);
  setFocusProxy(edit_);
  connect(edit_, &QLineEdit::textChanged, this, &FolderPicker::textChanged);
  connect(button_, &QToolButton::clicked, this, [this] { ShowDropDown(); });
}

QString FolderPicker::text() const { return edit_->text(); }

void FolderPicker::setText(const QString& text) { edit_->setText(text); }

void FolderPicker::resizeEvent(QResizeEvent* event) {
  const int button_width = height();
  edit_->setGeometry(0, 0, width() - button_width + 1, height());
  button_->setGeometry(width() - button_width, 0, button_width, height());
  QWidget::resizeEvent(event);
}

void FolderPicker::changeEvent(QEvent* event) {
  if (event->type() == QEvent::EnabledChange && tree_ != nullptr && !isEnabled()) tree_->hide();
  QWidget::changeEvent(event);
}

QTreeView* FolderPicker::ShowDropDown() {
  if (tree_ == nullptr) {
    model_ = new QFileSystemModel(this);
    model_->setFilter(QDir::AllDirs | QDir::Drives | QDir::NoDotAndDotDot);
    model_->setRootPath(QString());
    tree_ = new QTreeView(this);
    tree_->setObjectName(QStringLiteral("FolderTree"));
    tree_->setWindowFlags(Qt::Popup);
    tree_->setModel(model_);
    tree_->setHeaderHidden(true);
    for (int column = 1; column < model_->columnCount(); ++column) tree_->hideColumn(column);
    connect(tree_, &QTreeView::clicked, this, [this](const QModelIndex& index) {
      ChooseFromTree(model_->filePath(index));
      tree_->hide();
    });
  }
  const QString current = QDir::fromNativeSeparators(edit_->text());
  if (!current.isEmpty()) {
    const QModelIndex index = model_->index(current);
    if (index.isValid()) {
      tree_->setCurrentIndex(index);
      tree_->scrollTo(index);
    }
  }
  tree_->resize(kDropDownWidth, kDropDownHeight);
  tree_->move(mapToGlobal(QPoint(0, height())));
  tree_->show();
  tree_->setFocus();
  return tree_;
}

void FolderPicker::ChooseFromTree(const QString& path) {
  edit_->setText(QDir::toNativeSeparators(QDir::cleanPath(path)));
}

}  // namespace gui
