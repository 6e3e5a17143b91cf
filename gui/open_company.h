// The Open Company window ("Select Directory") and the view the company dialog model drives:
// it shows the 90 company slots in the company grid, the bold remembered row, the auto-select
// box and the enabled state of "เลือก", and forwards every click, key, column resize and menu
// command to company::OpenCompanyDialogModel. It also opens the company editor and the
// report-template window when the model asks for them.
//
// Called by the program entry (QtOpenCompanyView is handed to the model before ChooseCompany).
//
// Contract that is easy to get wrong:
//  * Grid row r of the Qt table is data row r + 1 of the model; the model's row 0 (the
//    heading) is the table's horizontal header.
//  * Programmatic changes of the current row while the window copies the model's state are not
//    forwarded back as row changes.
//  * Column 2 (the template folder) is never shown and cannot be resized; a width the model
//    refuses is put back.
#pragma once

#include <QDialog>

#include "company/open_company_dialog.h"

class QAction;
class QCheckBox;
class QMenu;
class QPushButton;
class QTableWidget;

namespace gui {

class TForm_OpenCompany : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kWidth = 714;
  static constexpr int kHeight = 367;
  static constexpr int kRowHeight = 26;

  explicit TForm_OpenCompany(company::OpenCompanyDialogModel& model, QWidget* parent = nullptr);

  // Copies the model's state into the widgets; closes the window once the model has a result.
  void Sync();
  // Fills the popup menu from the model as it is about to open, without opening it.
  QMenu* PreparePopupMenu();

 public Q_SLOTS:
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Forward(void (company::OpenCompanyDialogModel::*command)());

  company::OpenCompanyDialogModel& model_;
  QTableWidget* grid_;
  QCheckBox* check_;
  QPushButton* select_;
  QPushButton* edit_;
  QPushButton* exit_;
  QMenu* popup_;
  QAction* n9_;
  QAction* n5_;
  QAction* n3_;
  QAction* n2_;
  QAction* n1_;
  QAction* n7_;
  QAction* report_template_;
  bool syncing_ = false;
};

// The view the model calls: runs the three windows modally through RunModal.
class QtOpenCompanyView : public company::OpenCompanyView {
 public:
  void RunOpenCompanyDialog(company::OpenCompanyDialogModel& model) override;
  void RunCompanyEditor(company::CompanyEditorModel& editor) override;
  void RunReportTemplateDialog(company::ReportTemplateDialogModel& dialog) override;
  void SetBusyCursor(bool busy) override;

 private:
  TForm_OpenCompany* form_ = nullptr;  // the Open Company window while it is shown
  bool busy_ = false;
};

}  // namespace gui
