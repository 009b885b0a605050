#include "ui/msgbox/message_box.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "base/text_encoding.h"
#include "platform/draw/bitmap.h"
#include "platform/draw/graphics.h"
#include "platform/ws/messages.h"
#include "platform/ws/window_system.h"
#include "ui/controls/button.h"
#include "ui/controls/label.h"
#include "ui/controls/pic_box.h"
#include "ui/core/accessible_tree.h"
#include "ui/core/events.h"
#include "ui/core/frame.h"
#include "ui/core/frame_window.h"
#include "ui/core/process_values.h"
#include "ui/core/theme_defaults.h"
#include "ui/core/window.h"
#include "ui/gfx/font.h"
#include "ui/msgbox/box_icons.h"
#include "ui/msgbox/box_layout.h"
#include "ui/msgbox/window_modality.h"

namespace quillmar {
namespace {

constexpr std::string_view kMessageBoxClass = "OrvexMessageBox";
// Program text (GB18030).
constexpr std::string_view kDefaultCaption = "\xD0\xC5\xCF\xA2:";  // "信息:"
constexpr std::string_view kDefaultOk = "\xC8\xB7\xB6\xA8";        // "确定"
constexpr std::string_view kDefaultCancel = "\xC8\xA1\xCF\xFB";    // "取消"

constexpr draw::Argb kBlack = makeArgb(0x000000);
constexpr draw::Argb kTintedBackground = makeArgb(0xF0E6B4, 120, true);  // red 180, green 230, blue 240
constexpr draw::Argb kPlainBackground = 0xC8FFFFFF;
constexpr RectF kDefaultIconRect = RectF::FromXywh(18, 36, 40, 40);
constexpr int32_t kDefaultOpenEffect = 11;
constexpr int32_t kDefaultCloseEffect = 12;
constexpr int32_t kCloseButtonOnly = 1;
constexpr Point kCaptionOrigin{2, 4};
constexpr int32_t kCaptionRightRoom = 100;  // the caption line leaves the close button free
constexpr int32_t kReadableAlpha = 0xE6;

// One open box with everything it owns. The window object is declared first,
// so its controls are gone before it.
struct OpenBox {
  Hwnd hwnd = 0;
  UiWindow window;
  UiLabel caption;
  UiPicBox icon;
  UiLabel text;
  UiButton first;
  std::unique_ptr<UiButton> second;
  UiImage images;
  // Each box keeps its own answer, so a box answered inside another one
  // cannot change what the outer box returns.
  int32_t result = kBoxDismissed;
  bool answered = false;  // a button was chosen; the box is closing
};

struct BoxState {
  std::vector<std::unique_ptr<OpenBox>> boxes;  // newest last
  WindowModality modality;
};

BoxState& Boxes() {
  static BoxState state;
  return state;
}

// Chooses a button of the box: its answer, then the close (with the close effect).
void Answer(OpenBox& box, bool first) {
  if (box.answered) return;
  box.answered = true;
  box.result = first ? kBoxFirstButton : kBoxDismissed;
  ws::System().Send(box.hwnd, Msg::Close, 0, 0);
}

// Enter and Space press the focused button (the first until another is chosen),
// Tab and Shift+Tab move between the buttons. Returns whether the key was used.
bool BoxKey(OpenBox& box, int32_t vk) {
  const bool secondFocused = box.second && box.window.FocusKey() == box.second->Key();
  switch (vk) {
    case Vk::Return:
    case Vk::Space:
      Answer(box, !secondFocused);
      return true;
    case Vk::Tab:
      if (box.second) box.window.Focus(secondFocused ? box.first.Key() : box.second->Key());
      return true;
    default:
      return false;
  }
}

ws::LResult BoxWindowProc(Hwnd hwnd, uint32_t msg, WParam wParam, LParam lParam) {
  ws::WindowSystem& sys = ws::System();
  if (msg == Msg::KeyDown && wParam == static_cast<WParam>(Vk::Escape)) {
    sys.Send(hwnd, Msg::Close, 0, 0);
    return 0;
  }
  return sys.DefaultProc(hwnd, msg, wParam, lParam);
}

int32_t BoxEventHandler(Hwnd /*hwnd*/, int32_t key, uint32_t msg, WParam wParam, LParam /*lParam*/) {
  BoxState& state = Boxes();
  if (msg == Event::Click) {
    for (const auto& box : state.boxes) {
      const bool first = box->first.Key() == key;
      const bool second = box->second && box->second->Key() == key;
      if (!first && !second) continue;
      Answer(*box, first);
      return 0;
    }
    // Other clicks (the caption's close button) go their usual way.
    return 1;
  }
  if (msg == Msg::KeyDown) {
    // Keys reach the routine for the focused button and again for the box
    // itself; only the box's own delivery acts.
    for (const auto& box : state.boxes) {
      if (box->window.Key() != key) continue;
      return BoxKey(*box, static_cast<int32_t>(wParam)) ? 0 : 1;
    }
    return 1;
  }
  if (msg == Msg::Close) {
    const bool ownWindow = std::any_of(state.boxes.begin(), state.boxes.end(),
                                       [key](const auto& box) { return box->window.Key() == key; });
    // The other windows come back as the close effect starts, unless an outer box is still
    // waiting for its answer: then it alone stays enabled.
    if (ownWindow) {
      state.modality.RestoreWindows();
      for (auto it = state.boxes.rbegin(); it != state.boxes.rend(); ++it) {
        if ((*it)->window.Key() == key) continue;
        state.modality.DisableOtherWindows((*it)->hwnd);
        break;
      }
    }
  }
  return 1;
}

// The size of a text laid out with wrapping in the given area.
SizeF MeasureText(std::string_view text, const draw::Font& font, SizeF area) {
  draw::Bitmap scratch(1, 1);
  draw::Graphics g(scratch);
  const RectF bounds =
      g.MeasureString(GbkToWide(text), font, RectF{0, 0, std::max(area.width, 0.0f), std::max(area.height, 0.0f)})
          .bounds;
  return {bounds.width, bounds.height};
}

// A fill that text stays readable on without a blurred backdrop.
draw::Argb ReadableFill(draw::Argb color) {
  return static_cast<int32_t>(draw::AlphaOf(color)) >= kReadableAlpha ? color : WithAlpha(color, kReadableAlpha);
}

struct BoxTexts {
  std::string_view text;
  std::string_view caption;
  std::string_view ok;
  std::string_view cancel;
};

void LayoutBox(OpenBox& box, const BoxTexts& texts, int32_t type, const MessageBoxOptions& o, const draw::Font& font,
               SizeF area) {
  ws::WindowSystem& sys = ws::System();
  const BoxIcon icon = BoxIconForType(type);
  if (const uint32_t beep = BeepForIcon(icon); beep != 0) sys.Beep(beep);

  const ThemeDefaults& theme = Theme();
  BindOptions bind;
  bind.backImage = o.backgroundPicture;
  const uint32_t os = OsVersionCode();
  const int32_t blur = o.blurBehind.value_or((os == 8 || os == 9) ? 1 : 0);
  draw::Argb back = o.backgroundColor.value_or(theme.buttonVariant != 0 ? kTintedBackground : kPlainBackground);
  // Without a blurred backdrop the text would sit on whatever shows through a
  // translucent fill (the list's rows): the fill becomes nearly opaque.
  if (blur == 0 || !sys.SetBlurBehind(box.hwnd, Insets{})) back = ReadableFill(back);
  bind.backColor = back;
  bind.captionFlags = kCloseButtonOnly;
  bind.userHandler = BoxEventHandler;
  UiWindow& win = box.window;
  win.Bind(box.hwnd, bind);
  win.SetBlurBehind(blur);
  const Size size{win.GetWidth(), win.GetHeight()};

  const int32_t captionHeight = CaptionHeightFor(MeasureText(texts.caption, font, area).height);
  box.caption.Create(&win, true, kCaptionOrigin.x, kCaptionOrigin.y, size.width - kCaptionRightRoom, captionHeight,
                     texts.caption, {}, {}, kBlack, {}, 0, UiLabel::kAlignMiddle);

  const RectF iconRect = o.iconRect.value_or(kDefaultIconRect);
  ImageHandle picture;
  if (icon != BoxIcon::None) picture = box.images.Load(BoxIconPng(icon));
  box.icon.Create(&win, true, static_cast<int32_t>(iconRect.x), static_cast<int32_t>(iconRect.y),
                  static_cast<int32_t>(iconRect.width), static_cast<int32_t>(iconRect.height), picture);

  const Rect textRect = Rect::FromXywh(kBoxChrome.left, kBoxChrome.top, size.width - kBoxChrome.Width(),
                                       size.height - kBoxChrome.Height());
  box.text.Create(&win, true, textRect.x, textRect.y, textRect.width, textRect.height, texts.text, {}, {},
                  o.textColor.value_or(kBlack), o.shadowColor.value_or(theme.shadowColor));
  // The box was sized for the text wrapped in this width; drawing it on one
  // line would cut off everything past the first.
  box.text.SetSingleLine(0);

  const bool two = (type & kBoxTypeOkCancel) != 0;
  const int32_t okWidth = ButtonWidthFor(MeasureText(texts.ok, font, area).width);
  const int32_t cancelWidth = two ? ButtonWidthFor(MeasureText(texts.cancel, font, area).width) : 0;
  const BoxButtons buttons = BoxButtonRects(size, okWidth, cancelWidth, two);
  box.first.Create(&win, true, buttons.first.x, buttons.first.y, buttons.first.width, buttons.first.height, texts.ok);
  box.first.SetFocusMark(true);
  if (buttons.second) {
    box.second = std::make_unique<UiButton>();
    box.second->Create(&win, true, buttons.second->x, buttons.second->y, buttons.second->width, buttons.second->height,
                       texts.cancel);
    box.second->SetFocusMark(true);
  }
  // The keyboard starts on the first button.
  win.Focus(box.first.Key());

  win.ShowWithEffect(o.openEffect.value_or(kDefaultOpenEffect), false);
  win.ShowWithEffect(o.closeEffect.value_or(kDefaultCloseEffect), true);
}

// The window a new box serves: the active one (or the window a popup such as a
// menu belongs to), else the program's main window, its oldest plain window.
Hwnd BoxOwner() {
  ws::WindowSystem& sys = ws::System();
  constexpr uint32_t kPopupStyles = ExStyle::ToolWindow | ExStyle::NoActivate;
  Hwnd active = sys.Focus();
  while (active != 0 && (sys.GetExStyle(active) & kPopupStyles) != 0) active = sys.Owner(active);
  if (active != 0) return active;
  Hwnd main = 0;
  for (Hwnd h : sys.TopLevelWindows()) {
    if (!sys.IsVisible(h) || sys.Owner(h) != 0 || (sys.GetExStyle(h) & kPopupStyles) != 0) continue;
    if (main == 0 || h < main) main = h;  // handles grow and are never reused
  }
  return main;
}

}  // namespace

int32_t ShowMessageBox(std::string_view text, int32_t type, const MessageBoxOptions& o) {
  ws::WindowSystem& sys = ws::System();
  BoxState& state = Boxes();
  registerFrameClass(BoxWindowProc, 0, kMessageBoxClass);

  const BoxTexts texts{text, o.caption ? std::string_view(*o.caption) : kDefaultCaption,
                       o.okText ? std::string_view(*o.okText) : kDefaultOk,
                       o.cancelText ? std::string_view(*o.cancelText) : kDefaultCancel};
  const ThemeDefaults& theme = Theme();
  UiFont font;
  font.FromName(theme.fontName, theme.fontSize);
  const Size wsScreen = sys.ScreenSize();
  const Size screen{wsScreen.width, wsScreen.height};
  const SizeF area = TextMeasureArea(screen);
  const BoxFrame frame =
      BoxFrameFor(MeasureText(text, font.GetFont(), area), screen, static_cast<int32_t>(state.boxes.size()));

  FrameWindowArgs args;
  args.className = std::string(kMessageBoxClass);
  args.title = std::string(texts.caption);
  args.x = frame.window.x;
  args.y = frame.window.y;
  args.width = frame.window.width;
  args.height = frame.window.height;
  args.caption = false;
  args.exStyle = ExStyle::Layered;
  // Owned, so the desktop keeps the box above the window it serves.
  args.parent = BoxOwner();
  const Hwnd hwnd = createFrameWindow(args);
  // Without a window nothing gets disabled, so nothing is left locked.
  if (hwnd == 0) return kBoxDismissed;

  state.boxes.push_back(std::make_unique<OpenBox>());
  OpenBox* box = state.boxes.back().get();
  box->hwnd = hwnd;
  LayoutBox(*box, texts, type, o, font.GetFont(), area);
  // To a screen reader the box is an alert that says its text, as it opens.
  if (UiFrame* frame = box->window.Frame()) {
    frame->Accessible().SetRole(box->window.Key(), ws::AxRole::Alert);
    frame->Accessible().SetDescription(box->window.Key(), GbkToUtf8(text));
  }
  box->window.NotifyAccessible(ws::AxEvent::Make(ws::AxEventKind::BoxOpened));

  state.modality.RestoreWindows();
  state.modality.DisableOtherWindows(hwnd);
  sys.RunModalLoop(hwnd);

  const int32_t result = box->result;
  if (sys.IsWindow(hwnd)) {
    // The loop ended on a quit: no loop is left to play the close effect, so
    // the box goes now instead of outliving its owner.
    sys.DestroyWindow(hwnd);
  }
  auto it = std::find_if(state.boxes.begin(), state.boxes.end(), [box](const auto& b) { return b.get() == box; });
  if (it != state.boxes.end()) state.boxes.erase(it);
  // Also covers a box destroyed without being closed, which would otherwise
  // leave every other window disabled.
  state.modality.RestoreWindows();
  if (!state.boxes.empty()) {
    const Hwnd outer = state.boxes.back()->hwnd;
    state.modality.DisableOtherWindows(outer);
    // The keyboard goes back to the box that is answerable now.
    if (sys.IsWindow(outer)) sys.SetFocus(outer);
  }
  return result;
}

int32_t OpenMessageBoxCount() { return static_cast<int32_t>(Boxes().boxes.size()); }

}  // namespace quillmar
