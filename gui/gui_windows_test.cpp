// The message, question, recovery and wait windows through the dialog services, drawn by the
// Qt presenter on the offscreen platform.
#include <QClipboard>
#include <QGuiApplication>
#include <optional>

#include "dialogs/dialogs.h"
#include "gui/gui_test_support.h"
#include "gui/qt_presenter.h"
#include "gui/wait_window.h"

using namespace gui;
using namespace gui_test;

class WindowsTest : public QObject {
  Q_OBJECT

 private:
  gui::QtPresenter presenter_;

 private Q_SLOTS:
  void cleanup() {
    const QStringList failures = TakeFailures();
    QVERIFY2(failures.isEmpty(), qPrintable(failures.join(QLatin1Char('\n'))));
  }
  void initTestCase() { dialogs::SetPresenter(&presenter_); }
  void cleanupTestCase() { dialogs::SetPresenter(nullptr); }

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
    for (const auto& c : cases) CHECK_EQ(CentredTopLeft(c.screen, c.window, c.vista), c.at);
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
        CHECK_EQ(d->windowTitle(), QString::fromLatin1(c.caption));
        for (const char* icon : {"Image1", "Image2", "Image3"}) {
          CHECK_EQ(Child<QLabel>(d, icon)->isVisible(), qstrcmp(icon, c.icon) == 0);
        }
        auto* label = Child<QLabel>(d, "Label1");
        CHECK_EQ(label->text(), U(c.text));
        CHECK_EQ(d->width(), std::max(label->width() + 88, 198));
        auto* panel = Child<QWidget>(d, "Panel1");
        CHECK_EQ(panel->x(), (d->width() - panel->width()) / 2);
        CHECK(panel->geometry().bottom() < d->height());
        CHECK(label->geometry().bottom() < panel->y());
        Screenshot(d, c.icon == QByteArray("Image2") ? "message_error" : c.caption);
        Click(Child<QWidget>(d, "Panel1"), "cxButton1");
      });
      dialogs::DisplayMessage(c.kind, Cp(c.text));
      CHECK(script.Done());
    }
  }

  void messageCtrlCCopiesOnlyTheText() {
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    ModalScript script;
    script.Expect("Form_DisplayMessage", [](QDialog* d) {
      QTest::keyClick(d, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
      CHECK_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
      QTest::keyClick(d, Qt::Key_C, Qt::ControlModifier);
      CHECK_EQ(QGuiApplication::clipboard()->text(), U("การทำงานเสร็จเรียบร้อยแล้ว"));
      CHECK(d->isVisible());
      QTest::keyClick(d, Qt::Key_Escape);
      CHECK(!d->isVisible());
    });
    dialogs::ShowInformation(Cp("การทำงานเสร็จเรียบร้อยแล้ว"));
    CHECK(script.Done());
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
        CHECK_EQ(d->windowTitle(), QStringLiteral("Confirm"));
        auto* label = Child<QLabel>(d, "Label1");
        CHECK_EQ(label->text(), U(c.shown));
        CHECK_EQ(d->width(), std::max(label->width() + 88, 200));
        CHECK_EQ(Child<QLabel>(d, "Image1")->isVisible(), qstrcmp(c.icon, "Image1") == 0);
        CHECK_EQ(Child<QLabel>(d, "Image2")->isVisible(), qstrcmp(c.icon, "Image2") == 0);
        auto* focused = QApplication::focusWidget();
        CHECK(focused != nullptr);
        CHECK_EQ(focused->objectName(), c.button == dialogs::DefaultButton::kYes
                                            ? QStringLiteral("cxButton1")
                                            : QStringLiteral("cxButton2"));
        if (c.key == Qt::Key_Return && c.answer) Screenshot(d, "question");
        QTest::keyClick(focused, c.key);
      });
      CHECK_EQ(dialogs::AskForYesNo(c.button, Cp(c.text)), c.answer);
      CHECK(script.Done());
    }
  }

  void waitWindowShowsAndReleasesItself() {
    dialogs::ShowWait();
    QPointer<TForm_Wait> wait = presenter_.WaitWindow();
    CHECK(!wait.isNull());
    CHECK(wait->isVisible());
    CHECK_EQ(wait->size(), QSize(185, 40));
    CHECK_EQ(wait->PanelText(), U("รอสักครู่..."));
    CHECK(wait->windowFlags() & Qt::WindowStaysOnTopHint);
    CHECK(wait->windowFlags() & Qt::FramelessWindowHint);
    Screenshot(wait, "wait");
    dialogs::HideWait();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    CHECK(wait.isNull());
    CHECK(presenter_.WaitWindow() == nullptr);
    // A second pair right after the first leaves nothing behind either.
    dialogs::ShowWait();
    dialogs::HideWait();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (QWidget* w : QApplication::topLevelWidgets()) CHECK(!qobject_cast<TForm_Wait*>(w));
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
        CHECK_EQ(d->windowTitle(), QStringLiteral("Attention!"));
        CHECK_EQ(d->size(), QSize(496, 345));
        CHECK_EQ(Child<QLabel>(d, "Label_FName")->text(), QString::fromLatin1(c.file));
        CHECK_EQ(Child<QLabel>(d, "Label_Sav")->text(), QString::fromLatin1(c.sav_text));
        CHECK_EQ(Child<QLabel>(d, "Label_Dat")->text(), QString::fromLatin1(c.dat_text));
        CHECK(Child<QLabel>(d, "Label_FName")->font().bold());
        auto* label1 = Child<QLabel>(d, "Label1");
        CHECK(label1->text().contains(U("\"แก้ไขแฟ้มข้อมูลที่เสียหาย\"")));
        // The word-wrapped explanation fits its 429 x 144 box.
        CHECK_EQ(label1->size(), QSize(429, 144));
        CHECK(label1->heightForWidth(429) <= 144);
        CHECK_EQ(QApplication::focusWidget()->objectName(), QStringLiteral("cxButton1"));
        for (const char* name : {"Label2", "Label4", "Label5", "Label3"}) {
          CHECK(Child<QLabel>(d, name)->geometry().right() < d->width());
        }
        if (c.yes) {
          Screenshot(d, "recovery");
          Click(Child<QWidget>(d, "Panel1"), "cxButton1");
        } else {
          d->close();  // the close box
        }
      });
      CHECK_EQ(dialogs::AskRecovery(c.kind, c.file, c.normal, c.leftover), c.yes);
    }
  }
};

int RunWindowsTests(int argc, char** argv) {
  WindowsTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "gui_windows_test.moc"
