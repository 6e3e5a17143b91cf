// A folder field with a drop-down folder tree: the text always holds the full path of the
// folder, typed or chosen in the tree, which opens from the field's button rooted at the
// drives (the file-system root off Windows). Used by the company editor and the
// report-template window.
//
// Contract that is easy to get wrong:
//  * textChanged fires for every change, typed, chosen or set by the program, exactly like a
//    plain text field; the tree is only a way of typing a path.
//  * The tree and its file-system model are created the first time the drop-down opens, so
//    windows that never open it cost nothing.
#pragma once

#include <QString>
#include <QWidget>

class QFileSystemModel;
class QLineEdit;
class QToolButton;
class QTreeView;

namespace gui {

class FolderPicker : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kDropDownWidth = 313;
  static constexpr int kDropDownHeight = 260;

  explicit FolderPicker(QWidget* parent = nullptr);

  QString text() const;
  void setText(const QString& text);
  QLineEdit* LineEdit() const { return edit_; }
  // Opens the folder tree below the field (the button does this); returns the tree.
  QTreeView* ShowDropDown();
  // Takes the folder of `path` as if it had been chosen in the tree.
  void ChooseFromTree(const QString& path);

 Q_SIGNALS:
  void textChanged(const QString& text);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  QLineEdit* edit_;
  QToolButton* button_;
  QTreeView* tree_ = nullptr;
  QFileSystemModel* model_ = nullptr;
};

}  // namespace gui
