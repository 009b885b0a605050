#pragma once
// Window-message numbers and the flag values that travel with them. The numbers
// are the classic desktop values, so the framework's message tables read the
// same on every backend. Each constant names its classic macro in a comment.

#include <cstdint>
#include <type_traits>

namespace quillmar {

namespace Msg {
inline constexpr uint32_t Null = 0x0000;                 // WM_NULL
inline constexpr uint32_t Create = 0x0001;               // WM_CREATE
inline constexpr uint32_t Destroy = 0x0002;              // WM_DESTROY
inline constexpr uint32_t Move = 0x0003;                 // WM_MOVE
inline constexpr uint32_t Size = 0x0005;                 // WM_SIZE
inline constexpr uint32_t Activate = 0x0006;             // WM_ACTIVATE
inline constexpr uint32_t SetFocus = 0x0007;             // WM_SETFOCUS
inline constexpr uint32_t KillFocus = 0x0008;            // WM_KILLFOCUS
inline constexpr uint32_t Enable = 0x000A;               // WM_ENABLE
inline constexpr uint32_t SetText = 0x000C;              // WM_SETTEXT
inline constexpr uint32_t Paint = 0x000F;                // WM_PAINT
inline constexpr uint32_t Close = 0x0010;                // WM_CLOSE
inline constexpr uint32_t Quit = 0x0012;                 // WM_QUIT
inline constexpr uint32_t ShowWindow = 0x0018;           // WM_SHOWWINDOW
inline constexpr uint32_t SetCursor = 0x0020;            // WM_SETCURSOR
inline constexpr uint32_t MouseActivate = 0x0021;        // WM_MOUSEACTIVATE
inline constexpr uint32_t GetMinMaxInfo = 0x0024;        // WM_GETMINMAXINFO
inline constexpr uint32_t NcCreate = 0x0081;             // WM_NCCREATE
inline constexpr uint32_t NcDestroy = 0x0082;            // WM_NCDESTROY
inline constexpr uint32_t NcHitTest = 0x0084;            // WM_NCHITTEST
inline constexpr uint32_t NcMouseMove = 0x00A0;          // WM_NCMOUSEMOVE
inline constexpr uint32_t NcLButtonDown = 0x00A1;        // WM_NCLBUTTONDOWN
inline constexpr uint32_t NcLButtonUp = 0x00A2;          // WM_NCLBUTTONUP
inline constexpr uint32_t NcLButtonDblClk = 0x00A3;      // WM_NCLBUTTONDBLCLK
inline constexpr uint32_t KeyDown = 0x0100;              // WM_KEYDOWN
inline constexpr uint32_t KeyUp = 0x0101;                // WM_KEYUP
inline constexpr uint32_t Char = 0x0102;                 // WM_CHAR
inline constexpr uint32_t SysKeyDown = 0x0104;           // WM_SYSKEYDOWN
inline constexpr uint32_t SysKeyUp = 0x0105;             // WM_SYSKEYUP
inline constexpr uint32_t SysChar = 0x0106;              // WM_SYSCHAR
inline constexpr uint32_t ImeStartComposition = 0x010D;  // WM_IME_STARTCOMPOSITION
inline constexpr uint32_t ImeEndComposition = 0x010E;    // WM_IME_ENDCOMPOSITION
inline constexpr uint32_t ImeComposition = 0x010F;       // WM_IME_COMPOSITION
inline constexpr uint32_t SysCommand = 0x0112;           // WM_SYSCOMMAND
inline constexpr uint32_t Timer = 0x0113;                // WM_TIMER
inline constexpr uint32_t MouseMove = 0x0200;            // WM_MOUSEMOVE
inline constexpr uint32_t LButtonDown = 0x0201;          // WM_LBUTTONDOWN
inline constexpr uint32_t LButtonUp = 0x0202;            // WM_LBUTTONUP
inline constexpr uint32_t LButtonDblClk = 0x0203;        // WM_LBUTTONDBLCLK
inline constexpr uint32_t RButtonDown = 0x0204;          // WM_RBUTTONDOWN
inline constexpr uint32_t RButtonUp = 0x0205;            // WM_RBUTTONUP
inline constexpr uint32_t RButtonDblClk = 0x0206;        // WM_RBUTTONDBLCLK
inline constexpr uint32_t MButtonDown = 0x0207;          // WM_MBUTTONDOWN
inline constexpr uint32_t MButtonUp = 0x0208;            // WM_MBUTTONUP
inline constexpr uint32_t MButtonDblClk = 0x0209;        // WM_MBUTTONDBLCLK
inline constexpr uint32_t MouseWheel = 0x020A;           // WM_MOUSEWHEEL
inline constexpr uint32_t MouseHWheel = 0x020E;          // WM_MOUSEHWHEEL
inline constexpr uint32_t CaptureChanged = 0x0215;       // WM_CAPTURECHANGED
inline constexpr uint32_t MouseHover = 0x02A1;           // WM_MOUSEHOVER
inline constexpr uint32_t MouseLeave = 0x02A3;           // WM_MOUSELEAVE
// The framework answers it by recomputing the maximize work area (877).
inline constexpr uint32_t WorkAreaChanged = 0x036D;
inline constexpr uint32_t User = 0x0400;  // WM_USER
}  // namespace Msg

// Window styles (WS_*).
namespace Style {
inline constexpr uint32_t Overlapped = 0x00000000;   // WS_OVERLAPPED
inline constexpr uint32_t MaximizeBox = 0x00010000;  // WS_MAXIMIZEBOX
inline constexpr uint32_t MinimizeBox = 0x00020000;  // WS_MINIMIZEBOX
inline constexpr uint32_t ThickFrame = 0x00040000;   // WS_THICKFRAME
inline constexpr uint32_t SysMenu = 0x00080000;      // WS_SYSMENU
inline constexpr uint32_t Caption = 0x00C00000;      // WS_CAPTION
inline constexpr uint32_t Maximize = 0x01000000;     // WS_MAXIMIZE
inline constexpr uint32_t Disabled = 0x08000000;     // WS_DISABLED
inline constexpr uint32_t Visible = 0x10000000;      // WS_VISIBLE
inline constexpr uint32_t Minimize = 0x20000000;     // WS_MINIMIZE
inline constexpr uint32_t Popup = 0x80000000;        // WS_POPUP
}  // namespace Style

// Extended window styles (WS_EX_*).
namespace ExStyle {
inline constexpr uint32_t Topmost = 0x00000008;     // WS_EX_TOPMOST
inline constexpr uint32_t ToolWindow = 0x00000080;  // WS_EX_TOOLWINDOW
inline constexpr uint32_t Layered = 0x00080000;     // WS_EX_LAYERED
inline constexpr uint32_t NoActivate = 0x08000000;  // WS_EX_NOACTIVATE
}  // namespace ExStyle

// Class styles (CS_*).
namespace ClassStyle {
inline constexpr uint32_t VRedraw = 0x0001;  // CS_VREDRAW
inline constexpr uint32_t HRedraw = 0x0002;  // CS_HREDRAW
inline constexpr uint32_t DblClks = 0x0008;  // CS_DBLCLKS
}  // namespace ClassStyle

// Hit-test codes (HT*), the low word of Msg::SetCursor's lParam and the
// wParam of the non-client mouse messages.
enum class HitTest : uint32_t {
  Nowhere = 0,       // HTNOWHERE
  Client = 1,        // HTCLIENT
  Caption = 2,       // HTCAPTION
  Left = 10,         // HTLEFT
  Right = 11,        // HTRIGHT
  Top = 12,          // HTTOP
  TopLeft = 13,      // HTTOPLEFT
  TopRight = 14,     // HTTOPRIGHT
  Bottom = 15,       // HTBOTTOM
  BottomLeft = 16,   // HTBOTTOMLEFT
  BottomRight = 17,  // HTBOTTOMRIGHT
};
// The sizing-border codes, HitTest::Left to HitTest::BottomRight.
constexpr bool IsSizingEdge(HitTest hit) { return hit >= HitTest::Left && hit <= HitTest::BottomRight; }

// System commands (SC_*), the wParam of Msg::SysCommand (low 4 bits are free).
namespace SysCmd {
inline constexpr uint32_t Size = 0xF000;  // SC_SIZE (+1..8 = the edge, below)
inline constexpr uint32_t SizeLeft = 0xF001;
inline constexpr uint32_t SizeRight = 0xF002;
inline constexpr uint32_t SizeTop = 0xF003;
inline constexpr uint32_t SizeTopLeft = 0xF004;
inline constexpr uint32_t SizeTopRight = 0xF005;
inline constexpr uint32_t SizeBottom = 0xF006;
inline constexpr uint32_t SizeBottomLeft = 0xF007;
inline constexpr uint32_t SizeBottomRight = 0xF008;
inline constexpr uint32_t Move = 0xF010;      // SC_MOVE
inline constexpr uint32_t Minimize = 0xF020;  // SC_MINIMIZE
inline constexpr uint32_t Maximize = 0xF030;  // SC_MAXIMIZE
inline constexpr uint32_t Close = 0xF060;     // SC_CLOSE
inline constexpr uint32_t Restore = 0xF120;   // SC_RESTORE
}  // namespace SysCmd

// Show commands (SW_*) and the show states of a window placement.
namespace Show {
inline constexpr int Hide = 0;            // SW_HIDE
inline constexpr int Normal = 1;          // SW_SHOWNORMAL
inline constexpr int Minimized = 2;       // SW_SHOWMINIMIZED
inline constexpr int Maximized = 3;       // SW_SHOWMAXIMIZED
inline constexpr int NoActivate = 4;      // SW_SHOWNOACTIVATE
inline constexpr int Shown = 5;           // SW_SHOW
inline constexpr int Minimize = 6;        // SW_MINIMIZE
inline constexpr int MinNoActive = 7;     // SW_SHOWMINNOACTIVE
inline constexpr int NoActivateSame = 8;  // SW_SHOWNA
inline constexpr int Restore = 9;         // SW_RESTORE
}  // namespace Show

// wParam of Msg::Size.
enum class SizeKind : uint32_t {
  Restored = 0,   // SIZE_RESTORED
  Minimized = 1,  // SIZE_MINIMIZED
  Maximized = 2,  // SIZE_MAXIMIZED
};

// Key-state bits in the wParam of mouse messages (MK_*).
namespace Mk {
inline constexpr uint32_t LButton = 0x0001;  // MK_LBUTTON
inline constexpr uint32_t RButton = 0x0002;  // MK_RBUTTON
inline constexpr uint32_t Shift = 0x0004;    // MK_SHIFT
inline constexpr uint32_t Control = 0x0008;  // MK_CONTROL
inline constexpr uint32_t MButton = 0x0010;  // MK_MBUTTON
}  // namespace Mk

inline constexpr int kWheelDelta = 120;  // WHEEL_DELTA: one notch

// Mouse-tracking requests (TME_*).
namespace Track {
inline constexpr uint32_t Hover = 0x00000001;   // TME_HOVER
inline constexpr uint32_t Leave = 0x00000002;   // TME_LEAVE
inline constexpr uint32_t Cancel = 0x80000000;  // TME_CANCEL
}  // namespace Track

// Flags of Msg::ImeComposition's lParam.
namespace Ime {
inline constexpr uint32_t CompStr = 0x0008;    // GCS_COMPSTR
inline constexpr uint32_t ResultStr = 0x0800;  // GCS_RESULTSTR
}  // namespace Ime

// Virtual-key codes (VK_*); letters and digits are their ASCII capitals.
namespace Vk {
inline constexpr int LButton = 0x01;   // VK_LBUTTON
inline constexpr int RButton = 0x02;   // VK_RBUTTON
inline constexpr int MButton = 0x04;   // VK_MBUTTON
inline constexpr int Back = 0x08;      // VK_BACK
inline constexpr int Tab = 0x09;       // VK_TAB
inline constexpr int Return = 0x0D;    // VK_RETURN
inline constexpr int Shift = 0x10;     // VK_SHIFT
inline constexpr int Control = 0x11;   // VK_CONTROL
inline constexpr int Menu = 0x12;      // VK_MENU (Alt)
inline constexpr int Escape = 0x1B;    // VK_ESCAPE
inline constexpr int Space = 0x20;     // VK_SPACE
inline constexpr int Prior = 0x21;     // VK_PRIOR (Page Up)
inline constexpr int Next = 0x22;      // VK_NEXT (Page Down)
inline constexpr int End = 0x23;       // VK_END
inline constexpr int Home = 0x24;      // VK_HOME
inline constexpr int Left = 0x25;      // VK_LEFT
inline constexpr int Up = 0x26;        // VK_UP
inline constexpr int Right = 0x27;     // VK_RIGHT
inline constexpr int Down = 0x28;      // VK_DOWN
inline constexpr int Insert = 0x2D;    // VK_INSERT
inline constexpr int Delete = 0x2E;    // VK_DELETE
inline constexpr int Apps = 0x5D;      // VK_APPS (the menu key)
inline constexpr int F1 = 0x70;        // VK_F1 (F2..F12 follow)
inline constexpr int F10 = 0x79;       // VK_F10
inline constexpr int LShift = 0xA0;    // VK_LSHIFT
inline constexpr int RShift = 0xA1;    // VK_RSHIFT
inline constexpr int LControl = 0xA2;  // VK_LCONTROL
inline constexpr int RControl = 0xA3;  // VK_RCONTROL
inline constexpr int LMenu = 0xA4;     // VK_LMENU
inline constexpr int RMenu = 0xA5;     // VK_RMENU
}  // namespace Vk

// Message-beep kinds (MB_*), the argument of WindowSystem::Beep.
namespace BeepKind {
inline constexpr uint32_t Simple = 0xFFFFFFFF;           // the simple beep
inline constexpr uint32_t Ok = 0x00000000;               // MB_OK
inline constexpr uint32_t IconHand = 0x00000010;         // MB_ICONHAND
inline constexpr uint32_t IconQuestion = 0x00000020;     // MB_ICONQUESTION
inline constexpr uint32_t IconExclamation = 0x00000030;  // MB_ICONEXCLAMATION
inline constexpr uint32_t IconInformation = 0x00000040;  // MB_ICONINFORMATION
}  // namespace BeepKind

// A typed code as the number it travels as in wParam or lParam.
template <typename E>
requires std::is_enum_v<E>
constexpr std::underlying_type_t<E> ToWire(E e) { return static_cast<std::underlying_type_t<E>>(e); }

// Packing helpers for wParam/lParam words (MAKELONG, LOWORD, HIWORD and the
// signed forms used for coordinates and wheel deltas).
constexpr uint32_t MakeLong(uint32_t low, uint32_t high) { return (low & 0xFFFFu) | ((high & 0xFFFFu) << 16); }
constexpr uint32_t LowWord(uint64_t v) { return static_cast<uint32_t>(v & 0xFFFFu); }
constexpr uint32_t HighWord(uint64_t v) { return static_cast<uint32_t>((v >> 16) & 0xFFFFu); }
constexpr int32_t SignedLowWord(uint64_t v) { return static_cast<int16_t>(static_cast<uint16_t>(v & 0xFFFFu)); }
constexpr int32_t SignedHighWord(uint64_t v) {
  return static_cast<int16_t>(static_cast<uint16_t>((v >> 16) & 0xFFFFu));
}

}  // namespace quillmar
