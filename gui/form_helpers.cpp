#include "gui/form_helpers.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QTableWidget>
#include <QWidget>

#include "platform/cp874.h"
#include "platform/env.h"

namespace gui {

QString ToDisplay(std::string_view cp874) {
  return QString::fromStdString(platform::Cp874ToUtf8(cp874));
}

std::string FromDisplay(const QString& text) { return platform::Utf8ToCp874(text.toStdString()); }

QFont FormFont(int pixel_size, bool bold) {
  QFont font;
  // Tahoma first; the others are the Thai faces commonly installed where it is not.
  font.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("Loma"), QStringLiteral("Garuda"),
                    QStringLiteral("Norasi"), QStringLiteral("Noto Sans Thai")});
  font.setPixelSize(pixel_size);
  font.setBold(bold);
  return font;
}

QPoint CentredTopLeft(QSize screen, QSize window, bool vista_or_later) {
  const int left = screen.width() / 2 - window.width() / 2;
  const int top = screen.height() / 2 - window.height() / 2 - (vista_or_later ? 5 : 3);
  return QPoint(left, top);
}

bool WindowsVistaOrLater() {
  static const bool flag = platform::Env::Default()->WindowsVersion() / 100 > 5;
  return flag;
}

void PrepareFormOnShow(QWidget* form) {
  QScreen* screen = form->screen() ? form->screen() : QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  // Before the window manager has framed the window its outer size is its client size.
  const QSize outer = form->frameGeometry().size().isValid() && form->isVisible()
                          ? form->frameGeometry().size()
                          : form->size();
  form->move(CentredTopLeft(screen->size(), outer, WindowsVistaOrLater()));
}

void ApplyGridBandColors(QTableWidget* grid, QColor primary) {
  QPalette palette = grid->palette();
  const QColor window_colour = QApplication::palette().color(QPalette::Base);
  palette.setColor(QPalette::Base, primary);
  palette.setColor(QPalette::AlternateBase, window_colour);
  grid->setPalette(palette);
  grid->setAlternatingRowColors(true);
}

QColor FromColorRef(uint32_t colorref) {
  return QColor(colorref & 0xFF, (colorref >> 8) & 0xFF, (colorref >> 16) & 0xFF);
}

void CopyTextToClipboard(const QString& text) {
  QGuiApplication::clipboard()->setText(text, QClipboard::Clipboard);
}

QPixmap PaintIcon(IconKind kind) {
  const qreal ratio = 2.0;  // drawn at twice the size so it stays sharp on dense screens
  QPixmap pixmap(QSize(32, 32) * ratio);
  pixmap.setDevicePixelRatio(ratio);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  QFont glyph_font = FormFont(20, true);
  glyph_font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Tahoma")});
  p.setFont(glyph_font);
  switch (kind) {
    case IconKind::kInformation:
    case IconKind::kQuestion: {
      // A blue speech bubble with the letter i or a question mark.
      QPainterPath bubble;
      bubble.addEllipse(QRectF(2, 1, 28, 24));
      QPainterPath tail;
      tail.moveTo(8, 19);
      tail.lineTo(5, 31);
      tail.lineTo(16, 23);
      tail.closeSubpath();
      bubble = bubble.united(tail);
      p.setPen(QPen(QColor(0x1f, 0x4e, 0x9a), 1.5));
      p.setBrush(QColor(0x3a, 0x7b, 0xd5));
      p.drawPath(bubble);
      p.setPen(Qt::white);
      p.drawText(QRectF(2, 1, 28, 24), Qt::AlignCenter,
                 kind == IconKind::kInformation ? QStringLiteral("i") : QStringLiteral("?"));
      break;
    }
    case IconKind::kError: {
      p.setPen(QPen(QColor(0x9a, 0x10, 0x10), 1.5));
      p.setBrush(QColor(0xd9, 0x22, 0x22));
      p.drawEllipse(QRectF(2, 2, 28, 28));
      p.setPen(QPen(Qt::white, 3.5, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(11, 11), QPointF(21, 21));
      p.drawLine(QPointF(21, 11), QPointF(11, 21));
      break;
    }
    case IconKind::kWarning: {
      QPainterPath triangle;
      triangle.moveTo(16, 2);
      triangle.lineTo(31, 29);
      triangle.lineTo(1, 29);
      triangle.closeSubpath();
      p.setPen(QPen(QColor(0x80, 0x60, 0x00), 1.5));
      p.setBrush(QColor(0xf5, 0xc2, 0x11));
      p.drawPath(triangle);
      p.setPen(Qt::black);
      p.drawText(QRectF(1, 8, 30, 22), Qt::AlignCenter, QStringLiteral("!"));
      break;
    }
  }
  return pixmap;
}

namespace {
ModalHook& Hook() {
  static ModalHook hook;
  return hook;
}
}  // namespace

int RunModal(QDialog* dialog) {
  if (Hook()) Hook()(dialog);
  return dialog->exec();
}

void SetModalHook(ModalHook hook) { Hook() = std::move(hook); }

}  // namespace gui
