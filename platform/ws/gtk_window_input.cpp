// The GTK backend's input: pointer, wheel, keys and the input method, turned into
// the window system's own input calls.
#include <gdk/gdkkeysyms.h>

#include <algorithm>
#include <cstring>

#include "platform/ws/gtk_backend.h"
#include "platform/ws/gtk_window_system.h"
#include "platform/ws/key_codes.h"

namespace quillmar::ws {
namespace {
constexpr int kProcessKey = 0xE5;  // the key went to the input method

struct KeyMap {
  guint keyval;
  int vk;
};

constexpr KeyMap kKeys[] = {
    {GDK_KEY_Return, Vk::Return},     {GDK_KEY_KP_Enter, Vk::Return},  {GDK_KEY_BackSpace, Vk::Back},
    {GDK_KEY_Tab, Vk::Tab},           {GDK_KEY_ISO_Left_Tab, Vk::Tab}, {GDK_KEY_Escape, Vk::Escape},
    {GDK_KEY_space, Vk::Space},       {GDK_KEY_Left, Vk::Left},        {GDK_KEY_Up, Vk::Up},
    {GDK_KEY_Right, Vk::Right},       {GDK_KEY_Down, Vk::Down},        {GDK_KEY_Home, Vk::Home},
    {GDK_KEY_End, Vk::End},           {GDK_KEY_Page_Up, Vk::Prior},    {GDK_KEY_Page_Down, Vk::Next},
    {GDK_KEY_Insert, Vk::Insert},     {GDK_KEY_Delete, Vk::Delete},    {GDK_KEY_KP_Delete, Vk::Delete},
    {GDK_KEY_Shift_L, Vk::Shift},     {GDK_KEY_Shift_R, Vk::Shift},    {GDK_KEY_Control_L, Vk::Control},
    {GDK_KEY_Control_R, Vk::Control}, {GDK_KEY_Alt_L, Vk::Menu},       {GDK_KEY_Alt_R, Vk::Menu},
    {GDK_KEY_Menu, Vk::Apps},
};

// The physical key behind a key event, for the left/right key state.
int StateKeyOf(guint keyval, int vk) {
  switch (keyval) {
    case GDK_KEY_Shift_R:
      return Vk::RShift;
    case GDK_KEY_Control_R:
      return Vk::RControl;
    case GDK_KEY_Alt_R:
      return Vk::RMenu;
    case GDK_KEY_Shift_L:
      return Vk::LShift;
    case GDK_KEY_Control_L:
      return Vk::LControl;
    case GDK_KEY_Alt_L:
      return Vk::LMenu;
    default:
      return vk;
  }
}

// The virtual-key code of a key event: from the keyval for named keys, else
// from the character the key makes without modifiers.
int VirtualKeyOf(GdkEventKey* event) {
  for (const KeyMap& k : kKeys) {
    if (k.keyval == event->keyval) return k.vk;
  }
  if (event->keyval >= GDK_KEY_F1 && event->keyval <= GDK_KEY_F12)
    return Vk::F1 + static_cast<int>(event->keyval - GDK_KEY_F1);
  guint plain = event->keyval;
  gdk_keymap_translate_keyboard_state(gdk_keymap_get_for_display(gdk_display_get_default()), event->hardware_keycode,
                                      static_cast<GdkModifierType>(0), 0, &plain, nullptr, nullptr, nullptr);
  const guint32 ch = gdk_keyval_to_unicode(plain);
  if (ch > 0 && ch < 0x80) {
    if (auto stroke = StrokeForAscii(static_cast<char>(ch))) return stroke->vk;
  }
  return 0;
}

std::u16string Utf8ToUtf16(const char* text) {
  glong count = 0;
  gunichar2* units = g_utf8_to_utf16(text, -1, nullptr, &count, nullptr);
  if (units == nullptr) return {};
  std::u16string out(reinterpret_cast<const char16_t*>(units), static_cast<size_t>(count));
  g_free(units);
  return out;
}
}  // namespace

uint32_t GtkWindowSystem::KeyFlagsFromState(guint state) const {
  uint32_t flags = 0;
  if ((state & GDK_BUTTON1_MASK) != 0) flags |= Mk::LButton;
  if ((state & GDK_BUTTON3_MASK) != 0) flags |= Mk::RButton;
  if ((state & GDK_BUTTON2_MASK) != 0) flags |= Mk::MButton;
  if ((state & GDK_SHIFT_MASK) != 0) flags |= Mk::Shift;
  if ((state & GDK_CONTROL_MASK) != 0) flags |= Mk::Control;
  return flags;
}

gboolean GtkWindowSystem::OnMotion(GtkWidget* /*widget*/, GdkEventMotion* event, gpointer data) {
  auto* n = static_cast<Native*>(data);
  GtkWindowSystem* self = n->system;
  self->cursor_ = Point{static_cast<int32_t>(event->x_root), static_cast<int32_t>(event->y_root)};
  if (self->moveDrag_) {
    if ((event->state & GDK_BUTTON1_MASK) != 0) return TRUE;
    self->EndMoveDrag();
  }
  self->lastEventTime_ = event->time;
  const WindowHandle under = self->WindowUnder(self->cursor_, n->hwnd);
  self->pointerInside_ = under != 0;
  self->InputMouseMove(self->cursor_, under, self->KeyFlagsFromState(event->state));
  gdk_event_request_motions(event);
  return TRUE;
}

gboolean GtkWindowSystem::OnButton(GtkWidget* /*widget*/, GdkEventButton* event, gpointer data) {
  auto* n = static_cast<Native*>(data);
  n->system->HandleButton(*n, event);
  return TRUE;
}

void GtkWindowSystem::HandleButton(Native& native, GdkEventButton* event) {
  // GDK adds 2BUTTON/3BUTTON events after the plain presses: pairing is ours.
  if (event->type != GDK_BUTTON_PRESS && event->type != GDK_BUTTON_RELEASE) return;
  const bool down = event->type == GDK_BUTTON_PRESS;
  int index = -1;
  if (event->button == 1) index = 0;
  if (event->button == 3) index = 1;
  if (event->button == 2) index = 2;
  if (index < 0) return;
  static constexpr int kVk[] = {Vk::LButton, Vk::RButton, Vk::MButton};
  cursor_ = Point{static_cast<int32_t>(event->x_root), static_cast<int32_t>(event->y_root)};
  lastEventTime_ = event->time;
  if (moveDrag_) {
    EndMoveDrag();
    if (!down) return;  // the end of the desktop's move drag
  }
  const WindowHandle under = WindowUnder(cursor_, native.hwnd);
  bool isDouble = false;
  if (down) {
    gint doubleTime = 400;
    g_object_get(gtk_settings_get_default(), "gtk-double-click-time", &doubleTime, nullptr);
    isDouble = PairPress(cursor_, under, index, event->time, static_cast<uint32_t>(std::max(doubleTime, 0)));
    lastPressRoot_ = cursor_;
    lastButton_ = static_cast<int>(event->button);
  }
  SyncModifiers(event->state);
  SetKeyState(kVk[index], down);
  InputButton(cursor_, under, index, down, isDouble, MouseKeyFlags());
}

gboolean GtkWindowSystem::OnScroll(GtkWidget* /*widget*/, GdkEventScroll* event, gpointer data) {
  auto* n = static_cast<Native*>(data);
  GtkWindowSystem* self = n->system;
  self->cursor_ = Point{static_cast<int32_t>(event->x_root), static_cast<int32_t>(event->y_root)};
  int32_t delta = 0;
  bool horizontal = false;
  switch (event->direction) {
    case GDK_SCROLL_UP:
      delta = kWheelDelta;
      break;
    case GDK_SCROLL_DOWN:
      delta = -kWheelDelta;
      break;
    case GDK_SCROLL_LEFT:
      delta = -kWheelDelta, horizontal = true;
      break;
    case GDK_SCROLL_RIGHT:
      delta = kWheelDelta, horizontal = true;
      break;
    case GDK_SCROLL_SMOOTH:
      // Touchpads: fractions of a notch, in the wheel's units.
      if (event->delta_y != 0) {
        delta = static_cast<int32_t>(-event->delta_y * kWheelDelta);
      } else {
        delta = static_cast<int32_t>(event->delta_x * kWheelDelta);
        horizontal = true;
      }
      break;
  }
  if (delta == 0) return TRUE;
  self->InputWheel(self->cursor_, self->WindowUnder(self->cursor_, n->hwnd), delta, horizontal,
                   self->KeyFlagsFromState(event->state));
  return TRUE;
}

gboolean GtkWindowSystem::OnKey(GtkWidget* /*widget*/, GdkEventKey* event, gpointer data) {
  auto* n = static_cast<Native*>(data);
  n->system->HandleKey(*n, event);
  return TRUE;
}

void GtkWindowSystem::SyncModifiers(guint state) {
  // A modifier released while another program had the focus must not stay
  // down here (Ctrl would turn typing into shortcuts).
  if ((state & GDK_CONTROL_MASK) == 0) SetKeyState(Vk::LControl, false), SetKeyState(Vk::RControl, false);
  if ((state & GDK_SHIFT_MASK) == 0) SetKeyState(Vk::LShift, false), SetKeyState(Vk::RShift, false);
  if ((state & GDK_MOD1_MASK) == 0) SetKeyState(Vk::LMenu, false), SetKeyState(Vk::RMenu, false);
}

void GtkWindowSystem::HandleKey(Native& native, GdkEventKey* event) {
  const bool down = event->type == GDK_KEY_PRESS;
  lastEventTime_ = event->time;
  SyncModifiers(event->state);
  const int vk = VirtualKeyOf(event);
  const int stateVk = StateKeyOf(event->keyval, vk);
  const uint32_t scan = event->hardware_keycode;
  // The focused window's input method sees the key first.
  Native* focused = NativeOf(Focus());
  GtkIMContext* im = focused != nullptr ? focused->im : native.im;
  inFilter_ = true;
  filterCommits_.clear();
  const bool taken = gtk_im_context_filter_keypress(im, event) != 0;
  inFilter_ = false;
  if (!down) {
    if (vk != 0) InputKey(vk, false, scan, stateVk);
    return;
  }
  if (taken && filterCommits_.empty()) {
    InputKey(kProcessKey, true, scan, stateVk);  // composing
    return;
  }
  if (vk != 0) InputKey(vk, true, scan, stateVk);
  const LParam lParam = static_cast<LParam>(1 | ((scan & 0xFF) << 16));
  if (taken) {
    for (const std::string& text : filterCommits_) {
      const std::u16string units = Utf8ToUtf16(text.c_str());
      if (units.size() == 1 && units[0] >= 0x20 && units[0] < 0x7F) {
        InputChar(units[0], lParam);
      } else {
        InputImeCommit(units);
      }
    }
    return;
  }
  // Keys the input method leaves alone still type their control characters.
  uint32_t code = 0;
  if (vk == Vk::Return || vk == Vk::Back || vk == Vk::Tab || vk == Vk::Escape) code = static_cast<uint32_t>(vk);
  if ((event->state & GDK_CONTROL_MASK) != 0 && vk >= 'A' && vk <= 'Z') code = static_cast<uint32_t>(vk - 'A' + 1);
  if (code != 0) InputChar(code, lParam);
}

void GtkWindowSystem::OnCommit(GtkIMContext* /*context*/, const char* text, gpointer data) {
  auto* n = static_cast<Native*>(data);
  GtkWindowSystem* self = n->system;
  if (self->inFilter_) {
    self->filterCommits_.emplace_back(text);
    return;
  }
  self->InputImeCommit(Utf8ToUtf16(text));
}

void GtkWindowSystem::OnPreeditChanged(GtkIMContext* context, gpointer data) {
  auto* n = static_cast<Native*>(data);
  gchar* text = nullptr;
  gint cursor = 0;
  gtk_im_context_get_preedit_string(context, &text, nullptr, &cursor);
  const std::string utf8 = text != nullptr ? text : "";
  g_free(text);
  // The cursor counts characters; the program counts UTF-16 units.
  const char* end =
      g_utf8_offset_to_pointer(utf8.c_str(), std::clamp<glong>(cursor, 0, g_utf8_strlen(utf8.c_str(), -1)));
  const std::u16string before = Utf8ToUtf16(std::string(utf8.c_str(), end).c_str());
  n->system->InputImePreedit(Utf8ToUtf16(utf8.c_str()), static_cast<int32_t>(before.size()));
}

gboolean GtkWindowSystem::OnCrossing(GtkWidget* /*widget*/, GdkEventCrossing* event, gpointer data) {
  auto* n = static_cast<Native*>(data);
  GtkWindowSystem* self = n->system;
  // Whatever the crossing, the last position is not trusted until the next move.
  if (event->type == GDK_LEAVE_NOTIFY) self->pointerInside_ = false;
  // Grab and ungrab crossings are echoes of capture, not pointer moves.
  if (event->mode != GDK_CROSSING_NORMAL || event->detail == GDK_NOTIFY_INFERIOR) return FALSE;
  self->cursor_ = Point{static_cast<int32_t>(event->x_root), static_cast<int32_t>(event->y_root)};
  if (event->type == GDK_LEAVE_NOTIFY && !self->moveDrag_) {
    // Whatever lies below now (another of our windows or none) takes the pointer.
    WindowHandle below = 0;
    for (WindowHandle h : self->TopLevelWindows()) {
      if (h != n->hwnd && self->IsVisible(h) && self->WindowRect(h).Contains(self->cursor_)) {
        below = h;
        break;
      }
    }
    self->InputMouseMove(self->cursor_, below, self->KeyFlagsFromState(event->state));
  }
  if (event->type == GDK_ENTER_NOTIFY) self->ApplyCursor();
  return FALSE;
}
}  // namespace quillmar::ws
