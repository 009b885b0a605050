// What the Win32 backend adds to the scenarios: the system acting on our
// windows from outside, line ends on the clipboard, the input method's
// windows, blur and the text handed to the shell. Runs under Wine with an X display.

#include <windows.h>

#include <dwmapi.h>
#include <gtest/gtest.h>
#include <imm.h>

#include <chrono>
#include <cstdlib>

#include "platform/ws/win32_backend.h"
#include "platform/ws/win32_window_system.h"
#include "tests/platform/ws/scenario_driver.h"

namespace quillmar::ws {
namespace {

using testing::MessageLog;

TEST(ShellLink, ProgramTextInEitherEncodingReachesTheShellAlike) {
  const std::u16string expected = u"magnet:?xt=urn:btih:AB&dn=\u7535\u5F71 1";
  EXPECT_EQ(ShellLinkText("magnet:?xt=urn:btih:AB&dn=\xE7\x94\xB5\xE5\xBD\xB1 1"), expected);  // UTF-8
  EXPECT_EQ(ShellLinkText("magnet:?xt=urn:btih:AB&dn=\xB5\xE7\xD3\xB0 1"), expected);          // GB18030
  EXPECT_EQ(ShellLinkText(""), u"");
  EXPECT_EQ(ShellLinkText("a\xEF\xBF\xBD"), u"a\uFFFD") << "a real U+FFFD is UTF-8 too";
}

// Registers a handler of magnet links (in the test's own Wine prefix) that writes the link it is given into a file, and
// takes it away again.
class MagnetHandler {
 public:
  explicit MagnetHandler(const std::wstring& out) {
    const std::wstring command = L"cmd.exe /c echo %1> \"" + out + L"\"";
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, L"magnet\\shell\\open\\command", 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
      return;
    }
    RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                   static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    HKEY root = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, L"magnet", 0, KEY_WRITE, &root) == ERROR_SUCCESS) {
      const wchar_t empty[] = L"";
      RegSetValueExW(root, L"URL Protocol", 0, REG_SZ, reinterpret_cast<const BYTE*>(empty), sizeof(empty));
      RegCloseKey(root);
    }
    registered_ = true;
  }
  ~MagnetHandler() {
    if (registered_) RegDeleteTreeW(HKEY_CLASSES_ROOT, L"magnet");
  }
  MagnetHandler(const MagnetHandler&) = delete;
  MagnetHandler& operator=(const MagnetHandler&) = delete;
  bool Registered() const { return registered_; }

 private:
  bool registered_ = false;
};

TEST(ShellLink, AMagnetLinkReachesTheRegisteredHandler) {
  wchar_t folder[MAX_PATH] = {};
  ASSERT_GT(GetTempPathW(MAX_PATH, folder), 0u);
  const std::wstring out =
      std::wstring(folder) + L"quillmar_magnet_" + std::to_wstring(GetCurrentProcessId()) + L".txt";
  DeleteFileW(out.c_str());
  MagnetHandler handler(out);
  ASSERT_TRUE(handler.Registered());
  Win32WindowSystem system(GetModuleHandleW(nullptr));
  ASSERT_TRUE(system.Start(nullptr));
  const std::string link = "magnet:?xt=urn:btih:0123456789abcdef0123456789abcdef01234567";
  ASSERT_TRUE(system.OpenWithHandler(link));
  // The handler runs on its own: wait for what it wrote.
  std::string written;
  for (int i = 0; i < 300 && written.find("btih") == std::string::npos; ++i) {
    Sleep(20);
    HANDLE file = CreateFileW(out.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) continue;
    char buffer[256] = {};
    DWORD read = 0;
    ReadFile(file, buffer, sizeof(buffer) - 1, &read, nullptr);
    CloseHandle(file);
    written.assign(buffer, read);
  }
  DeleteFileW(out.c_str());
  EXPECT_NE(written.find(link), std::string::npos) << written;
  EXPECT_FALSE(system.OpenWithHandler("")) << "nothing to open";
}

class Win32Backend : public ::testing::Test {
 protected:
  void SetUp() override {
    if (GetSystemMetrics(SM_CXSCREEN) <= 0) GTEST_SKIP() << "no screen (under Wine: no X display)";
    std::string why;
    auto backend = CreateWin32WindowSystem(&why);
    ASSERT_TRUE(backend) << why;
    system_ = static_cast<Win32WindowSystem*>(backend.get());
    previous_ = InstallSystem(std::move(backend));
  }
  void TearDown() override {
    if (system_ == nullptr) return;
    for (WindowHandle h : system_->TopLevelWindows()) system_->DestroyWindow(h);
    Pump([] { return false; }, 50);
    InstallSystem(std::move(previous_));
  }
  bool Pump(const std::function<bool()>& done, int maxMs = 3000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(maxMs);
    while (!done()) {
      if (std::chrono::steady_clock::now() >= end) return false;
      MSG msg;
      if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      } else {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
      }
    }
    return true;
  }
  WindowHandle Open(Rect r) {
    WindowClass cls;
    cls.name = "Win32BackendTest";
    system_->AddWindowClass(cls);
    WindowCreateParams p;
    p.className = cls.name;
    p.title = "\xE6\x92\xB8";  // 撸
    p.x = r.x;
    p.y = r.y;
    p.width = r.width;
    p.height = r.height;
    p.style = Style::Popup | Style::Visible;
    p.exStyle = ExStyle::Layered;
    const WindowHandle h = system_->OpenWindow(p);
    if (h == 0) return 0;
    system_->ReplaceWindowProc(h, log_.Proc(*system_));
    pixels_.assign(static_cast<size_t>(r.width) * r.height, 0xFF336699);
    system_->PresentLayered(h, r.Origin(), r.GetSize(), PixelView{pixels_.data(), r.width, r.height, r.width * 4}, 255);
    return h;
  }

  Win32WindowSystem* system_ = nullptr;
  std::unique_ptr<WindowSystem> previous_;
  MessageLog log_;
  std::vector<uint32_t> pixels_;
};

TEST_F(Win32Backend, ASecondBackendBesideTheFirstWorksAndLeavesTheFirstWorking) {
  {
    Win32WindowSystem second(GetModuleHandleW(nullptr));
    std::string why;
    ASSERT_TRUE(second.Start(&why)) << why;
  }
  // The first one's classes stay registered after the second one went.
  EXPECT_NE(Open(Rect{120, 100, 200, 150}), 0);
}

TEST_F(Win32Backend, TheNativeWindowCarriesTheTitleAndTheRecordsRectangle) {
  const WindowHandle h = Open(Rect{120, 100, 200, 150});
  ASSERT_NE(h, 0);
  HWND native = system_->NativeWindow(h);
  ASSERT_NE(native, nullptr);
  wchar_t title[8] = {};
  GetWindowTextW(native, title, 8);
  EXPECT_EQ(std::wstring(title), L"\u64B8");
  RECT r{};
  GetWindowRect(native, &r);
  EXPECT_EQ(Rect::FromLtrb(r.left, r.top, r.right, r.bottom), (Rect{120, 100, 200, 150}));
  EXPECT_NE(GetWindowLongW(native, GWL_EXSTYLE) & WS_EX_LAYERED, 0);
  EXPECT_TRUE(IsWindowVisible(native));
}

TEST_F(Win32Backend, HalfTransparentPixelsBlendWithTheWindowBelow) {
  const Rect r{400, 300, 60, 40};
  const WindowHandle below = Open(r);  // opaque 0x336699
  ASSERT_NE(below, 0);
  const WindowHandle above = Open(r);
  ASSERT_NE(above, 0);
  std::vector<uint32_t> half(static_cast<size_t>(r.width) * r.height, 0x80800000);  // red at alpha 128
  system_->PresentLayered(above, r.Origin(), r.GetSize(), PixelView{half.data(), r.width, r.height, r.width * 4}, 255);
  system_->SetForeground(above);
  auto screen = [&] {
    HDC dc = GetDC(nullptr);
    const COLORREF c = GetPixel(dc, r.x + 10, r.y + 10);
    ReleaseDC(nullptr, dc);
    return c;
  };
  // red 0x80 + 0x33 * 127/255, green 0x66 * 127/255, blue 0x99 * 127/255
  auto within = [](int a, int b) { return std::abs(a - b) <= 3; };
  const bool blended = Pump([&] {
    const COLORREF c = screen();
    return within(GetRValue(c), 0x80 + 0x19) && within(GetGValue(c), 0x33) && within(GetBValue(c), 0x4C);
  });
  COLORREF c = screen();
  EXPECT_TRUE(blended) << std::hex << GetRValue(c) << " " << GetGValue(c) << " " << GetBValue(c);

  // Opaque red at a constant alpha of 128 shows the same.
  std::vector<uint32_t> red(half.size(), 0xFFFF0000);
  system_->PresentLayered(above, r.Origin(), r.GetSize(), PixelView{red.data(), r.width, r.height, r.width * 4}, 128);
  const bool faded = Pump([&] {
    const COLORREF now = screen();
    return within(GetRValue(now), 0x80 + 0x19) && within(GetGValue(now), 0x33) && within(GetBValue(now), 0x4C);
  });
  c = screen();
  EXPECT_TRUE(faded) << std::hex << GetRValue(c) << " " << GetGValue(c) << " " << GetBValue(c);
}

TEST_F(Win32Backend, AnotherProgramMovingOrShrinkingTheWindowIsHeard) {
  const WindowHandle h = Open(Rect{120, 100, 200, 150});
  ASSERT_NE(h, 0);
  system_->SetMinimumSize(h, Size{150, 100});
  log_.Clear();
  HWND native = system_->NativeWindow(h);
  SetWindowPos(native, nullptr, 300, 200, 200, 150, SWP_NOZORDER | SWP_NOACTIVATE);
  ASSERT_TRUE(Pump([&] { return system_->WindowRect(h).x == 300; }));
  EXPECT_EQ(system_->WindowRect(h), (Rect{300, 200, 200, 150}));
  ASSERT_FALSE(log_.Of(Msg::Move).empty());
  EXPECT_EQ(log_.Of(Msg::Move).back().lParam, static_cast<LParam>(MakeLong(300, 200)));

  // Below the minimum: refused, on the screen too.
  SetWindowPos(native, nullptr, 300, 200, 50, 40, SWP_NOZORDER | SWP_NOACTIVATE);
  Pump([] { return false; }, 100);
  EXPECT_EQ(system_->WindowRect(h).GetSize(), (Size{150, 100}));
  RECT r{};
  GetWindowRect(native, &r);
  EXPECT_EQ(r.right - r.left, 150);
  EXPECT_EQ(r.bottom - r.top, 100);
}

TEST_F(Win32Backend, MinimisingAndClosingFromOutsideReachTheProcedure) {
  const WindowHandle h = Open(Rect{120, 100, 200, 150});
  ASSERT_NE(h, 0);
  ShowWindow(system_->NativeWindow(h), SW_MINIMIZE);
  ASSERT_TRUE(Pump([&] { return system_->IsIconic(h); }));
  ASSERT_FALSE(log_.Of(Msg::Size).empty());
  EXPECT_EQ(log_.Of(Msg::Size).back().wParam, ToWire(SizeKind::Minimized));
  ShowWindow(system_->NativeWindow(h), SW_RESTORE);
  ASSERT_TRUE(Pump([&] { return !system_->IsIconic(h); }));

  // The panel's commands go through the procedure, whose default carries them out.
  PostMessageW(system_->NativeWindow(h), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  ASSERT_TRUE(Pump([&] { return system_->IsZoomed(h); }));
  EXPECT_EQ(system_->WindowRect(h), system_->MonitorOf(h).workArea);
  PostMessageW(system_->NativeWindow(h), WM_SYSCOMMAND, SC_RESTORE, 0);
  ASSERT_TRUE(Pump([&] { return !system_->IsZoomed(h); }));
  EXPECT_EQ(system_->WindowRect(h), (Rect{120, 100, 200, 150}));

  // The panel's close (or Alt+F4 through the system) asks the procedure, whose default closes.
  PostMessageW(system_->NativeWindow(h), WM_CLOSE, 0, 0);
  ASSERT_TRUE(Pump([&] { return !system_->IsWindow(h); }));
  const auto commands = log_.Of(Msg::SysCommand);
  ASSERT_EQ(commands.size(), 3u);
  EXPECT_EQ(commands[0].wParam, SysCmd::Maximize);
  EXPECT_EQ(commands[1].wParam, SysCmd::Restore);
  EXPECT_EQ(commands[2].wParam, SysCmd::Close);
  EXPECT_EQ(log_.Count(Msg::Destroy), 1u);
}

TEST_F(Win32Backend, AChangedWorkAreaReachesTheProcedure) {
  const WindowHandle h = Open(Rect{120, 100, 200, 150});
  ASSERT_NE(h, 0);
  SendMessageW(system_->NativeWindow(h), WM_SETTINGCHANGE, SPI_SETWORKAREA, 0);
  SendMessageW(system_->NativeWindow(h), WM_SETTINGCHANGE, SPI_SETMOUSESPEED, 0);
  ASSERT_TRUE(Pump([&] { return log_.Count(Msg::WorkAreaChanged) == 1; }));
  Pump([] { return false; }, 50);
  EXPECT_EQ(log_.Count(Msg::WorkAreaChanged), 1u) << "other settings leave it alone";
}

TEST_F(Win32Backend, ACursorFromFileBytesKeepsItsHotspot) {
  // A 2 x 2 cursor file with a 32-bit image and its hotspot at (1, 0).
  std::vector<uint8_t> file = {0, 0, 2, 0, 1, 0, 2, 2, 0, 0, 1, 0, 0, 0, 64, 0, 0, 0, 22, 0, 0, 0};
  const uint8_t info[40] = {40, 0, 0, 0, 2, 0, 0, 0, 4, 0, 0, 0, 1, 0, 32, 0};
  file.insert(file.end(), info, info + 40);
  for (int i = 0; i < 4; ++i) file.insert(file.end(), {0x20, 0x40, 0x80, 0xFF});
  file.insert(file.end(), 8, 0);
  const CursorHandle cursor = system_->CreateCursorFromFile(file);
  ASSERT_NE(cursor, 0u);
  ICONINFO icon{};
  ASSERT_TRUE(GetIconInfo(system_->NativeCursor(cursor), &icon));
  EXPECT_FALSE(icon.fIcon);
  EXPECT_EQ(icon.xHotspot, 1u);
  EXPECT_EQ(icon.yHotspot, 0u);
  if (icon.hbmColor != nullptr) DeleteObject(icon.hbmColor);
  if (icon.hbmMask != nullptr) DeleteObject(icon.hbmMask);
  system_->DestroyCursor(cursor);
  EXPECT_EQ(system_->NativeCursor(cursor), nullptr);
  const CursorHandle arrow = system_->LoadSystemCursor(SystemCursor::Arrow);
  system_->DestroyCursor(arrow);
  EXPECT_NE(system_->NativeCursor(arrow), nullptr) << "system cursors are never destroyed";
}

TEST_F(Win32Backend, ClipboardTextLeavesWithTheSystemsLineEnds) {
  ASSERT_TRUE(system_->SetClipboardText(u"one\ntwo\r\nthree\n", "ignored"));
  EXPECT_EQ(system_->ClipboardText(), u"one\r\ntwo\r\nthree\r\n");
  // What another program reads, the code-page form included.
  ASSERT_TRUE(OpenClipboard(nullptr));
  EXPECT_NE(GetClipboardData(CF_UNICODETEXT), nullptr);
  EXPECT_NE(GetClipboardData(CF_TEXT), nullptr);
  CloseClipboard();
}

TEST_F(Win32Backend, TheInputMethodsWindowsFollowTheCaret) {
  const WindowHandle h = Open(Rect{120, 100, 200, 150});
  ASSERT_NE(h, 0);
  system_->SetFocus(h);
  system_->SetImeCursor(h, Rect{30, 40, 1, 18});
  HWND native = system_->NativeWindow(h);
  HIMC imc = ImmGetContext(native);
  ASSERT_NE(imc, nullptr);
  COMPOSITIONFORM composition{};
  ASSERT_TRUE(ImmGetCompositionWindow(imc, &composition));
  EXPECT_EQ(composition.ptCurrentPos.x, 30);
  EXPECT_EQ(composition.ptCurrentPos.y, 40);
  CANDIDATEFORM candidates{};
  if (ImmGetCandidateWindow(imc, 0, &candidates)) {
    EXPECT_EQ(candidates.dwStyle, static_cast<DWORD>(CFS_EXCLUDE));
    EXPECT_EQ(candidates.rcArea.bottom, 58) << "the candidates stay off the caret's line";
  }
  ImmReleaseContext(native, imc);
  EXPECT_EQ(system_->ImeCursor(h), (Rect{30, 40, 1, 18}));
}

TEST_F(Win32Backend, CompositionAndResultOfTheInputMethodReachTheProcedure) {
  std::vector<std::u16string> compositions;
  std::u16string result;
  const WindowHandle h = Open(Rect{120, 100, 200, 150});
  ASSERT_NE(h, 0);
  system_->ReplaceWindowProc(h, log_.Proc(*system_, [&](WindowHandle w, uint32_t msg, WParam, LParam l) {
    if (msg == Msg::ImeComposition && (l & Ime::CompStr) != 0) compositions.push_back(system_->ImeComposition(w).text);
    if (msg == Msg::ImeComposition && (l & Ime::ResultStr) != 0) result += system_->ImeResult(w);
    return std::optional<LResult>();
  }));
  system_->SetFocus(h);
  HWND native = system_->NativeWindow(h);
  HIMC imc = ImmGetContext(native);
  ASSERT_NE(imc, nullptr);
  // The input method composes, then commits what it composed.
  const std::wstring text = L"\u7535\u5F71";
  const bool composed = ImmSetCompositionStringW(imc, SCS_SETSTR, const_cast<wchar_t*>(text.c_str()),
                                                 static_cast<DWORD>(text.size() * sizeof(wchar_t)), nullptr, 0);
  if (!composed) {
    ImmReleaseContext(native, imc);
    GTEST_SKIP() << "this system's input method takes no composition from a program";
  }
  Pump([&] { return !compositions.empty(); }, 1000);
  ImmNotifyIME(imc, NI_COMPOSITIONSTR, CPS_COMPLETE, 0);
  ImmReleaseContext(native, imc);
  ASSERT_TRUE(Pump([&] { return !result.empty(); }, 2000)) << compositions.size();
  EXPECT_EQ(result, u"\u7535\u5F71");
  ASSERT_FALSE(compositions.empty());
  EXPECT_EQ(compositions.front(), u"\u7535\u5F71");
  EXPECT_EQ(log_.Count(Msg::Char), 0u) << "no characters besides the result";

  // The program drops a half-typed composition: it ends without a result.
  compositions.clear();
  result.clear();
  imc = ImmGetContext(native);
  ImmSetCompositionStringW(imc, SCS_SETSTR, const_cast<wchar_t*>(text.c_str()),
                           static_cast<DWORD>(text.size() * sizeof(wchar_t)), nullptr, 0);
  ImmReleaseContext(native, imc);
  ASSERT_TRUE(Pump([&] { return !compositions.empty(); }, 1000));
  system_->ResetIme(h);
  ASSERT_TRUE(Pump([&] { return compositions.back().empty(); }, 1000)) << "the composition ends";
  Pump([] { return false; }, 50);
  EXPECT_TRUE(result.empty());
}

TEST_F(Win32Backend, BlurBehindIsReportedOnlyWhereTheCompositorIsOn) {
  const WindowHandle h = Open(Rect{120, 100, 200, 150});
  ASSERT_NE(h, 0);
  BOOL composited = FALSE;
  const bool on = SUCCEEDED(DwmIsCompositionEnabled(&composited)) && composited;
  if (!on) {
    EXPECT_FALSE(system_->SetBlurBehind(h, Insets{6, 6, 6, 6}));
  }
  EXPECT_FALSE(system_->SetBlurBehind(h + 1000, Insets{})) << "an unknown window";
}

TEST_F(Win32Backend, MonitorsListThePrimaryFirstAndHoldTheWindow) {
  const std::vector<MonitorInfo> monitors = system_->Monitors();
  ASSERT_FALSE(monitors.empty());
  EXPECT_EQ(monitors.front().bounds.Origin(), (Point{0, 0}));
  EXPECT_EQ(monitors.front().bounds.GetSize(), (Size{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}));
  EXPECT_TRUE(monitors.front().bounds.Contains(monitors.front().workArea.Origin()));
  const WindowHandle h = Open(Rect{120, 100, 200, 150});
  ASSERT_NE(h, 0);
  EXPECT_EQ(system_->MonitorOf(h).bounds, monitors.front().bounds);
}

}  // namespace
}  // namespace quillmar::ws
