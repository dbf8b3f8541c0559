// WinUi.h -- the small set of Win32 window helpers the installer's face is built from: text
// conversions, the layout's colours and fonts, coloured panels and labels, and a modal loop.
#pragma once

#include "installer/win32/WinApi.h"

#include "platform/KSTypes.h"

namespace ks::win {

// UTF-8 (the installer's 8-bit strings) to and from UTF-16 for the wide calls.
std::wstring Wide(const AnsiString& S);
AnsiString Utf8(const std::wstring& S);
// UTF-8 to and from the ANSI code page, for the calls that take 8-bit text. Characters the code
// page cannot hold become '?', as the system's own conversion makes them.
std::string ToAnsiCp(const AnsiString& Utf8Text);
AnsiString FromAnsiCp(const char* AnsiText);

// The layout's colours.
inline constexpr COLORREF clText = RGB(0x26, 0x55, 0x27);     // every text; the main form's frame
inline constexpr COLORREF clPanel1 = RGB(0xC8, 0xE3, 0xFD);   // Panel1
inline constexpr COLORREF clPage = RGB(0xE4, 0xEC, 0xD0);     // Panel4, pnlUpdate, new-folder dialog
inline constexpr COLORREF clBand = RGB(0xC5, 0xDA, 0x9E);     // Panel2, Panel3
inline constexpr COLORREF clChooser = RGB(0xD8, 0xED, 0xB4);  // Drive, Dir
inline constexpr COLORREF clEdit = RGB(0xDA, 0xED, 0xB6);     // edtMappa
inline constexpr COLORREF clCheckBox = RGB(0xFF, 0xFF, 0x00); // chkShortcut

// "MS Sans Serif" at 8 point (height -11), its bold form, and bold with height -16.
struct TWinFonts {
    HFONT Normal = nullptr;
    HFONT Bold = nullptr;
    HFONT Bold12 = nullptr;
};
const TWinFonts& Fonts();

// The background a window paints and that its child labels show through. Kept as a window
// property so that one colour handler serves every window of the installer.
void SetBackColor(HWND Wnd, COLORREF Color);
COLORREF BackColor(HWND Wnd, COLORREF Default);
// Answer to WM_CTLCOLOR*: the control's own colour when it has one, else its parent's; text in
// clText. Brushes are kept for the life of the program (a handful of colours).
HBRUSH ControlColor(HDC Dc, HWND Control);
// Fills Wnd's client area on Dc with Color (a window's WM_ERASEBKGND); returns 1, the "erased".
LRESULT EraseBackground(HWND Wnd, HDC Dc, COLORREF Color);

// Registers a window class of this program under Name (the first call; later ones with the same
// name leave the class as it is), with the arrow cursor.
void RegisterWindowClass(const wchar_t* Name, WNDPROC Proc, HICON Icon = nullptr,
                         HBRUSH Background = nullptr);

// The messages a window gets about the look of its children: WM_CTLCOLOR* (ControlColor) and
// WM_DRAWITEM (DrawColouredButton). True when Msg is one of them, with its answer in Result.
bool ChildLookMessage(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result);

// A plain panel: paints its colour and hands the notifications of its controls to the top-level
// window, so that nested controls are handled where the window's logic lives.
HWND CreatePanel(HWND Parent, int X, int Y, int W, int H, COLORREF Color, bool Visible = true);

// A static text. Width or height 0 sizes the control to its single-line text.
HWND CreateLabel(HWND Parent, const AnsiString& Text, int X, int Y, int W, int H, HFONT Font,
                 DWORD Style = SS_LEFT, bool Visible = true);
// Sets a label's text and, for an auto-sized label, its size.
void SetLabelText(HWND Label, const AnsiString& Text, bool AutoSize);

HWND CreateButton(HWND Parent, int Id, const AnsiString& Text, int X, int Y, int W, int H, HFONT Font,
                  DWORD Style = BS_PUSHBUTTON);

// A push button whose caption is drawn in clText (a system push button takes its text colour from
// the system, whatever the colour handlers answer). It is owner-drawn: its parent window passes
// WM_DRAWITEM to DrawColouredButton (panels do so on their own). It keeps a push button's keys:
// Space clicks it, and so does Enter while it has the focus, as the dialog keys of the installer's
// windows expect of the focused button; the focused button is drawn with the default frame.
HWND CreateColouredButton(HWND Parent, int Id, const AnsiString& Text, int X, int Y, int W, int H,
                          HFONT Font);
// Draws a button made by CreateColouredButton for WM_DRAWITEM; false (nothing drawn) for any other
// control, whose owner draws it.
bool DrawColouredButton(const DRAWITEMSTRUCT& Item);

// Outer size of a window of the given style whose client area is W x H, centred on the screen.
RECT CentredWindowRect(int W, int H, DWORD Style, DWORD ExStyle);

// Runs the message loop for a modal window until Done is set or the program is asked to quit
// (the WM_QUIT is posted again for the outer loop). The owner is disabled meanwhile; an owner
// that was disabled before is still disabled afterwards.
void RunModal(HWND Dialog, HWND Owner, const bool& Done);

// A message box owned by Owner; its answer (IDOK, IDYES, ...). As with RunModal, an owner that
// was disabled before the box is still disabled after it, whatever the system's box does.
int ModalMessageBox(HWND Owner, const AnsiString& Text, const AnsiString& Caption, UINT Type);

// Pumps every message waiting for the thread (the main window's dialog keys included).
void PumpMessages();

// The main window: the message loops hand it keyboard navigation (Tab between controls).
void SetMainWindow(HWND Wnd);
HWND MainWindow();

} // namespace ks::win
