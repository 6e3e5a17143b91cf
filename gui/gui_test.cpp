// Drives the real windows of the desktop program on the offscreen platform. Modal windows are
// answered through the modal hook: each expected window gets a step that runs inside its own
// modal loop, after checking that it is the active modal window.
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <deque>
#include <fstream>
#include <functional>

#include "app/company_chooser.h"
#include "app/main_window.h"
#include "company/company_texts.h"
#include "company/open_company_dialog.h"
#include "config/environment.h"
#include "config/settings.h"
#include "datafiles/side_files.h"
#include "dialogs/dialogs.h"
#include "fileaccess/end_program.h"
#include "gui/company_edit.h"
#include "gui/folder_picker.h"
#include "gui/form_helpers.h"
#include "gui/main_window.h"
#include "gui/message_windows.h"
#include "gui/open_company.h"
#include "gui/program.h"
#include "gui/qt_presenter.h"
#include "gui/wait_window.h"
#include "isam/isam.h"
#include "platform/env.h"

using namespace gui;

namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }
std::string Cp(const char* utf8) { return company::Thai(utf8); }

// Expected modal windows, in order, with what the user does in each.
class ModalScript {
 public:
  using Action = std::function<void(QDialog*)>;
  ModalScript() {
    SetModalHook([this](QDialog* dialog) { OnModal(dialog); });
  }
  ~ModalScript() { SetModalHook(nullptr); }

  ModalScript& Expect(const char* object_name, Action action) {
    steps_.push_back({QString::fromLatin1(object_name), std::move(action)});
    return *this;
  }
  bool Done() const { return steps_.empty(); }
  QStringList failures;

 private:
  struct Step {
    QString name;
    Action action;
  };
  void OnModal(QDialog* dialog) {
    QPointer<QDialog> guard(dialog);
    if (steps_.empty()) {
      failures << QStringLiteral("unexpected window ") + dialog->objectName();
      QMetaObject::invokeMethod(
          dialog,
          [guard] {
            if (guard) guard->reject();
          },
          Qt::QueuedConnection);
      return;
    }
    Step step = std::move(steps_.front());
    steps_.pop_front();
    QMetaObject::invokeMethod(
        dialog,
        [this, guard, step] {
          if (guard.isNull()) return;
          if (QApplication::activeModalWidget() != guard.data()) {
            failures << QStringLiteral("not the active modal window: ") + guard->objectName();
          }
          if (guard->objectName() != step.name) {
            failures << QStringLiteral("expected ") + step.name + QStringLiteral(", got ") +
                            guard->objectName();
            guard->reject();
            return;
          }
          step.action(guard.data());
        },
        Qt::QueuedConnection);
  }
  std::deque<Step> steps_;
};

template <typename T>
T* Child(QWidget* parent, const char* name) {
  T* child = parent->findChild<T*>(QString::fromLatin1(name));
  if (child == nullptr) qWarning("missing child %s", name);
  return child;
}

void Click(QWidget* parent, const char* name) {
  QTest::mouseClick(Child<QPushButton>(parent, name), Qt::LeftButton);
}

void Screenshot(QWidget* widget, const char* name) {
  const QByteArray dir = qgetenv("IMPCUST_SCREENSHOT_DIR");
  if (dir.isEmpty()) return;
  QDir().mkpath(QString::fromLocal8Bit(dir));
  widget->grab().save(QString::fromLocal8Bit(dir) + QLatin1Char('/') + QLatin1String(name) +
                      QStringLiteral(".png"));
}

std::string ToBackslashes(std::string path) {
  return path;  // the file layer accepts '/' and '\' alike
}

void WriteFile(const QString& path, const std::string& bytes) {
  std::ofstream out(path.toStdString(), std::ios::binary);
  out << bytes;
}

// A CSV in the import layout (code page 874): the title row and `rows` customers.
std::string ImportCsv(int rows, int columns = 20) {
  std::string titles[20];
  titles[0] = Cp("รหัสลูกค้า");
  titles[1] = Cp("ชื่อลูกหนี้/ลูกค้า");
  titles[15] = Cp("วางบิล 1");
  std::string text;
  for (int c = 0; c < columns; ++c) text += (c ? "," : "") + titles[c];
  text += "\r\n";
  for (int r = 1; r <= rows; ++r) {
    for (int c = 0; c < columns; ++c) {
      if (c) text += ",";
      if (c == 0) text += "C" + std::to_string(100 + r);
      if (c == 1) text += Cp("บริษัท ทดสอบ ") + std::to_string(r);
    }
    text += "\r\n";
  }
  return text;
}

}  // namespace

class GuiTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir* scratch_ = nullptr;
  QString startup_;
  QString original_cwd_;
  QtPresenter presenter_;

  // A fresh start-up directory, current, with the settings folders inside the scratch folder.
  void FreshStartup() {
    delete scratch_;
    scratch_ = new QTemporaryDir();
    startup_ = scratch_->path() + QStringLiteral("/start");
    QDir().mkpath(startup_);
    QDir::setCurrent(startup_);
    qputenv("APPDATA", (scratch_->path() + QStringLiteral("/appdata")).toLocal8Bit());
    qputenv("TEMP", scratch_->path().toLocal8Bit());
    config::ResetSettings();
    QVERIFY(config::InitEnvironment());
  }
  // A company data directory with its ARINFO.DAT.
  QString MakeCompany(const char* name) {
    const QString dir = scratch_->path() + QLatin1Char('/') + QLatin1String(name);
    QDir().mkpath(dir);
    const QString before = QDir::currentPath();
    QDir::setCurrent(dir);
    datafiles::SideFiles side;
    datafiles::WriteArInfo(platform::Env::Default(), side);
    QDir::setCurrent(before);
    return dir;
  }

 private Q_SLOTS:
  void initTestCase() {
    original_cwd_ = QDir::currentPath();
    dialogs::SetPresenter(&presenter_);
  }
  void cleanupTestCase() {
    dialogs::SetPresenter(nullptr);
    QDir::setCurrent(original_cwd_);
    delete scratch_;
  }

  void centringRule() {
    const struct {
      QSize screen, window;
      bool vista;
      QPoint at;
    } cases[] = {
        {{1024, 768}, {400, 300}, true, {312, 229}},
        {{1024, 768}, {400, 300}, false, {312, 231}},
        {{1024, 768}, {401, 301}, true, {312, 229}},  // halves truncate
        {{800, 600}, {1000, 700}, false, {-100, -53}},
    };
    for (const auto& c : cases) QCOMPARE(CentredTopLeft(c.screen, c.window, c.vista), c.at);
  }

  void messageWindowsCaptionsIconsAndWidths() {
    const struct {
      dialogs::MessageKind kind;
      const char* text;
      const char* caption;
      const char* icon;
    } cases[] = {
        {dialogs::MessageKind::kInformation, "OK", "Information", "Image1"},
        {dialogs::MessageKind::kError, "ไม่พบแฟ้มข้อมูลของโปรแกรมลูกหนี้และรายได้ ไม่พบแฟ้มข้อมูล", "Error",
         "Image2"},
        {dialogs::MessageKind::kWarning, "Can not load file.", "Warning", "Image3"},
    };
    for (const auto& c : cases) {
      ModalScript script;
      script.Expect("Form_DisplayMessage", [&](QDialog* d) {
        QCOMPARE(d->windowTitle(), QString::fromLatin1(c.caption));
        for (const char* icon : {"Image1", "Image2", "Image3"}) {
          QCOMPARE(Child<QLabel>(d, icon)->isVisible(), qstrcmp(icon, c.icon) == 0);
        }
        auto* label = Child<QLabel>(d, "Label1");
        QCOMPARE(label->text(), U(c.text));
        QCOMPARE(d->width(), std::max(label->width() + 88, 198));
        auto* panel = Child<QWidget>(d, "Panel1");
        QCOMPARE(panel->x(), (d->width() - panel->width()) / 2);
        QVERIFY(panel->geometry().bottom() < d->height());
        QVERIFY(label->geometry().bottom() < panel->y());
        Screenshot(d, c.icon == QByteArray("Image2") ? "message_error" : c.caption);
        Click(Child<QWidget>(d, "Panel1"), "cxButton1");
      });
      dialogs::DisplayMessage(c.kind, Cp(c.text));
      QVERIFY2(script.failures.isEmpty(), qPrintable(script.failures.join("; ")));
      QVERIFY(script.Done());
    }
  }

  void messageCtrlCCopiesOnlyTheText() {
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    ModalScript script;
    script.Expect("Form_DisplayMessage", [](QDialog* d) {
      QTest::keyClick(d, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
      QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
      QTest::keyClick(d, Qt::Key_C, Qt::ControlModifier);
      QCOMPARE(QGuiApplication::clipboard()->text(), U("การทำงานเสร็จเรียบร้อยแล้ว"));
      QVERIFY(d->isVisible());
      QTest::keyClick(d, Qt::Key_Escape);
      QVERIFY(!d->isVisible());
    });
    dialogs::ShowInformation(Cp("การทำงานเสร็จเรียบร้อยแล้ว"));
    QVERIFY2(script.failures.isEmpty(), qPrintable(script.failures.join("; ")));
    QVERIFY(script.Done());
  }

  void questionWindowTextsAndAnswers() {
    const struct {
      dialogs::DefaultButton button;
      const char* text;
      const char* shown;
      Qt::Key key;
      bool answer;
      const char* icon;
    } cases[] = {
        {dialogs::DefaultButton::kYes, "Continue", "Continue?", Qt::Key_Escape, false, "Image1"},
        {dialogs::DefaultButton::kYes, "คุณต้องการลบ?", "คุณต้องการลบ?", Qt::Key_Return, true,
         "Image1"},
        {dialogs::DefaultButton::kYes, "Stop.", "Stop.", Qt::Key_Return, true, "Image1"},
        {dialogs::DefaultButton::kNo, "Overwrite", "Overwrite?", Qt::Key_Return, false, "Image2"},
    };
    for (const auto& c : cases) {
      ModalScript script;
      script.Expect("Form_AskForYesNo", [&](QDialog* d) {
        QCOMPARE(d->windowTitle(), QStringLiteral("Confirm"));
        auto* label = Child<QLabel>(d, "Label1");
        QCOMPARE(label->text(), U(c.shown));
        QCOMPARE(d->width(), std::max(label->width() + 88, 200));
        QCOMPARE(Child<QLabel>(d, "Image1")->isVisible(), qstrcmp(c.icon, "Image1") == 0);
        QCOMPARE(Child<QLabel>(d, "Image2")->isVisible(), qstrcmp(c.icon, "Image2") == 0);
        auto* focused = QApplication::focusWidget();
        QVERIFY(focused != nullptr);
        QCOMPARE(focused->objectName(), c.button == dialogs::DefaultButton::kYes
                                            ? QStringLiteral("cxButton1")
                                            : QStringLiteral("cxButton2"));
        if (c.key == Qt::Key_Return && c.answer) Screenshot(d, "question");
        QTest::keyClick(focused, c.key);
      });
      QCOMPARE(dialogs::AskForYesNo(c.button, Cp(c.text)), c.answer);
      QVERIFY2(script.failures.isEmpty(), qPrintable(script.failures.join("; ")));
      QVERIFY(script.Done());
    }
  }

  void waitWindowShowsAndReleasesItself() {
    dialogs::ShowWait();
    QPointer<TForm_Wait> wait = presenter_.WaitWindow();
    QVERIFY(!wait.isNull());
    QVERIFY(wait->isVisible());
    QCOMPARE(wait->size(), QSize(185, 40));
    QCOMPARE(wait->PanelText(), U("รอสักครู่..."));
    QVERIFY(wait->windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(wait->windowFlags() & Qt::FramelessWindowHint);
    Screenshot(wait, "wait");
    dialogs::HideWait();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(wait.isNull());
    QVERIFY(presenter_.WaitWindow() == nullptr);
    // A second pair right after the first leaves nothing behind either.
    dialogs::ShowWait();
    dialogs::HideWait();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (QWidget* w : QApplication::topLevelWidgets()) QVERIFY(!qobject_cast<TForm_Wait*>(w));
  }

  void recoveryWindowTextsAndAnswers() {
    const struct {
      dialogs::RecoveryKind kind;
      const char* file;
      std::optional<uint64_t> normal;
      uint64_t leftover;
      const char* sav_text;
      const char* dat_text;
      bool yes;
    } cases[] = {
        {dialogs::RecoveryKind::kSaveFile, "ARFILE01.SAV", 50000, 100000, "100,000 byte(s)",
         "50,000 byte(s)", true},
        {dialogs::RecoveryKind::kIndexTempFile, "ARFILE01.IX~", std::nullopt, 0, "0", "0", false},
    };
    for (const auto& c : cases) {
      ModalScript script;
      script.Expect("Form_FixRecov", [&](QDialog* d) {
        QCOMPARE(d->windowTitle(), QStringLiteral("Attention!"));
        QCOMPARE(d->size(), QSize(496, 345));
        QCOMPARE(Child<QLabel>(d, "Label_FName")->text(), QString::fromLatin1(c.file));
        QCOMPARE(Child<QLabel>(d, "Label_Sav")->text(), QString::fromLatin1(c.sav_text));
        QCOMPARE(Child<QLabel>(d, "Label_Dat")->text(), QString::fromLatin1(c.dat_text));
        QVERIFY(Child<QLabel>(d, "Label_FName")->font().bold());
        auto* label1 = Child<QLabel>(d, "Label1");
        QVERIFY(label1->text().contains(U("\"แก้ไขแฟ้มข้อมูลที่เสียหาย\"")));
        // The word-wrapped explanation fits its 429 x 144 box.
        QVERIFY(label1->heightForWidth(429) <= 144);
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("cxButton1"));
        for (const char* name : {"Label2", "Label4", "Label5", "Label3"}) {
          QVERIFY(Child<QLabel>(d, name)->geometry().right() < d->width());
        }
        if (c.yes) {
          Screenshot(d, "recovery");
          Click(Child<QWidget>(d, "Panel1"), "cxButton1");
        } else {
          d->close();  // the close box
        }
      });
      QCOMPARE(dialogs::AskRecovery(c.kind, c.file, c.normal, c.leftover), c.yes);
      QVERIFY2(script.failures.isEmpty(), qPrintable(script.failures.join("; ")));
    }
  }

  void editorNewEntryFollowsTheName() {
    FreshStartup();
    const std::string start = config::StartupDirectory();
    company::CompanyEditorModel model;
    model.SetName("");
    model.SetDirectory(start);
    model.FormShow();
    TForm_OpenCompany_Edit form(model);
    form.show();
    auto* name = Child<QLineEdit>(&form, "Edit1");
    auto* dir = Child<FolderPicker>(&form, "Edit2");
    QCOMPARE(form.windowTitle(), QStringLiteral("Edit Company"));
    QCOMPARE(form.size(), QSize(494, 150));
    QCOMPARE(name->maxLength(), 50);
    QCOMPARE(dir->text(), QString());
    QVERIFY(!dir->isEnabled());
    QVERIFY(!Child<QPushButton>(&form, "cxButton1")->isEnabled());
    QTest::keyClicks(name, QStringLiteral("A/B:C"));
    QCOMPARE(dir->text(), ToDisplay(start + "\\ABC"));
    QVERIFY(dir->isEnabled());
    QVERIFY(Child<QPushButton>(&form, "cxButton1")->isEnabled());
    QTest::keyClicks(name, U("ก"));
    QCOMPARE(model.name(), "A/B:C" + Cp("ก"));  // typed text is stored as code page 874
    Screenshot(&form, "company_editor");
    // By hand, then back in the name field: the directory no longer follows.
    dir->setFocus();
    QTest::keyClicks(dir->LineEdit(), QStringLiteral("X"));
    name->setFocus();
    QTest::keyClicks(name, QStringLiteral("Z"));
    QCOMPARE(dir->text(), ToDisplay(start + "\\ABC" + Cp("ก") + "X"));
    form.reject();  // Esc / close box
    QCOMPARE(model.result(), company::ModalResult::kCancel);
  }

  void reportTemplateRefusesDefaultName() {
    FreshStartup();
    const QString custom = startup_ + QStringLiteral("/RPT/_default");
    QDir().mkpath(custom);
    company::ReportTemplateDialogModel model;
    model.Fill("", config::StartupDirectory() + "\\Template");
    model.FormShow();
    TForm_OpenCompany_ReportTemplate form(model);
    form.show();
    auto* custom_option = Child<QRadioButton>(&form, "cxRadioButton2");
    auto* folder = Child<FolderPicker>(&form, "Edit1");
    QVERIFY(Child<QRadioButton>(&form, "cxRadioButton1")->isChecked());
    QVERIFY(!folder->isEnabled());
    QTest::mouseClick(custom_option, Qt::LeftButton, {}, QPoint(6, custom_option->height() / 2));
    QVERIFY(custom_option->isChecked());
    QVERIFY(folder->isEnabled());
    folder->setText(custom);
    Screenshot(&form, "report_template");
    ModalScript script;
    script.Expect("Form_DisplayMessage", [](QDialog* d) {
      QCOMPARE(Child<QLabel>(d, "Label1")->text(), U("ไม่อนุญาตให้กำหนดชื่อ _Default"));
      d->accept();
    });
    Click(&form, "cxButton1");
    QCOMPARE(model.result(), company::ModalResult::kNone);
    folder->setText(startup_ + QStringLiteral("/RPT"));
    Click(&form, "cxButton1");
    QCOMPARE(model.result(), company::ModalResult::kOk);
    QVERIFY2(script.failures.isEmpty(), qPrintable(script.failures.join("; ")));
  }

  // First start: no company list. The editor opens before the list; the new company is made,
  // then chosen with Enter on the grid.
  void openCompanyFirstStartCreatesAndChooses() {
    FreshStartup();
    const std::string start = config::StartupDirectory();
    ModalScript script;
    QString made;
    script.Expect("Form_OpenCompany_Edit", [&](QDialog* d) {
      auto* dir = Child<FolderPicker>(d, "Edit2");
      QCOMPARE(dir->text(), ToDisplay(start + "\\DATAFILE"));
      QCOMPARE(Child<QLineEdit>(d, "Edit1")->text(), QString());
      QTest::keyClicks(Child<QLineEdit>(d, "Edit1"), U("บริษัท ก"));
      made = startup_ + QStringLiteral("/co1");
      dir->LineEdit()->clear();
      QTest::keyClicks(dir->LineEdit(), made);
      script.Expect("Form_AskForYesNo", [](QDialog* q) {
        QCOMPARE(Child<QLabel>(q, "Label1")->text(), U("ไม่พบไดเร็คทอรี่ที่กำหนด. ต้องการสร้างใหม่?"));
        Click(Child<QWidget>(q, "Panel1"), "cxButton1");
      });
      Click(d, "cxButton1");
    });
    script.Expect("Form_OpenCompany", [&](QDialog* d) {
      auto* grid = Child<QTableWidget>(d, "Grid1");
      QCOMPARE(grid->rowCount(), 90);
      QCOMPARE(grid->horizontalHeaderItem(0)->text(), U("ชื่อกิจการ"));
      QCOMPARE(grid->horizontalHeaderItem(1)->text(), U("แฟ้มข้อมูล"));
      QVERIFY(grid->isColumnHidden(2));
      QCOMPARE(grid->columnWidth(0), 335);
      QCOMPARE(grid->rowHeight(0), 26);
      QCOMPARE(grid->item(0, 0)->text(), U("บริษัท ก"));
      QCOMPARE(grid->item(0, 1)->text(), made);
      QCOMPARE(grid->currentRow(), 0);
      QVERIFY(Child<QPushButton>(d, "Btn_Select")->isEnabled());
      QCOMPARE(QApplication::focusWidget(), grid);
      Screenshot(d, "open_company");
      QTest::keyClick(grid, Qt::Key_Return);
    });
    company::OpenCompanyDialogModel model(new QtOpenCompanyView);
    model.SetAlwaysShow(true);
    QVERIFY(model.ChooseCompany());
    QVERIFY2(script.failures.isEmpty(), qPrintable(script.failures.join("; ")));
    QVERIFY(script.Done());
    QCOMPARE(ToDisplay(config::Settings().selected_data_dir), made);
    QCOMPARE(config::Settings().selected_company_name, Cp("บริษัท ก"));
    QVERIFY(QDir(made).exists());
    QCOMPARE(QDir::currentPath(), startup_);
  }

  // A list with two companies: keys and the popup menu on filled and empty slots.
  void openCompanyKeysAndPopupMenu() {
    FreshStartup();
    const QString a = MakeCompany("A"), b = MakeCompany("B");
    WriteFile(
        startup_ + QStringLiteral("/USERDRV.INI"),
        "A;" + a.toStdString() + "\r\n\r\nB;" + b.toStdString() + "|" + b.toStdString() + "\r\n");
    ModalScript script;
    script.Expect("Form_OpenCompany", [&](QDialog* d) {
      auto* grid = Child<QTableWidget>(d, "Grid1");
      auto* form = static_cast<TForm_OpenCompany*>(d);
      auto* select = Child<QPushButton>(d, "Btn_Select");
      // Slot 3 (B) has a template folder: the item is ticked.
      QTest::keyClick(grid, Qt::Key_Down);
      QTest::keyClick(grid, Qt::Key_Down);
      QCOMPARE(grid->currentRow(), 2);
      QMenu* menu = form->PreparePopupMenu();
      auto item = [&](const char* name) { return menu->findChild<QAction*>(name); };
      QVERIFY(item("ReportTemplate1")->isChecked());
      QCOMPARE(item("N2")->text(), U("ลบ..."));
      int separators = 0;
      for (QAction* action : menu->actions()) separators += action->isSeparator();
      QCOMPARE(separators, 4);
      QVERIFY(!item("F101")->isVisible() && !item("ESC1")->isVisible());
      // The empty slot 2: Select off, "ลบ" without a question.
      QTest::keyClick(grid, Qt::Key_Up);
      QVERIFY(!select->isEnabled());
      menu = form->PreparePopupMenu();
      QCOMPARE(item("N2")->text(), U("ลบ"));
      QVERIFY(!item("N9")->isEnabled());
      QVERIFY(!item("ReportTemplate1")->isEnabled());
      QTest::keyClick(grid, Qt::Key_Delete);  // no question expected
      QCOMPARE(grid->item(1, 0)->text(), QStringLiteral("B"));
      QVERIFY(select->isEnabled());
      // Delete on a filled slot asks; No keeps it.
      script.Expect("Form_AskForYesNo", [](QDialog* q) {
        QCOMPARE(Child<QLabel>(q, "Label1")->text(), U("คุณต้องการลบ?"));
        QTest::keyClick(q, Qt::Key_Escape);
      });
      QTest::keyClick(grid, Qt::Key_Delete);
      QCOMPARE(grid->item(1, 0)->text(), QStringLiteral("B"));
      // F7 moves B up; Insert makes an empty slot above it.
      QTest::keyClick(grid, Qt::Key_F7);
      QCOMPARE(grid->item(0, 0)->text(), QStringLiteral("B"));
      QCOMPARE(grid->currentRow(), 0);
      QTest::keyClick(grid, Qt::Key_Insert);
      QCOMPARE(grid->item(0, 0)->text(), QString());
      QCOMPARE(grid->item(1, 0)->text(), QStringLiteral("B"));
      QTest::keyClick(grid, Qt::Key_Escape);
    });
    company::OpenCompanyDialogModel model(new QtOpenCompanyView);
    model.SetAlwaysShow(true);
    QVERIFY(!model.ChooseCompany());
    QVERIFY2(script.failures.isEmpty(), qPrintable(script.failures.join("; ")));
    QVERIFY(script.Done());
    // The edits were written back when the window closed.
    QFile list(startup_ + QStringLiteral("/USERDRV.INI"));
    QVERIFY(list.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = list.readAll().split('\n');
    QCOMPARE(lines.value(0), QByteArray("\r"));
    QVERIFY(lines.value(1).startsWith("B;"));
    QVERIFY(lines.value(2).startsWith("A;"));
  }

  // The remembered company drawn bold; a double click chooses.
  void openCompanyBoldRememberedRowAndDoubleClick() {
    FreshStartup();
    const QString a = MakeCompany("A"), b = MakeCompany("B");
    WriteFile(startup_ + QStringLiteral("/USERDRV.INI"),
              "A;" + a.toStdString() + "\r\nB;" + b.toStdString() + "\r\n");
    QCOMPARE(platform::WriteWholeFile(
                 platform::Env::Default(), config::ConfigFilePath(),
                 "OPENCOMPANY_COMPANY=b\r\nOPENCOMPANY_DIR=" + b.toStdString() + "\r\n"),
             0);
    ModalScript script;
    script.Expect("Form_OpenCompany", [&](QDialog* d) {
      auto* grid = Child<QTableWidget>(d, "Grid1");
      QCOMPARE(grid->currentRow(), 1);
      QVERIFY(grid->item(1, 0)->font().bold());
      QVERIFY(grid->item(1, 1)->font().bold());
      QVERIFY(!grid->item(0, 0)->font().bold());
      const QRect cell = grid->visualItemRect(grid->item(0, 0));
      QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
      QCOMPARE(grid->currentRow(), 0);
      QVERIFY(grid->item(1, 0)->font().bold());  // bold stays with the remembered company
      QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    });
    company::OpenCompanyDialogModel model(new QtOpenCompanyView);
    model.SetAlwaysShow(true);
    QVERIFY(model.ChooseCompany());
    QVERIFY2(script.failures.isEmpty(), qPrintable(script.failures.join("; ")));
    QCOMPARE(ToDisplay(config::Settings().selected_data_dir), a);
  }
};

QTEST_MAIN(GuiTest)
#include "gui_test.moc"
