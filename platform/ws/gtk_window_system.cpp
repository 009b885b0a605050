#include "platform/ws/desktop_window_system.h"
#include "platform/ws/gtk_window_system.h"

#include <gdk/gdkkeysyms.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <utility>

#include "platform/ws/gtk_access_bridge.h"
#include "platform/ws/gtk_backend.h"
#include "platform/ws/key_codes.h"

namespace quillmar::ws {
namespace {

// How long a size we asked for may take to come back before the desktop's own wins.
constexpr int64_t kAskedSizeWaitMs = 1000;

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

// The desktop backend here: GTK on X11.
std::unique_ptr<WindowSystem> CreateDesktopWindowSystem(std::string* error) { return CreateGtkWindowSystem(error); }

GtkWindowSystem::GtkWindowSystem() = default;

GtkWindowSystem::~GtkWindowSystem() {
  {
    std::lock_guard lock(idleMutex_);
    if (idleSource_ != 0) g_source_remove(idleSource_);
    idleSource_ = 0;
  }
  for (auto& [key, t] : timerSources_) parkedTimers_.push_back(t);
  timerSources_.clear();
  for (TimerSource* t : parkedTimers_) {
    g_source_destroy(&t->base);
    g_source_unref(&t->base);
  }
  parkedTimers_.clear();
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
  // While the pointer is over one of our windows every move reaches us as an
  // event: the last one's position is current, and asking the server would
  // cost a round trip (a wait) for every move of a hover.
  if (pointerInside_) return cursor_;
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
  // A toplevel whose accessible lists the program's own controls.
  GtkWidget* w = GTK_WIDGET(g_object_new(GtkAccessBridge::WindowWidgetType(), "type", GTK_WINDOW_TOPLEVEL, nullptr));
  GtkAccessBridge::Instance().AddWindow(hwnd, w);
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
  // The display's frame clock paces the window's frames (RequestFrame).
  native->clock = gdk_window_get_frame_clock(gtk_widget_get_window(w));
  if (native->clock != nullptr) {
    g_object_ref(native->clock);
    native->clockHandler = g_signal_connect(native->clock, "update", G_CALLBACK(OnFrameUpdate), data);
  }
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
  if (n.clock != nullptr) {
    g_signal_handler_disconnect(n.clock, n.clockHandler);
    g_object_unref(n.clock);
  }
  if (n.placeCheck != 0) g_source_remove(n.placeCheck);
  g_signal_handlers_disconnect_by_data(n.widget, &n);
  GtkAccessBridge::Instance().RemoveWindow(hwnd);
  gtk_widget_destroy(n.widget);
  if (n.picture != nullptr) cairo_surface_destroy(n.picture);
  natives_.erase(it);
}

void GtkWindowSystem::NativeShow(WindowHandle hwnd, bool visible) {
  Native* n = NativeOf(hwnd);
  if (n == nullptr) return;
  if (visible) {
    const Rect r = WindowRect(hwnd);
    n->askedOrigin = r.Origin();
    n->askedOriginMs = NowMs();
    gtk_window_move(GTK_WINDOW(n->widget), r.x, r.y);
    gtk_widget_show(n->widget);
  } else {
    gtk_widget_hide(n->widget);
    // A hidden window's clock may stand still: its frame comes from the fallback.
    if (std::exchange(n->frameWanted, false)) WindowSystemCore::NativeRequestFrame(hwnd);
  }
}

void GtkWindowSystem::NativeGeometry(WindowHandle hwnd, Rect rect) {
  Native* n = NativeOf(hwnd);
  if (n == nullptr || (moveDrag_ && moveDragWindow_ == hwnd)) return;
  if (rect.GetSize() != n->shownSize) {
    n->askedSize = rect.GetSize();
    n->askedMs = NowMs();
  }
  n->askedOrigin = rect.Origin();
  n->askedOriginMs = NowMs();
  gtk_window_move(GTK_WINDOW(n->widget), rect.x, rect.y);
  gtk_window_resize(GTK_WINDOW(n->widget), std::max(1, rect.width), std::max(1, rect.height));
}

void GtkWindowSystem::NativeMinimumSize(WindowHandle hwnd, Size size) {
  Native* n = NativeOf(hwnd);
  if (n == nullptr) return;
  // The window manager applies the hint to its edges, maximizing and other programs' requests.
  GdkGeometry hints{};
  hints.min_width = std::max(1, size.width);
  hints.min_height = std::max(1, size.height);
  gtk_window_set_geometry_hints(GTK_WINDOW(n->widget), nullptr, &hints, GDK_HINT_MIN_SIZE);
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
                                    uint8_t alpha, PresentDamage damage) {
  Native* n = NativeOf(hwnd);
  if (n == nullptr) return false;
  bool whole = damage.whole;
  if (n->picture == nullptr || cairo_image_surface_get_width(n->picture) != size.width ||
      cairo_image_surface_get_height(n->picture) != size.height) {
    if (n->picture != nullptr) cairo_surface_destroy(n->picture);
    n->picture = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size.width, size.height);
    if (cairo_surface_status(n->picture) != CAIRO_STATUS_SUCCESS) {
      cairo_surface_destroy(n->picture);
      n->picture = nullptr;
      return false;
    }
    whole = true;
  }
  const Rect all{0, 0, size.width, size.height};
  const std::span<const Rect> rects = whole ? std::span<const Rect>(&all, 1) : damage.rects;
  cairo_surface_flush(n->picture);
  unsigned char* data = cairo_image_surface_get_data(n->picture);
  const int stride = cairo_image_surface_get_stride(n->picture);
  const PixelView before{data, size.width, size.height, stride};
  int64_t changed = 0;
  if (CountingChangedPixels())
    changed = whole ? int64_t{size.width} * size.height : ChangedPixels(picture, before, rects);
  // Only the damaged rectangles are copied; whatever the picture does not
  // cover is transparent.
  int64_t copied = 0;
  for (const Rect& r : rects) {
    const int32_t right = std::clamp(picture.width, r.x, r.Right());
    for (int32_t y = r.y; y < r.Bottom(); ++y) {
      auto* row = reinterpret_cast<uint32_t*>(data + static_cast<ptrdiff_t>(y) * stride);
      const int32_t end = y < picture.height ? right : r.x;
      if (end > r.x) std::memcpy(row + r.x, picture.Row(y) + r.x, static_cast<size_t>(end - r.x) * sizeof(uint32_t));
      std::fill(row + end, row + r.Right(), 0u);
    }
    copied += static_cast<int64_t>(r.width) * r.height;
  }
  cairo_surface_mark_dirty(n->picture);
  const bool alphaChanged = n->alpha != alpha;
  n->alpha = alpha;
  const bool shapeSet = UpdateInputShape(*n, picture, rects, whole);
  // A new constant alpha shows everywhere; otherwise only the damage is drawn again.
  if (whole || alphaChanged) {
    gtk_widget_queue_draw(n->widget);
  } else {
    for (const Rect& r : rects) gtk_widget_queue_draw_area(n->widget, r.x, r.y, r.width, r.height);
  }
  NotePresent(copied, changed, shapeSet);
  return true;
}

bool GtkWindowSystem::UpdateInputShape(Native& native, const PixelView& picture, std::span<const Rect> rects,
                                       bool reset) {
  // Clicks fall through pixels with alpha 0, as they do through a layered
  // window: the mask follows the damaged pixels, and the desktop is told only
  // when the ink changed (a hover changes colours, not alpha).
  if (reset) {
    native.shape.Reset(
        Size{cairo_image_surface_get_width(native.picture), cairo_image_surface_get_height(native.picture)});
  }
  bool changed = native.shape.Update(picture, rects) || reset;
  const bool transparent = native.alpha == 0;
  changed = changed || transparent != native.shapeTransparent;
  if (!changed) return false;
  native.shapeTransparent = transparent;
  std::vector<cairo_rectangle_int_t> runs;
  if (!transparent) {
    for (const Rect& r : native.shape.Runs()) runs.push_back(cairo_rectangle_int_t{r.x, r.y, r.width, r.height});
  }
  cairo_region_t* region = cairo_region_create_rectangles(runs.data(), static_cast<int>(runs.size()));
  gtk_widget_input_shape_combine_region(native.widget, region);
  // Without a compositor transparent pixels would show black: cut the window
  // to its ink instead (hard edges, but no black frame around the shadow).
  if (!gdk_screen_is_composited(gtk_widget_get_screen(native.widget))) {
    gtk_widget_shape_combine_region(native.widget, region);
  }
  cairo_region_destroy(region);
  return true;
}

gboolean GtkWindowSystem::OnDraw(GtkWidget* /*widget*/, cairo_t* cr, gpointer data) {
  // GTK clips to what was queued, so a present's damage is all that is drawn.
  auto* n = static_cast<Native*>(data);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  if (n->picture == nullptr) {
    cairo_set_source_rgba(cr, 0, 0, 0, 0);
    cairo_paint(cr);
    return TRUE;
  }
  if (n->alpha == 255) {
    // One pass: the picture replaces what was there, transparent pixels included.
    cairo_set_source_surface(cr, n->picture, 0, 0);
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

// --- Frames ---

void GtkWindowSystem::NativeRequestFrame(WindowHandle hwnd) {
  Native* n = NativeOf(hwnd);
  // The clock of a window that is not on the screen may stand still.
  if (n == nullptr || n->clock == nullptr || !gtk_widget_get_mapped(n->widget)) {
    WindowSystemCore::NativeRequestFrame(hwnd);
    return;
  }
  n->frameWanted = true;
  gdk_frame_clock_request_phase(n->clock, GDK_FRAME_CLOCK_PHASE_UPDATE);
}

void GtkWindowSystem::OnFrameUpdate(GdkFrameClock* clock, gpointer data) {
  auto* n = static_cast<Native*>(data);
  if (!std::exchange(n->frameWanted, false)) return;
  n->system->ServeFrame(n->hwnd, gdk_frame_clock_get_frame_time(clock) / 1000);
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

gboolean GtkWindowSystem::DispatchTimer(GSource* source, GSourceFunc /*callback*/, gpointer /*data*/) {
  auto* t = reinterpret_cast<TimerSource*>(source);
  const gint64 now = g_source_get_time(source);
  // Parked, or found ready before it was stopped and started again.
  if (t->key == 0 || now < t->due) return G_SOURCE_CONTINUE;
  // Keep the timer's own beat: the next tick is due one interval after this
  // one was due, not after it ran. Far behind, it starts a new beat.
  t->due += t->intervalUs;
  if (now - t->due > t->intervalUs) t->due = now + t->intervalUs;
  g_source_set_ready_time(source, t->due);
  t->firing = true;
  t->system->FireTimer(t->key);
  t->firing = false;  // still ours: GLib holds a reference while it dispatches
  return G_SOURCE_CONTINUE;
}

void GtkWindowSystem::NativeTimerStart(uint32_t timerKey, uint32_t intervalMs) {
  static GSourceFuncs funcs{nullptr, nullptr, &DispatchTimer, nullptr, nullptr, nullptr};
  TimerSource* t = nullptr;
  // Not the source of a callback that is running: GLib would not dispatch it in
  // a loop that callback runs (a box opened from a one-shot timer would stand still).
  const auto idle =
      std::find_if(parkedTimers_.rbegin(), parkedTimers_.rend(), [](const TimerSource* p) { return !p->firing; });
  if (idle != parkedTimers_.rend()) {
    t = *idle;
    parkedTimers_.erase(std::next(idle).base());
  } else {
    t = reinterpret_cast<TimerSource*>(g_source_new(&funcs, sizeof(TimerSource)));
    t->system = this;
    g_source_set_priority(&t->base, G_PRIORITY_DEFAULT);
    g_source_attach(&t->base, nullptr);
  }
  t->key = timerKey;
  t->intervalUs = static_cast<gint64>(intervalMs) * 1000;
  t->due = g_get_monotonic_time() + t->intervalUs;
  g_source_set_ready_time(&t->base, t->due);
  timerSources_[timerKey] = t;
}

void GtkWindowSystem::NativeTimerStop(uint32_t timerKey) {
  auto it = timerSources_.find(timerKey);
  if (it == timerSources_.end()) return;
  TimerSource* t = it->second;
  timerSources_.erase(it);
  t->key = 0;
  g_source_set_ready_time(&t->base, -1);
  if (parkedTimers_.size() < kParkedTimers) {
    parkedTimers_.push_back(t);
    return;
  }
  g_source_destroy(&t->base);
  g_source_unref(&t->base);
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
  if (self->focusCheckTimer_ == 0) self->ArmFocusCheck();
  return FALSE;
}

void GtkWindowSystem::ArmFocusCheck() {
  focusCheckTimer_ = SetWindowTimer(0, 0, 150, [this](uint32_t id) {
    KillWindowTimer(0, id);
    focusCheckTimer_ = 0;
    bool anyActive = false;
    for (const auto& [h, other] : natives_) anyActive = anyActive || gtk_window_is_active(GTK_WINDOW(other->widget));
    if (anyActive || moveDrag_ || Focus() == 0) return;
    // A busy window manager may grant a window we just asked it to activate (a
    // popup menu) only after a while: dropping the focus meanwhile would close it.
    if (NativeOf(focusRequest_) != nullptr && IsVisible(focusRequest_) && NowMs() - focusRequestMs_ < 1000) {
      ArmFocusCheck();
      return;
    }
    InputFocus(0);
  });
}

gboolean GtkWindowSystem::OnConfigure(GtkWidget* /*widget*/, GdkEventConfigure* event, gpointer data) {
  auto* n = static_cast<Native*>(data);
  GtkWindowSystem* self = n->system;
  const WindowHandle hwnd = n->hwnd;
  // Our own record is the truth, except while the desktop drags the window.
  if (self->moveDrag_ && self->moveDragWindow_ == hwnd) self->TakeDesktopPosition(hwnd);
  const Size reported{event->width, event->height};
  n->shownSize = reported;
  if (reported == n->askedSize) n->askedSize = {};
  // Our own size and place requests come back here a little later, one by
  // one; only a size or place nobody here asked for (the window manager
  // placing the window or keeping it clear of a panel, a maximize, another
  // program) is the desktop's, and the window follows it: pointer input is
  // read against our record, so a stale place would aim every click off.
  const int64_t now = self->NowMs();
  const bool waitingSize = n->askedSize != Size{} && now - n->askedMs < kAskedSizeWaitMs;
  const Rect r = self->WindowRect(hwnd);
  Point origin = r.Origin();
  // A hidden window has no place on the desktop to follow.
  GdkWindow* gw = gtk_widget_get_visible(n->widget) ? gtk_widget_get_window(n->widget) : nullptr;
  if (gw != nullptr) gdk_window_get_origin(gw, &origin.x, &origin.y);
  if (gw != nullptr && n->askedOrigin == origin) n->askedOrigin.reset();
  const bool waitingPlace = n->askedOrigin.has_value() && now - n->askedOriginMs < kAskedSizeWaitMs;
  // A place other than the one asked for may be the window manager's answer,
  // after which nothing more comes: look again when the request is overdue.
  if (waitingPlace && n->placeCheck == 0) {
    const int64_t due = std::max<int64_t>(1, kAskedSizeWaitMs - (now - n->askedOriginMs));
    n->placeCheck = g_timeout_add(static_cast<guint>(due), OnPlaceOverdue, n);
  }
  Rect followed = r;
  if (!waitingSize && reported != r.GetSize() && reported.width > 0 && reported.height > 0) {
    followed = Rect::FromXywh(origin.x, origin.y, reported.width, reported.height);
  }
  if (!waitingPlace && gw != nullptr) followed = Rect::FromXywh(origin.x, origin.y, followed.width, followed.height);
  if (followed != r) self->InputGeometry(hwnd, followed);
  // The input method places its window in screen terms: tell it again where the caret is.
  const Rect cursor = self->ImeCursor(n->hwnd);
  if (!cursor.IsEmpty()) self->NativeImeCursor(n->hwnd, cursor);
  return FALSE;
}

gboolean GtkWindowSystem::OnPlaceOverdue(gpointer data) {
  auto* n = static_cast<Native*>(data);
  n->placeCheck = 0;
  GtkWindowSystem* self = n->system;
  if (!n->askedOrigin.has_value()) return G_SOURCE_REMOVE;
  if (self->NowMs() - n->askedOriginMs < kAskedSizeWaitMs) {
    // Asked again since: wait for that request in turn.
    n->placeCheck = g_timeout_add(static_cast<guint>(kAskedSizeWaitMs), OnPlaceOverdue, n);
    return G_SOURCE_REMOVE;
  }
  n->askedOrigin.reset();
  const bool dragged = self->moveDrag_ && self->moveDragWindow_ == n->hwnd;
  if (!dragged && gtk_widget_get_visible(n->widget)) self->TakeDesktopPosition(n->hwnd);
  return G_SOURCE_REMOVE;
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
