// Shared pieces of the window tests: the modal script that answers each expected modal window
// inside its own modal loop, child lookup by design name, screenshots and small fixtures.
#pragma once

#include <QApplication>
#include <QDebug>
#include <QDialog>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QStringList>
#include <QTest>
#include <deque>
#include <fstream>
#include <functional>
#include <string>
#include <type_traits>

#include "gui/form_helpers.h"
#include "platform/cp874.h"

namespace gui_test {
using namespace gui;

// Checks record their failures here and carry on: a check inside a modal window's step must
// not leave the window open. Each test's cleanup() turns the list into a failure.
inline QStringList& Failures() {
  static QStringList failures;
  return failures;
}
inline QStringList TakeFailures() {
  QStringList taken = Failures();
  Failures().clear();
  return taken;
}
template <typename T>
QString Show(const T& value) {
  QString text;
  if constexpr (std::is_enum_v<T>) {
    text = QString::number(static_cast<int>(value));
  } else {
    QDebug(&text) << value;
  }
  return text;
}
inline QString Show(const std::string& value) { return Show(QString::fromStdString(value)); }

#define CHECK(cond)                                                                              \
  do {                                                                                           \
    if (!(cond))                                                                                 \
      gui_test::Failures()                                                                       \
          << QStringLiteral("%1:%2: %3").arg(__FILE__).arg(__LINE__).arg(QStringLiteral(#cond)); \
  } while (false)
#define CHECK_EQ(actual, expected)                                                          \
  do {                                                                                      \
    const auto actual_ = (actual);                                                          \
    const auto expected_ = (expected);                                                      \
    if (!(actual_ == expected_))                                                            \
      gui_test::Failures() << QStringLiteral("%1:%2: %3 is %4, expected %5")                \
                                  .arg(QLatin1String(__FILE__))                             \
                                  .arg(__LINE__)                                            \
                                  .arg(QStringLiteral(#actual))                             \
                                  .arg(gui_test::Show(actual_), gui_test::Show(expected_)); \
  } while (false)

inline QString U(const char* utf8) { return QString::fromUtf8(utf8); }
inline std::string Cp(const char* utf8) { return platform::Utf8ToCp874(utf8); }

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
  // The next window, expected before those already listed (for a window a step opens).
  ModalScript& Next(const char* object_name, Action action) {
    steps_.push_front({QString::fromLatin1(object_name), std::move(action)});
    return *this;
  }
  bool Done() const { return steps_.empty(); }

 private:
  struct Step {
    QString name;
    Action action;
  };
  void OnModal(QDialog* dialog) {
    QPointer<QDialog> guard(dialog);
    if (steps_.empty()) {
      Failures() << QStringLiteral("unexpected window ") + dialog->objectName();
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
            Failures() << QStringLiteral("not the active modal window: ") + guard->objectName();
          }
          if (guard->objectName() != step.name) {
            Failures() << QStringLiteral("expected ") + step.name + QStringLiteral(", got ") +
                              guard->objectName();
            guard->reject();
            return;
          }
          // Let the window become active, as it does for a user, before acting.
          if (!QTest::qWaitForWindowActive(guard.data())) {
            Failures() << QStringLiteral("never active: ") + guard->objectName();
          }
          if (guard.isNull()) return;
          step.action(guard.data());
          // A step that failed half-way leaves its window open: close it so the test ends.
          if (!guard.isNull() && guard->isVisible()) {
            Failures() << QStringLiteral("left open: ") + guard->objectName();
            guard->reject();
            if (!guard.isNull() && guard->isVisible()) guard->done(QDialog::Rejected);
          }
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

// Types `text` into `widget` as key presses carrying the characters (Thai included).
inline void TypeText(QWidget* widget, const QString& text) {
  for (const QChar c : text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(widget, &release);
  }
}

inline void Click(QWidget* parent, const char* name) {
  QTest::mouseClick(Child<QPushButton>(parent, name), Qt::LeftButton);
}

// The second click of a double click, after a click at the same place: the double-click event
// and its release (QTest's double click alone leaves the button held).
inline void DoubleClick(QWidget* widget, QPoint pos) {
  QTest::mouseDClick(widget, Qt::LeftButton, {}, pos);
  QTest::mouseRelease(widget, Qt::LeftButton, {}, pos);
}

inline void Screenshot(QWidget* widget, const char* name) {
  const QByteArray dir = qgetenv("IMPCUST_SCREENSHOT_DIR");
  if (dir.isEmpty()) return;
  QDir().mkpath(QString::fromLocal8Bit(dir));
  widget->grab().save(QString::fromLocal8Bit(dir) + QLatin1Char('/') + QLatin1String(name) +
                      QStringLiteral(".png"));
}

inline void WriteFile(const QString& path, const std::string& bytes) {
  std::ofstream out(path.toStdString(), std::ios::binary);
  out << bytes;
}

// A CSV in the import layout (code page 874): the title row and `rows` customers.
inline std::string ImportCsv(int rows, int columns = 20) {
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

}  // namespace gui_test
