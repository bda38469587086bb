// Windows of the emulated machine. A window is a host window without decorations; a dialog is a
// window plus a dialog procedure; a modal dialog runs a nested event loop on the main thread and
// disables its owner. Messages reach the dialog procedure on the window's thread (the thread that
// runs the window system, the main thread); a send from another thread is marshalled there and
// waited for. Painters draw through device contexts (Gdi.h) and never touch the host: the main
// thread presents the frames they hand over.
//
// The host's windows come from a backend: a real display when one can be opened, otherwise the
// headless one, where everything runs the same and each window's last presented frame can be
// saved as a PNG file.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Gdi.h"

namespace platform {

// A window handle: an opaque number that stays invalid once its window is destroyed.
struct WindowTag;
using WindowHandle = WindowTag*;

using WParam = uintptr_t;
using LParam = intptr_t;
using LResult = intptr_t;

inline constexpr uint32_t kWmCreate = 0x0001;
inline constexpr uint32_t kWmDestroy = 0x0002;
inline constexpr uint32_t kWmMove = 0x0003;
inline constexpr uint32_t kWmSize = 0x0005;
inline constexpr uint32_t kWmSetText = 0x000C;
inline constexpr uint32_t kWmPaint = 0x000F;
inline constexpr uint32_t kWmClose = 0x0010;
inline constexpr uint32_t kWmEraseBkgnd = 0x0014;
inline constexpr uint32_t kWmShowWindow = 0x0018;
inline constexpr uint32_t kWmSetFont = 0x0030;
inline constexpr uint32_t kWmNcLButtonDown = 0x00A1;
inline constexpr uint32_t kWmNcDestroy = 0x0082;
inline constexpr uint32_t kWmInitDialog = 0x0110;
inline constexpr uint32_t kWmExitSizeMove = 0x0232;
// WM_SIZE's first parameter: the kind of the change.
inline constexpr WParam kSizeRestored = 0;
inline constexpr WParam kSizeMinimized = 1;
inline constexpr WParam kSizeMaximized = 2;
inline constexpr uint32_t kWmCommand = 0x0111;
inline constexpr uint32_t kWmMouseMove = 0x0200;
inline constexpr uint32_t kWmLButtonDown = 0x0201;
inline constexpr uint32_t kWmLButtonUp = 0x0202;
inline constexpr uint32_t kWmCaptureChanged = 0x0215;
// First message number free for the program's own messages.
inline constexpr uint32_t kWmUser = 0x0400;

// Button state in the first parameter of mouse messages.
inline constexpr WParam kMkLButton = 0x0001;
inline constexpr WParam kMkRButton = 0x0002;
inline constexpr WParam kMkMButton = 0x0010;

inline constexpr WParam kHtCaption = 2;
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
// Notification code of a push button click (high word of WM_COMMAND's first parameter).
inline constexpr int kBnClicked = 0;

inline constexpr int kSwHide = 0;
inline constexpr int kSwShowNormal = 1;
inline constexpr int kSwShowMinimized = 2;
inline constexpr int kSwMinimize = 6;
inline constexpr int kSwShowNa = 8;
inline constexpr int kSwRestore = 9;
inline constexpr int kSwShow = 5;

// Virtual-key codes of the keys the program reads; letters and digits are their upper-case ASCII
// codes ('A', '0').
inline constexpr int kVkBack = 0x08;
inline constexpr int kVkTab = 0x09;
inline constexpr int kVkReturn = 0x0D;
inline constexpr int kVkEscape = 0x1B;
inline constexpr int kVkEnd = 0x23;
inline constexpr int kVkHome = 0x24;
inline constexpr int kVkLeft = 0x25;
inline constexpr int kVkUp = 0x26;
inline constexpr int kVkRight = 0x27;
inline constexpr int kVkDown = 0x28;
inline constexpr int kVkDelete = 0x2E;

inline constexpr int kSmCxScreen = 0;
inline constexpr int kSmCyScreen = 1;

// x in the low 16 bits, y in the high 16 bits, each as a 16-bit two's complement value.
inline constexpr LParam MakeLParam(int32_t x, int32_t y) {
    return static_cast<LParam>(static_cast<uint32_t>(static_cast<uint16_t>(x)) |
                               (static_cast<uint32_t>(static_cast<uint16_t>(y)) << 16));
}
inline constexpr uint16_t LowWord(uintptr_t v) {
    return static_cast<uint16_t>(v & 0xFFFF);
}
inline constexpr uint16_t HighWord(uintptr_t v) {
    return static_cast<uint16_t>((v >> 16) & 0xFFFF);
}

// A dialog procedure: nonzero when it handled the message. Unhandled messages get the dialog's
// default handling: a close request (and Escape) becomes the Cancel command, a press with the
// caption hit code drags the window, a paint request is validated.
using DialogProc = std::function<LResult(WindowHandle, uint32_t, WParam, LParam)>;

enum class ControlKind { Button, GroupBox, Edit, ListView, ListBox, Static };

inline constexpr uint32_t kControlVisible = 0x1;
inline constexpr uint32_t kControlBorder = 0x2;
inline constexpr uint32_t kControlVScroll = 0x4;
inline constexpr uint32_t kControlDisabled = 0x8;
inline constexpr uint32_t kControlMultiLine = 0x10;

// A control of a dialog template; positions in dialog units of the template's font.
struct ControlTemplate {
    ControlKind kind = ControlKind::Static;
    int id = -1;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    std::wstring text;
    uint32_t style = kControlVisible;
};

// A dialog template (a dialog resource as data). With inPixels the size is in pixels, otherwise
// in dialog units of the font (horizontal unit = average character width / 4, vertical = line
// height / 8).
struct DialogTemplate {
    int width = 0;
    int height = 0;
    bool inPixels = false;
    bool caption = false; // a title bar and frame; without it the window has no decorations
    std::wstring title;
    std::wstring fontFace = L"MS Shell Dlg";
    int fontPoints = 8;
    std::vector<ControlTemplate> controls;
};

// Which host windows the window system uses: Display needs a real display (X11), Headless keeps
// windows in memory, Automatic takes the display when one can be opened and headless otherwise.
enum class WindowBackendKind { Automatic, Display, Headless };

// Starts the window system on the calling thread, which becomes the window thread. Idempotent on
// that thread (whatever kind is asked for then); false on another thread or when the backend
// cannot start. The other calls start it on first use, automatically.
bool InitWindowSystem(WindowBackendKind kind = WindowBackendKind::Automatic);
// Destroys every window and stops the backend. Call on the window thread.
void ShutdownWindowSystem();
bool IsWindowThread();
// The backend's name: "x11" on a display, "headless" without; empty before InitWindowSystem.
std::string VideoDriverName();
// Whether windows appear on a real display.
bool HasDisplay();

// DialogBoxIndirectParam: creates the dialog hidden, sends WM_INITDIALOG (second parameter
// initParam), shows it, disables the owner and runs a nested event loop until EndDialog. Returns
// the end result, or -1 when the dialog could not be created. Window thread only.
LResult DialogBox(const DialogTemplate& dialogTemplate, WindowHandle owner, DialogProc proc,
                  LParam initParam = 0);
// CreateDialogIndirectParam: a modeless dialog, created hidden; show it with ShowWindow.
WindowHandle CreateDialog(const DialogTemplate& dialogTemplate, WindowHandle owner, DialogProc proc,
                          LParam initParam = 0);
// Ends a modal dialog (its loop returns result) or hides and destroys a modeless one.
bool EndDialog(WindowHandle dialog, LResult result);
bool DestroyWindow(WindowHandle window);
bool IsWindow(WindowHandle window);

// SendMessageW: delivers at once on the window thread; from any other thread the message is
// marshalled to the window thread and the caller waits for the result. 0 for a dead window.
LResult SendMessage(WindowHandle window, uint32_t message, WParam wParam, LParam lParam);
// PostMessageW: queued for the window thread.
bool PostMessage(WindowHandle window, uint32_t message, WParam wParam, LParam lParam);

// Queues task for the window thread without waiting; tasks run in the order they were posted.
// For updates from threads that the window thread may itself wait for.
bool PostToWindowThread(std::function<void()> task);

// Runs the window thread's event loop for up to timeoutMs (or until the queue is empty when 0),
// delivering input, marshalled sends and paint requests and presenting frames. Window thread only.
void PumpMessages(int timeoutMs);

bool MoveWindow(WindowHandle window, int32_t x, int32_t y, int32_t width, int32_t height,
                bool repaint);
// Screen coordinates for top-level windows; a control's rectangle is in its parent's client
// coordinates.
bool GetWindowRect(WindowHandle window, Rect* rect);
bool GetClientRect(WindowHandle window, Rect* rect);
bool ClientToScreen(WindowHandle window, Point* point);
bool ShowWindow(WindowHandle window, int command);
bool IsWindowVisible(WindowHandle window);
bool IsIconic(WindowHandle window);
bool EnableWindow(WindowHandle window, bool enable);
bool IsWindowEnabled(WindowHandle window);
bool SetWindowText(WindowHandle window, const std::wstring& text);
std::wstring GetWindowText(WindowHandle window);
// The icon shown by the desktop for the window (both sizes use the same image); with alpha, one
// coverage byte per pixel.
bool SetWindowIcon(WindowHandle window, const Bitmap& icon,
                   const std::vector<uint8_t>* alpha = nullptr);
// The icon from PNG bytes (an icon resource); false when they do not decode.
bool SetWindowIconFromPng(WindowHandle window, const uint8_t* data, size_t size);

// How long a native message box waits for an answer before it is ended (logged).
inline constexpr int kNativeMessageBoxBoundMs = 30 * 60 * 1000;
// The native message box (MB_OK | MB_ICONERROR): the desktop's own error box, attached to the
// owner's window, which takes no input meanwhile. Blocks the calling thread until the box is
// answered, the owner is destroyed or the bound passes; on the window thread the windows keep
// being served. False when no box could be shown (without a display it returns at once).
bool ShowNativeMessageBox(WindowHandle owner, const std::wstring& caption,
                          const std::wstring& text);

// Whether the display composites windows with per-pixel alpha, which a layered click-through
// window (the drop shadow) needs. No backend offers such windows yet, so this is false and they
// stay hidden.
bool IsDesktopCompositionEnabled();
WindowHandle GetParent(WindowHandle window);
WindowHandle GetDlgItem(WindowHandle dialog, int id);
int GetDlgCtrlId(WindowHandle window);
// WM_SETFONT; the font must outlive the control.
void SetWindowFont(WindowHandle window, const Font* font);

// GetSystemMetrics for the screen size.
int GetSystemMetrics(int index);

// Mouse capture: mouse messages go to the capturing window even outside it.
WindowHandle SetCapture(WindowHandle window);
bool ReleaseCapture();
WindowHandle GetCapture();

// The clipboard's text; empty when it holds none. Marshalled to the window thread.
std::wstring GetClipboardText();
bool SetClipboardText(const std::wstring& text);

// The X11 window id of a top-level window on an X display, for the calls only Xlib answers; 0
// without one (headless).
uintptr_t GetNativeX11Window(WindowHandle window);

// A hook on a top-level window's messages (window subclassing): every message delivered to the
// window goes to the hook first, with callPrevious running the window's own procedure (and its
// default handling). Besides the window's usual messages the hook sees WM_SIZE with its kind
// (restored, minimised), WM_EXITSIZEMOVE when a caption drag ends and WM_NCDESTROY last of all.
// One hook per window; an empty hook removes it. Window thread only.
using MessageHook = std::function<LResult(WindowHandle window, uint32_t message, WParam p1,
                                          LParam p2, const std::function<LResult()>& callPrevious)>;
bool SetWindowMessageHook(WindowHandle window, MessageHook hook);

// Marks the window for a paint request (WM_PAINT, preceded by WM_ERASEBKGND when erase is set).
bool InvalidateRect(WindowHandle window, const Rect* rect, bool erase);

// GetDC: a context over the window's back canvas (its client size). Destroying it (ReleaseDC)
// hands the frame to the window thread. Null for a dead window. Any thread.
std::unique_ptr<DeviceContext> GetDC(WindowHandle window);

// The last frame the window thread presented for a top-level window (its canvas with the
// controls drawn over it); false when nothing was presented yet or the file cannot be written.
bool SaveWindowFrameAsPng(WindowHandle window, const char* path);
std::unique_ptr<Bitmap> LastPresentedFrame(WindowHandle window);

// Input for tests: injects an event for the window into the backend's queue, so that it takes
// the same road as a user's. Coordinates are client pixels; keys are virtual-key codes (kVk*).
enum class MouseAction { Move, LeftDown, LeftUp, Wheel };
bool PushMouseEventForTesting(WindowHandle window, MouseAction action, int32_t x, int32_t y,
                              int wheel = 0);
bool PushKeyEventForTesting(WindowHandle window, int virtualKey, bool ctrl = false,
                            bool shift = false);
bool PushTextInputForTesting(WindowHandle window, const std::string& utf8);
bool PushCloseRequestForTesting(WindowHandle window);

// The native controls' own API (NativeControls.cpp). Calls from any thread are marshalled to the
// window thread.
WindowHandle CreateControl(WindowHandle parent, ControlKind kind, int id, const Rect& rect,
                           const std::wstring& text, uint32_t style);
// Edit box: the formatting rectangle (EM_SETRECT) in the control's client coordinates.
bool EditSetFormattingRect(WindowHandle edit, const Rect& rect);
// List view in report view.
bool ListViewInsertColumn(WindowHandle listView, int index, const std::wstring& header, int width);
int ListViewInsertItem(WindowHandle listView, int row, const std::wstring& text);
bool ListViewSetItemText(WindowHandle listView, int row, int column, const std::wstring& text);
bool ListViewDeleteAllItems(WindowHandle listView);
int ListViewGetItemCount(WindowHandle listView);
std::wstring ListViewGetItemText(WindowHandle listView, int row, int column);
// List box.
int ListBoxAddString(WindowHandle listBox, const std::wstring& text);
int ListBoxGetCount(WindowHandle listBox);
std::wstring ListBoxGetText(WindowHandle listBox, int index);
int ListBoxGetTopIndex(WindowHandle listBox);

} // namespace platform
