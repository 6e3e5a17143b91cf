// Shared services of the program's windows: the Thai form font, the code page 874 conversion
// at the display boundary, the centring rule every dialog applies when it is shown, the grid
// band colours, copying a text to the clipboard, the painted icons of the message windows, and
// the one place through which every modal window is run.
//
// Called by every window of gui/ and by the Qt presenter.
//
// Contract that is easy to get wrong:
//  * Stored text is code page 874; only ToDisplay/FromDisplay cross into QString. FromDisplay
//    keeps every character the code page can hold and turns the rest into '?'.
//  * RunModal is the only way a window of this program is shown modally. A hook installed with
//    SetModalHook sees each window immediately before its modal loop starts; tests use it to
//    post the answer into that loop (a queued call runs only once the loop is running), never
//    a timer racing the window.
//  * CentredTopLeft works on the window's outer size, as the screen sees it.
#pragma once

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QPoint>
#include <QSize>
#include <QString>
#include <functional>
#include <string>
#include <string_view>

class QDialog;
class QTableWidget;
class QWidget;

namespace gui {

// Code page 874 bytes to text for display, and typed text back to code page 874 bytes.
QString ToDisplay(std::string_view cp874);
std::string FromDisplay(const QString& text);

// Tahoma at the given pixel size where it is installed, otherwise a Thai-capable face.
QFont FormFont(int pixel_size = 15, bool bold = false);

// Where PrepareFormOnShow puts a window of outer size `window` on a screen of size `screen`:
// horizontally centred, vertically centred and then raised by 5 pixels on Windows Vista and
// later, by 3 otherwise; divisions truncate.
QPoint CentredTopLeft(QSize screen, QSize window, bool vista_or_later);
// True when the system is of the Windows NT family with a major version above 5.
bool WindowsVistaOrLater();
// Centres `form` on its screen by the rule above.
void PrepareFormOnShow(QWidget* form);

// Alternating row colours of a list grid: rows 1, 3, 5, ... (the first data row included) in
// `primary`, the others in the system window colour.
void ApplyGridBandColors(QTableWidget* grid, QColor primary);
// A colour value of the suite (0x00BBGGRR) as a QColor.
QColor FromColorRef(uint32_t colorref);

// Replaces the clipboard's content with `text` as Unicode text.
void CopyTextToClipboard(const QString& text);

// The 32 x 32 icons of the message and question windows.
enum class IconKind { kInformation, kError, kWarning, kQuestion };
QPixmap PaintIcon(IconKind kind);

// Runs `dialog` modally and returns its result code.
int RunModal(QDialog* dialog);
// Installs (or, with an empty function, removes) the hook RunModal calls just before a modal
// loop starts.
using ModalHook = std::function<void(QDialog*)>;
void SetModalHook(ModalHook hook);

}  // namespace gui
