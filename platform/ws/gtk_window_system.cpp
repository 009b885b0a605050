#include "platform/ws/gtk_window_system.h"

#include <gdk/gdkkeysyms.h>

#include <algorithm>
#include <cstring>

#include "platform/ws/gtk_backend.h"
#include "platform/ws/key_codes.h"

namespace quillmar::ws {
namespace {

constexpr int kProcessKey = 0xE5;  // the key went to the input method
constexpr int kDoubleClickSlop = 2;

// Window titles are program text: UTF-8 already, or GB18030 to convert.
std::string DisplayText(std::string_view text) {
  if (g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) return std::string(text);
  gsize written = 0;
  gchar* utf8 =
      g_convert(text.data(), static_cast<gssize>(text.size()), "UTF-8", "GB18030", nullptr, &written, nullptr);
  if (utf8 == nullptr) return {};
  std::string out(utf8, written);
  g_free(utf8);
  return out;
}

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

std::unique_ptr<WindowSystem> CreateGtkWindowSystem(std::string* error) {
  static bool initialised = false;
  if (!initialised) {
    // Wayland cannot place windows or give the work area: X11 only.
    gdk_set_allowed_backends("x11");
    if (!gtk_init_check(nullptr, nullptr)) {
      if (error != nullptr) *error = "no X11 display could be opened (is DISPLAY set?)";
      return nullptr;
    }
    initialised = true;
  }
  return std::make_unique<GtkWindowSystem>();
}

GtkWindowSystem::GtkWindowSystem() = default;

GtkWindowSystem::~GtkWindowSystem() {
  {
    std::lock_guard lock(idleMutex_);
    if (idleSource_ != 0) g_source_remove(idleSource_);
    idleSource_ = 0;
  }
  for (auto& [key, t] : timerSources_) g_source_remove(t->source);
  timerSources_.clear();
  std::vector<WindowHandle> all;
  for (const auto& [h, n] : natives_) all.push_back(h);
  for (WindowHandle h : all) NativeDestroy(h);
  for (auto& [h, c] : cursors_) g_object_unref(c);
}

GtkWindowSystem::Native* GtkWindowSystem::NativeOf(WindowHandle hwnd) const {
  auto it = natives_.find(hwnd);
  return it == natives_.end() ? nullptr : it->second.get();
}

int64_t GtkWindowSystem::NowMs() const { return g_get_monotonic_time() / 1000; }

Point GtkWindowSystem::CursorPos() const {
  GdkSeat* seat = gdk_display_get_default_seat(gdk_display_get_default());
  gint x = cursor_.x;
  gint y = cursor_.y;
  if (seat != nullptr) gdk_device_get_position(gdk_seat_get_pointer(seat), nullptr, &x, &y);
  return Point{x, y};
}

// --- Windows ---

void GtkWindowSystem::NativeCreate(WindowHandle hwnd) {
  auto native = std::make_unique<Native>();
  native->system = this;
  native->hwnd = hwnd;
  GtkWidget* w = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  native->widget = w;
  GtkWindow* win = GTK_WINDOW(w);
  const uint32_t ex = GetExStyle(hwnd);
  gtk_window_set_decorated(win, FALSE);
  gtk_widget_set_app_paintable(w, TRUE);
  if (GdkVisual* rgba = gdk_screen_get_rgba_visual(gtk_widget_get_screen(w))) gtk_widget_set_visual(w, rgba);
  if ((ex & ExStyle::NoActivate) != 0) {
    gtk_window_set_type_hint(win, GDK_WINDOW_TYPE_HINT_TOOLTIP);
    gtk_window_set_accept_focus(win, FALSE);
    gtk_window_set_focus_on_map(win, FALSE);
  } else if ((ex & ExStyle::ToolWindow) != 0) {
    gtk_window_set_type_hint(win, GDK_WINDOW_TYPE_HINT_POPUP_MENU);
  }
  if ((ex & (ExStyle::ToolWindow | ExStyle::NoActivate)) != 0) {
    gtk_window_set_skip_taskbar_hint(win, TRUE);
    gtk_window_set_skip_pager_hint(win, TRUE);
  }
  gtk_window_set_keep_above(win, (ex & ExStyle::Topmost) != 0);
  if (Native* owner = NativeOf(Owner(hwnd))) gtk_window_set_transient_for(win, GTK_WINDOW(owner->widget));
  gtk_window_set_title(win, DisplayText(Title(hwnd)).c_str());
  gtk_window_set_gravity(win, GDK_GRAVITY_STATIC);
  const Rect r = WindowRect(hwnd);
  gtk_widget_set_size_request(w, 1, 1);
  gtk_window_set_default_size(win, std::max(1, r.width), std::max(1, r.height));
  gtk_window_move(win, r.x, r.y);
  gtk_widget_add_events(w, GDK_POINTER_MOTION_MASK | GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK | GDK_SCROLL_MASK |
                               GDK_SMOOTH_SCROLL_MASK | GDK_KEY_PRESS_MASK | GDK_KEY_RELEASE_MASK |
                               GDK_ENTER_NOTIFY_MASK | GDK_LEAVE_NOTIFY_MASK | GDK_FOCUS_CHANGE_MASK |
                               GDK_STRUCTURE_MASK);
  Native* data = native.get();
  g_signal_connect(w, "draw", G_CALLBACK(OnDraw), data);
  g_signal_connect(w, "motion-notify-event", G_CALLBACK(OnMotion), data);
  g_signal_connect(w, "button-press-event", G_CALLBACK(OnButton), data);
  g_signal_connect(w, "button-release-event", G_CALLBACK(OnButton), data);
  g_signal_connect(w, "scroll-event", G_CALLBACK(OnScroll), data);
  g_signal_connect(w, "key-press-event", G_CALLBACK(OnKey), data);
  g_signal_connect(w, "key-release-event", G_CALLBACK(OnKey), data);
  g_signal_connect(w, "enter-notify-event", G_CALLBACK(OnCrossing), data);
  g_signal_connect(w, "leave-notify-event", G_CALLBACK(OnCrossing), data);
  g_signal_connect(w, "focus-in-event", G_CALLBACK(OnFocus), data);
  g_signal_connect(w, "focus-out-event", G_CALLBACK(OnFocus), data);
  g_signal_connect(w, "configure-event", G_CALLBACK(OnConfigure), data);
  g_signal_connect(w, "delete-event", G_CALLBACK(OnDelete), data);
  g_signal_connect(w, "window-state-event", G_CALLBACK(OnWindowState), data);
  if ((ex & ExStyle::Layered) != 0) {
    // A layered window catches nothing until its first picture.
    cairo_region_t* empty = cairo_region_create();
    gtk_widget_input_shape_combine_region(w, empty);
    cairo_region_destroy(empty);
  }
  gtk_widget_realize(w);
  native->im = gtk_im_multicontext_new();
  gtk_im_context_set_client_window(native->im, gtk_widget_get_window(w));
  // The composition is shown inside the program's own text, underlined at the caret.
  gtk_im_context_set_use_preedit(native->im, TRUE);
  g_signal_connect(native->im, "commit", G_CALLBACK(OnCommit), data);
  g_signal_connect(native->im, "preedit-changed", G_CALLBACK(OnPreeditChanged), data);
  g_signal_connect(native->im, "preedit-end", G_CALLBACK(OnPreeditChanged), data);
  natives_.emplace(hwnd, std::move(native));
}

void GtkWindowSystem::NativeDestroy(WindowHandle hwnd) {
  auto it = natives_.find(hwnd);
  if (it == natives_.end()) return;
  Native& n = *it->second;
  if (moveDragWindow_ == hwnd) moveDrag_ = false, moveDragWindow_ = 0;
  if (n.im != nullptr) {
    g_signal_handlers_disconnect_by_data(n.im, &n);
    gtk_im_context_set_client_window(n.im, nullptr);
    g_object_unref(n.im);
  }
  g_signal_handlers_disconnect_by_data(n.widget, &n);
  gtk_widget_destroy(n.widget);
  if (n.picture != nullptr) cairo_surface_destroy(n.picture);
  natives_.erase(it);
}

void GtkWindowSystem::NativeShow(WindowHandle hwnd, bool visible) {
  Native* n = NativeOf(hwnd);
  if (n == nullptr) return;
  if (visible) {
    const Rect r = WindowRect(hwnd);
    gtk_window_move(GTK_WINDOW(n->widget), r.x, r.y);
    gtk_widget_show(n->widget);
  } else {
    gtk_widget_hide(n->widget);
  }
}

void GtkWindowSystem::NativeGeometry(WindowHandle hwnd, Rect rect) {
  Native* n = NativeOf(hwnd);
  if (n == nullptr || (moveDrag_ && moveDragWindow_ == hwnd)) return;
  gtk_window_move(GTK_WINDOW(n->widget), rect.x, rect.y);
  gtk_window_resize(GTK_WINDOW(n->widget), std::max(1, rect.width), std::max(1, rect.height));
}

void GtkWindowSystem::NativeIconify(WindowHandle hwnd, bool iconic) {
  Native* n = NativeOf(hwnd);
  if (n == nullptr) return;
  if (iconic) {
    gtk_window_iconify(GTK_WINDOW(n->widget));
  } else {
    gtk_window_deiconify(GTK_WINDOW(n->widget));
  }
}

void GtkWindowSystem::NativeTitle(WindowHandle hwnd) {
  if (Native* n = NativeOf(hwnd)) gtk_window_set_title(GTK_WINDOW(n->widget), DisplayText(Title(hwnd)).c_str());
}

void GtkWindowSystem::NativeZOrder(WindowHandle hwnd) {
  Native* n = NativeOf(hwnd);
  if (n == nullptr) return;
  gtk_window_set_keep_above(GTK_WINDOW(n->widget), (GetExStyle(hwnd) & ExStyle::Topmost) != 0);
  if (GdkWindow* gw = gtk_widget_get_window(n->widget)) gdk_window_raise(gw);
}

void GtkWindowSystem::NativeFocus(WindowHandle hwnd) {
  for (auto& [h, n] : natives_) {
    if (h != hwnd) gtk_im_context_focus_out(n->im);
  }
  Native* n = NativeOf(hwnd);
  if (n == nullptr) return;
  focusRequest_ = hwnd;
  focusRequestMs_ = NowMs();
  gtk_im_context_focus_in(n->im);
  const Rect cursor = ImeCursor(hwnd);
  if (!cursor.IsEmpty()) NativeImeCursor(hwnd, cursor);
  if ((GetExStyle(hwnd) & ExStyle::NoActivate) == 0 && IsVisible(hwnd) &&
      !gtk_window_is_active(GTK_WINDOW(n->widget))) {
    gtk_window_present_with_time(GTK_WINDOW(n->widget), lastEventTime_ != 0 ? lastEventTime_ : GDK_CURRENT_TIME);
  }
}

void GtkWindowSystem::NativeImeCursor(WindowHandle hwnd, Rect clientRect) {
  Native* n = NativeOf(hwnd);
  if (n == nullptr) return;
  GdkRectangle area{clientRect.x, clientRect.y, std::max(clientRect.width, 1), std::max(clientRect.height, 1)};
  gtk_im_context_set_cursor_location(n->im, &area);
}

void GtkWindowSystem::NativeImeReset(WindowHandle hwnd) {
  if (Native* n = NativeOf(hwnd)) gtk_im_context_reset(n->im);
}

// --- Presentation ---

bool GtkWindowSystem::NativePresent(WindowHandle hwnd, Point /*pos*/, Size size, const PixelView& picture,
                                    uint8_t alpha) {
  Native* n = NativeOf(hwnd);
  if (n == nullptr) return false;
  if (n->picture == nullptr || cairo_image_surface_get_width(n->picture) != size.width ||
      cairo_image_surface_get_height(n->picture) != size.height) {
    if (n->picture != nullptr) cairo_surface_destroy(n->picture);
    n->picture = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size.width, size.height);
    if (cairo_surface_status(n->picture) != CAIRO_STATUS_SUCCESS) {
      cairo_surface_destroy(n->picture);
      n->picture = nullptr;
      return false;
    }
  }
  cairo_surface_flush(n->picture);
  unsigned char* data = cairo_image_surface_get_data(n->picture);
  const int stride = cairo_image_surface_get_stride(n->picture);
  // Row by row: whatever the picture does not cover is transparent.
  const int32_t copyWidth = std::clamp(picture.width, 0, size.width);
  for (int32_t y = 0; y < size.height; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(data + static_cast<ptrdiff_t>(y) * stride);
    const int32_t copied = y < picture.height ? copyWidth : 0;
    if (copied > 0) std::memcpy(row, picture.Row(y), static_cast<size_t>(copied) * sizeof(uint32_t));
    std::fill(row + copied, row + size.width, 0u);
  }
  cairo_surface_mark_dirty(n->picture);
  n->alpha = alpha;
  UpdateInputShape(*n, size, picture);
  gtk_widget_queue_draw(n->widget);
  return true;
}

void GtkWindowSystem::UpdateInputShape(Native& native, Size size, const PixelView& picture) {
  // Clicks fall through pixels with alpha 0, as they do through a layered window.
  uint64_t hash =
      1469598103934665603ull ^ (static_cast<uint64_t>(size.width) << 32) ^ static_cast<uint64_t>(size.height);
  hash ^= native.alpha == 0 ? 0x9E3779B97F4A7C15ull : 0;
  std::vector<cairo_rectangle_int_t> runs;
  // Only the picture's own pixels can be ink, and none when the window is fully transparent.
  const int32_t inkWidth = native.alpha == 0 ? 0 : std::clamp(picture.width, 0, size.width);
  const int32_t inkHeight = native.alpha == 0 ? 0 : std::clamp(picture.height, 0, size.height);
  for (int32_t y = 0; y < inkHeight; ++y) {
    const uint32_t* row = picture.Row(y);
    int32_t start = -1;
    for (int32_t x = 0; x <= inkWidth; ++x) {
      const bool ink = x < inkWidth && (row[x] >> 24) != 0;
      if (ink && start < 0) start = x;
      if (!ink && start >= 0) {
        runs.push_back(cairo_rectangle_int_t{start, y, x - start, 1});
        hash =
            (hash ^ (static_cast<uint64_t>(start) << 20 ^ static_cast<uint64_t>(x) << 40 ^ static_cast<uint64_t>(y))) *
            1099511628211ull;
        start = -1;
      }
    }
  }
  if (hash == native.shapeHash) return;
  native.shapeHash = hash;
  cairo_region_t* region = cairo_region_create_rectangles(runs.data(), static_cast<int>(runs.size()));
  gtk_widget_input_shape_combine_region(native.widget, region);
  // Without a compositor transparent pixels would show black: cut the window
  // to its ink instead (hard edges, but no black frame around the shadow).
  if (!gdk_screen_is_composited(gtk_widget_get_screen(native.widget))) {
    gtk_widget_shape_combine_region(native.widget, region);
  }
  cairo_region_destroy(region);
}

gboolean GtkWindowSystem::OnDraw(GtkWidget* /*widget*/, cairo_t* cr, gpointer data) {
  auto* n = static_cast<Native*>(data);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  if (n->picture == nullptr) {
    cairo_set_source_rgba(cr, 0, 0, 0, 0);
    cairo_paint(cr);
    return TRUE;
  }
  cairo_set_source_rgba(cr, 0, 0, 0, 0);
  cairo_paint(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
  cairo_set_source_surface(cr, n->picture, 0, 0);
  cairo_paint_with_alpha(cr, n->alpha / 255.0);
  return TRUE;
}

// --- Capture and move drag ---

void GtkWindowSystem::NativeCapture(WindowHandle hwnd) {
  GdkSeat* seat = gdk_display_get_default_seat(gdk_display_get_default());
  if (seat == nullptr) return;
  if (hwnd == 0) {
    gdk_seat_ungrab(seat);
    return;
  }
  Native* n = NativeOf(hwnd);
  if (n == nullptr || gtk_widget_get_window(n->widget) == nullptr || !gtk_widget_get_mapped(n->widget)) return;
  gdk_seat_grab(seat, gtk_widget_get_window(n->widget), GDK_SEAT_CAPABILITY_ALL_POINTING, TRUE, nullptr, nullptr,
                nullptr, nullptr);
}

void GtkWindowSystem::NativeBeginMoveDrag(WindowHandle hwnd) {
  Native* n = NativeOf(hwnd);
  if (n == nullptr || !gtk_widget_get_mapped(n->widget)) return;
  if (Capture() != 0) ReleaseCapture();
  moveDrag_ = true;
  moveDragWindow_ = hwnd;
  gtk_window_begin_move_drag(GTK_WINDOW(n->widget), lastButton_, lastPressRoot_.x, lastPressRoot_.y, lastEventTime_);
  // The desktop owns the button now; its release may never reach us.
  SetKeyState(Vk::LButton, false);
}

void GtkWindowSystem::TakeDesktopPosition(WindowHandle hwnd) {
  Native* n = NativeOf(hwnd);
  GdkWindow* gw = n != nullptr ? gtk_widget_get_window(n->widget) : nullptr;
  if (gw == nullptr) return;
  gint x = 0;
  gint y = 0;
  gdk_window_get_origin(gw, &x, &y);
  const Rect r = WindowRect(hwnd);
  InputGeometry(hwnd, Rect::FromXywh(x, y, r.width, r.height));
}

void GtkWindowSystem::EndMoveDrag() {
  // Take the final position from the desktop before our record is the truth again.
  const WindowHandle dragged = moveDragWindow_;
  TakeDesktopPosition(dragged);
  moveDrag_ = false;
  moveDragWindow_ = 0;
  InputMoveDragEnded(dragged, cursor_);
}

// --- Timers and the loop ---

gboolean GtkWindowSystem::OnTimer(gpointer data) {
  auto* t = static_cast<TimerSource*>(data);
  GtkWindowSystem* self = t->system;
  const uint32_t key = t->key;
  const guint source = t->source;
  self->FireTimer(key);
  // The callback may have stopped or restarted the timer (and freed t).
  auto it = self->timerSources_.find(key);
  if (it == self->timerSources_.end() || it->second->source != source) return G_SOURCE_REMOVE;
  // Keep the timer's own beat: the next tick is due one interval after this
  // one was due, not after it ran, so a 10 ms animation gets its 100 steps a
  // second however late the loop was. Far behind, it starts a new beat.
  TimerSource& ts = *it->second;
  const gint64 now = g_get_monotonic_time();
  ts.due += ts.intervalUs;
  if (now - ts.due > ts.intervalUs) ts.due = now;
  const gint64 waitUs = std::max<gint64>(0, ts.due - now);
  ts.source = g_timeout_add_full(G_PRIORITY_DEFAULT, static_cast<guint>((waitUs + 500) / 1000), &OnTimer, &ts, nullptr);
  return G_SOURCE_REMOVE;
}

void GtkWindowSystem::NativeTimerStart(uint32_t timerKey, uint32_t intervalMs) {
  auto t = std::make_unique<TimerSource>();
  t->system = this;
  t->key = timerKey;
  t->intervalUs = static_cast<gint64>(intervalMs) * 1000;
  t->due = g_get_monotonic_time() + t->intervalUs;
  t->source = g_timeout_add_full(G_PRIORITY_DEFAULT, intervalMs, &OnTimer, t.get(), nullptr);
  timerSources_[timerKey] = std::move(t);
}

void GtkWindowSystem::NativeTimerStop(uint32_t timerKey) {
  auto it = timerSources_.find(timerKey);
  if (it == timerSources_.end()) return;
  g_source_remove(it->second->source);
  timerSources_.erase(it);
}

gboolean GtkWindowSystem::OnIdle(gpointer data) {
  auto* self = static_cast<GtkWindowSystem*>(data);
  self->DrainPosted();
  // Work posted while draining keeps this source; clearing it under the lock
  // lets a post that finds the queue empty schedule a new one.
  std::lock_guard lock(self->idleMutex_);
  if (!self->QueueEmpty()) return G_SOURCE_CONTINUE;
  self->idleSource_ = 0;
  return G_SOURCE_REMOVE;
}

void GtkWindowSystem::WakeLoop() {
  // Default priority, so posts are not overtaken by timers; callable from any thread.
  std::lock_guard lock(idleMutex_);
  if (idleSource_ == 0) idleSource_ = g_idle_add_full(G_PRIORITY_DEFAULT, &OnIdle, this, nullptr);
}

bool GtkWindowSystem::WaitForWork(const std::function<bool()>& /*keepRunning*/) {
  g_main_context_iteration(nullptr, TRUE);
  return true;
}

// --- Input ---

WindowHandle GtkWindowSystem::WindowUnder(Point screen, WindowHandle hint) const {
  if (hint != 0 && IsVisible(hint) && WindowRect(hint).Contains(screen)) return hint;
  for (WindowHandle h : TopLevelWindows()) {
    if (IsVisible(h) && !IsIconic(h) && WindowRect(h).Contains(screen)) return h;
  }
  return 0;
}

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
  self->InputMouseMove(self->cursor_, self->WindowUnder(self->cursor_, n->hwnd), self->KeyFlagsFromState(event->state));
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
    const WindowHandle target = Capture() != 0 ? Capture() : under;
    isDouble = !lastWasDouble_ && index == lastPressButton_ && target == lastPressWindow_ &&
               event->time - lastPressTime_ <= static_cast<guint32>(std::max(doubleTime, 500)) &&
               std::abs(cursor_.x - lastPressAt_.x) <= kDoubleClickSlop &&
               std::abs(cursor_.y - lastPressAt_.y) <= kDoubleClickSlop;
    lastPressTime_ = event->time;
    lastPressAt_ = cursor_;
    lastPressButton_ = index;
    lastPressWindow_ = target;
    lastWasDouble_ = isDouble;
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

gboolean GtkWindowSystem::OnFocus(GtkWidget* /*widget*/, GdkEventFocus* event, gpointer data) {
  auto* n = static_cast<Native*>(data);
  GtkWindowSystem* self = n->system;
  const WindowHandle hwnd = n->hwnd;
  if (event->in != 0) {
    // A late focus-in for a window we moved the focus away from is stale
    // (a menu opened by the click that activated its owner must stay).
    const bool stale = hwnd != self->focusRequest_ && self->NowMs() - self->focusRequestMs_ < 500;
    if (!stale && self->Focus() != hwnd && (self->GetExStyle(hwnd) & ExStyle::NoActivate) == 0) {
      self->InputFocus(hwnd);
    }
    return FALSE;
  }
  // The focus may be going to another of our windows; when, a moment later,
  // none of them is active, the program has lost the focus.
  if (self->focusCheckTimer_ == 0) {
    self->focusCheckTimer_ = self->SetWindowTimer(0, 0, 150, [self](uint32_t id) {
      self->KillWindowTimer(0, id);
      self->focusCheckTimer_ = 0;
      bool anyActive = false;
      for (const auto& [h, other] : self->natives_) {
        anyActive = anyActive || gtk_window_is_active(GTK_WINDOW(other->widget));
      }
      if (!anyActive && !self->moveDrag_ && self->Focus() != 0) self->InputFocus(0);
    });
  }
  return FALSE;
}

gboolean GtkWindowSystem::OnConfigure(GtkWidget* /*widget*/, GdkEventConfigure* /*event*/, gpointer data) {
  auto* n = static_cast<Native*>(data);
  GtkWindowSystem* self = n->system;
  // Our own record is the truth, except while the desktop drags the window.
  if (self->moveDrag_ && self->moveDragWindow_ == n->hwnd) self->TakeDesktopPosition(n->hwnd);
  // The input method places its window in screen terms: tell it again where the caret is.
  const Rect cursor = self->ImeCursor(n->hwnd);
  if (!cursor.IsEmpty()) self->NativeImeCursor(n->hwnd, cursor);
  return FALSE;
}

gboolean GtkWindowSystem::OnWindowState(GtkWidget* /*widget*/, GdkEventWindowState* event, gpointer data) {
  auto* n = static_cast<Native*>(data);
  // Minimising from the desktop's panel, and restoring from it.
  if ((event->changed_mask & GDK_WINDOW_STATE_ICONIFIED) != 0) {
    n->system->InputIconic(n->hwnd, (event->new_window_state & GDK_WINDOW_STATE_ICONIFIED) != 0);
  }
  return FALSE;
}

gboolean GtkWindowSystem::OnDelete(GtkWidget* /*widget*/, GdkEvent* /*event*/, gpointer data) {
  auto* n = static_cast<Native*>(data);
  n->system->InputCloseRequest(n->hwnd);
  return TRUE;  // the procedure decides
}

}  // namespace quillmar::ws
