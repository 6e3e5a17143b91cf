// The company editor ("Edit Company") and the report-template window ("Report Template"),
// the two small windows the Open Company window opens to change one company of the list.
// Each is a view of its model in company/: it shows the model's state after every event and
// forwards the user's typing, clicks and keys to it; the model decides what is accepted, what
// is asked and when the window ends.
//
// Called by the Open Company window's RunCompanyEditor / RunReportTemplateDialog.
//
// Contract that is easy to get wrong:
//  * The model's FormShow has already run when the window is created; the window only copies
//    the state and applies the focus the model asks for.
//  * The window ends only when the model has a result: Esc, F10, the buttons and the close
//    box all go through the model first.
#pragma once

#include <QDialog>

#include "company/company_editor.h"

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;

namespace gui {

class FolderPicker;

class TForm_OpenCompany_Edit : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kWidth = 494;
  static constexpr int kHeight = 150;

  explicit TForm_OpenCompany_Edit(company::CompanyEditorModel& model, QWidget* parent = nullptr);

  // Copies the model's state into the widgets; closes the window once the model has a result.
  void Sync();

 public Q_SLOTS:
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ApplyFocus();

  company::CompanyEditorModel& model_;
  QLineEdit* edit1_;
  FolderPicker* edit2_;
  QPushButton* ok_;
  QPushButton* cancel_;
  QMenu* popup_;
  bool syncing_ = false;
};

class TForm_OpenCompany_ReportTemplate : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kWidth = 491;
  static constexpr int kHeight = 158;

  explicit TForm_OpenCompany_ReportTemplate(company::ReportTemplateDialogModel& model,
                                            QWidget* parent = nullptr);

  void Sync();

 public Q_SLOTS:
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  company::ReportTemplateDialogModel& model_;
  QGroupBox* group_;
  QRadioButton* default_option_;
  QRadioButton* custom_option_;
  FolderPicker* edit1_;
  QPushButton* ok_;
  QMenu* popup_;
  bool syncing_ = false;
};

}  // namespace gui
