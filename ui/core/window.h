#pragma once
// UiWindow: the base of the top-level window and of every control. An object
// holds its element key; geometry, flags and children live in the element's
// record in the registry. Operations that take an optional key act on that
// element, or on the object's own element when the key is omitted.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/draw/draw_types.h"
#include "platform/ws/ax_provider.h"
#include "platform/ws/messages.h"
#include "platform/ws/types.h"
#include "ui/core/events.h"
#include "ui/core/frame_metrics.h"
#include "ui/core/sizing_rules.h"
#include "ui/gfx/image.h"

namespace quillmar {

struct ElementRecord;
class ElementRef;
class UiFrame;
namespace draw {
class Bitmap;
class Graphics;
}  // namespace draw

// Optional arguments of UiWindow::Bind.
struct BindOptions {
  std::optional<int32_t> x, y, width, height;
  ImageHandle backImage;
  std::optional<draw::Argb> backColor;
  std::optional<int32_t> alpha;
  std::optional<int32_t> windowAlpha;
  int32_t captionFlags = 1;  // 1 close, 2 minimize, 4 maximize/restore
  EventRoutine userHandler;
};

// Which optional cursor source SetCursorShape takes; later fields override earlier ones.
struct CursorChoice {
  std::optional<int32_t> index;
  std::optional<ws::CursorHandle> handle;
  std::optional<std::vector<uint8_t>> bytes;
  std::optional<std::string> fileName;  // a cursor file on disk
};

class UiWindow {
 public:
  UiWindow();
  virtual ~UiWindow();
  UiWindow(const UiWindow&) = delete;
  UiWindow& operator=(const UiWindow&) = delete;

  int32_t Key() const { return key_; }

  // Deletes an object that a handler is done with (a control or popup, even the
  // one whose handler runs): at once it leaves the tree and hears nothing more,
  // and the object is destroyed when the dispatch under way returns.
  static void DeleteLater(std::unique_ptr<UiWindow> object);
  Hwnd WindowHandle() const { return hwnd_; }

  // --- Dispatch (window_dispatch.cpp) ---
  // Entry of a bound operating-system window.
  virtual LParam WindowProc(Hwnd hwnd, uint32_t msg, WParam wParam, LParam lParam);
  // Every element's handler: own hook, then the user routines, then painting.
  virtual int32_t ElementProc(Hwnd hwnd, int32_t key, uint32_t msg, WParam wParam, LParam lParam);
  virtual int32_t PreFilter(Hwnd, int32_t, uint32_t, WParam, LParam) { return 1; }
  // Window-level handling of a message; 0 stops processing. A bound window's
  // own messages go through a map to the typed handlers below (window_messages.cpp).
  virtual int32_t MessageHook(Hwnd hwnd, int32_t key, uint32_t msg, WParam wParam, LParam lParam);
  // Events addressed to child elements (the caption buttons' clicks).
  virtual int32_t ChildProc(Hwnd hwnd, int32_t key, uint32_t msg, WParam wParam, LParam lParam);
  int32_t SingleEntry(int32_t value) { return OnSingle(value); }
  virtual int32_t OnSingle(int32_t) { return 0; }
  // Calls the element's handler; -1 when the key is not registered.
  static int32_t SendEvent(int32_t key, uint32_t msg, WParam wParam = 0, LParam lParam = 0);
  // Deepest visible, enabled, shown child under (x, y); the starting key (0 for self) otherwise.
  int32_t ElementAt(int32_t x, int32_t y, OptKey key = {}, int32_t originX = 0, int32_t originY = 0);
  void UpdateHover(Hwnd hwnd, int32_t key);
  int32_t TrackButtons(int32_t focusKey, Hwnd hwnd, uint32_t msg, WParam wParam, LParam lParam);
  void SetFocusElement(Hwnd hwnd, int32_t key);
  // Presses the element and captures the mouse for its window.
  void Capture(OptKey key = {});
  void CaptureSelf() { Capture(); }
  void Focus(OptKey key = {});
  void Unfocus(OptKey key = {});
  // The cursor relative to the element.
  Point MousePosition(OptKey key = {});
  // Attaches the object to an existing window and makes it layered and framed.
  int32_t Bind(Hwnd hwnd, const BindOptions& options = {});
  // The elements Tab visits in turn (Shift+Tab the other way round), skipping
  // those hidden or disabled; empty leaves Tab to the focused element.
  void SetTabOrder(std::vector<int32_t> keys);
  // Whether the element has the focus and its window shows focus marks, which
  // it does once the keyboard has moved the focus.
  bool ShowsFocusMark(OptKey key = {});
  // A cursor shown over every element of the window while set (a window at
  // work); 0 gives each element its own cursor back.
  void SetBusyCursor(ws::CursorHandle cursor);
  int32_t HoverKey() const { return hoverKey_; }
  int32_t FocusKey() const { return focusKey_; }
  int32_t SavedFocusKey() const { return savedFocusKey_; }

  // --- Registry and properties (window.cpp) ---
  int32_t Register(int32_t x, int32_t y, int32_t width, int32_t height, std::string_view tag);
  // Takes the element out of the registry and its parent (the parent's window
  // repaints without it at once, or after the paint pass that is running).
  void Unregister();
  int32_t SetParent(int32_t childKey, OptKey parentKey = {});
  int32_t RemoveChild(int32_t childKey, OptKey parentKey = {});
  int32_t SetZOrder(int32_t key, int32_t position);
  int32_t GetZOrder(int32_t key);
  int32_t TopLevelKey(OptKey key = {});
  void SetAlpha(int32_t value, OptKey key = {});
  int32_t GetAlpha(OptKey key = {});
  void SetAuxValue(int32_t value, OptKey key = {});
  int32_t GetAuxValue(OptKey key = {});
  std::string GetTag(OptKey key = {});
  int32_t GetParentKey(OptKey key = {});
  std::vector<int32_t> GetChildren(OptKey key = {});
  void SetUserHandler(EventRoutine routine, OptKey key = {});
  EventRoutine GetUserHandler(OptKey key = {});
  void SetForwardToWindow(int32_t value, OptKey key = {});
  int32_t GetForwardToWindow(OptKey key = {});
  void SetTipText(std::string_view text, std::optional<int32_t> tipTime = {}, OptKey key = {});
  std::string GetTipText(OptKey key = {});
  void SetTipTime(int32_t value, OptKey key = {});
  int32_t GetTipTime(OptKey key = {});
  virtual void SetVisible(int32_t value, OptKey key = {});
  int32_t GetVisible(OptKey key = {});
  void SetShown(int32_t value, OptKey key = {});
  int32_t GetShown(OptKey key = {});
  void SetDisabled(int32_t value, OptKey key = {});
  int32_t GetDisabled(OptKey key = {});
  int32_t GetPressed(OptKey key = {});
  int32_t GetFocused(OptKey key = {});
  int32_t GetHovered(OptKey key = {});
  void SetKeepsFocus(int32_t value, OptKey key = {});
  int32_t GetKeepsFocus(OptKey key = {});
  void SetHoverSuspended(int32_t value);
  void SetWindowHandle(Hwnd hwnd);
  Hwnd GetWindowHandle();
  int32_t GetLeft(OptKey key = {});
  int32_t GetTop(OptKey key = {});
  int32_t GetWidth(OptKey key = {});
  int32_t GetHeight(OptKey key = {});
  // The record's rectangle; all -1 when not registered.
  Rect GetBounds(OptKey key = {});
  void SetGeometry(std::optional<int32_t> x, std::optional<int32_t> y, std::optional<int32_t> width,
                   std::optional<int32_t> height, OptKey key = {});
  void SetGeometryF(const RectF& bounds, OptKey key = {});
  // Element timers, delivered on the UI thread to OnTimer and the transition.
  int32_t StartTimer(int32_t intervalMs);
  void StopTimer(int32_t id);
  const std::vector<int32_t>& TimerIds() const { return timerIds_; }
  void TimerEntry(int32_t id, uint32_t msg);
  virtual void OnTimer(int32_t, uint32_t) {}

  // --- Geometry and sizing (window_geometry.cpp) ---
  // Moves and resizes an element, raising Event::Moved and Event::Resized.
  virtual void Place(std::optional<int32_t> x, std::optional<int32_t> y, std::optional<int32_t> width,
                     std::optional<int32_t> height, OptKey key = {});
  void SetPadding(const Insets& padding, OptKey key = {});
  Insets GetPadding(OptKey key = {});  // all -1 when not registered
  Point PointToScreen(Point p, OptKey key = {});
  Point PointToWindow(Point p, OptKey key = {});
  int32_t SizingHitTest(Hwnd hwnd, uint32_t msg);
  void ShowState(int32_t state);
  void NotifyResize();
  // Settings of the sizing band; they belong to the frame, so an unbound
  // element ignores the setters and reads the defaults.
  void SetSizingBorder(int32_t value);
  int32_t GetSizingBorder() const;
  // How far a maximized window reaches past the work area (negative left and top: outwards).
  void SetMaxMargins(const InsetsF& m);
  InsetsF GetMaxMargins() const;
  // The smallest size inside the sizing band on both sides, for the band's
  // drags and for the desktop.
  void SetMinSize(Size size);
  Size GetMinSize() const;
  void SetFullScreenMax(int32_t v);
  int32_t GetFullScreenMax() const;
  void SetResizable(int32_t v);
  int32_t GetResizable() const;
  void SetDragAnywhere(int32_t v);
  int32_t GetDragAnywhere() const;
  int32_t GetSizingCursorSet() const;
  // Recomputes the process-wide work area from the screen and the taskbar.
  static void UpdateWorkArea(Hwnd hwnd);  // for the monitor the window is on
  static RectF CurrentWorkArea();
  // Where the window goes when maximized; none leaves the system's choice alone.
  std::optional<Rect> MaximizedRect() const;
  void SetCaptionOffset(Point offset);
  Point GetCaptionOffset() const;
  void PlaceCaptionButtons();
  // x or y of "Button1" (close), "Button2" (minimize) or "Button3" (maximize); -1 otherwise.
  int32_t CaptionButtonPosition(std::string_view name, std::string_view axis);

  // --- Painting (window_paint.cpp) ---
  void InvalidateRect(OptKey key = {}, std::optional<Rect> rect = {});
  void Invalidate(OptKey key = {});
  void Paint(OptKey key = {}, int32_t topLevel = 1);
  void Repaint();
  void ComposeElement(int32_t key);
  // Draws the element's own content into its canvas; reached through Event::Paint.
  virtual void PaintEntry();
  void RecreateCanvas(OptKey key = {});
  draw::Graphics* CanvasGraphics(OptKey key = {});
  const draw::Bitmap* Canvas(OptKey key = {});
  const draw::Bitmap* GetDib(OptKey key = {});
  void SetRedrawEnabled(int32_t value, OptKey key = {});
  // Fades from the element's current picture to its next one, inside `area`
  // only when given (elsewhere the next picture shows at once): `step` of 255
  // per `intervalMs`, advanced by the window's display frames. The fade ends
  // with this object, whichever element it is for.
  void StartTransition(int32_t intervalMs, int32_t step, bool alt, OptKey key = {}, std::optional<Rect> area = {});
  void Transition(bool alt = false, OptKey key = {}) { StartTransition(10, 25, alt, key); }
  // The refresh of one part of a control (a scroll bar's arrow or thumb) with
  // its own step per 10 ms.
  void TransitionRect(const Rect& area, int32_t value, OptKey key = {}) {
    StartTransition(10, value, false, key, area);
  }
  // The pictures of the element's running transition, for a control that
  // draws them itself: `from` is the picture fading out, `top` is laid over
  // the blend at full strength (a text that must stay sharp while the rest
  // fades). While a top is in use the element's canvas holds only what fades;
  // it repaints whole when the transition ends. Both null when none runs.
  struct TransitionPictures {
    draw::Bitmap* from = nullptr;
    draw::Bitmap* top = nullptr;
  };
  TransitionPictures RunningTransition(OptKey key = {});
  // Ends a running transition; the element shows its current picture.
  void CancelTransition(OptKey key = {});
  void StopTransition(OptKey key = {});
  bool TransitionRunning(OptKey key = {});
  int32_t AddLayer(int32_t width, int32_t height, OptKey key = {});
  void RemoveLayer(int32_t index, OptKey key = {});
  void SetFrame(int32_t frameOn, int32_t borderOn, int32_t shadowOn);
  int32_t GetFrameOn() const { return frameOn_; }
  int32_t GetShadowOn() const { return shadowOn_; }
  void SetBackColor(draw::Argb color, std::optional<draw::Argb> color2 = {});
  void SetBackImage(ImageHandle image, int32_t mode);
  // Process-wide debugging aid: every composed picture gets a 1-pixel outline.
  static void SetOutline(bool on, draw::Argb color);
  draw::Argb GetBackColor() const { return backColor_; }

  // --- Output, the paint pass on demand, cursors, effects (window_output.cpp) ---
  virtual void Present();
  void PresentLayered();
  // One update of a framed window, run by on-demand painting whenever
  // something was raised: effects settle, a pending close finishes, flagged
  // elements repaint. Controls have nothing to do here.
  virtual void Tick();
  // Where on-demand painting enters: Tick inside one dispatch, so objects a
  // handler deletes meanwhile go only when it returns.
  void IdleEntry();
  void SetWindowAlpha(int32_t value);
  int32_t GetWindowAlpha() const;
  // Asks the desktop to blur what lies behind the client area (where it can).
  void SetBlurBehind(int32_t value);
  int32_t GetBlurBehind() const;
  void SetCursorShape(const CursorChoice& choice);
  // Sets up the open (hiding false) or close effect of the window.
  void ShowWithEffect(int32_t effectKind, bool hiding, std::function<void()> done = {});
  // Unbinds the window and releases its frame: caption buttons, tip, effects.
  void ReleaseWindow();
  // The frame part of a bound window; null for controls and unbound elements.
  UiFrame* Frame() const { return frame_.get(); }

  // --- Accessibility (window_accessible.cpp) ---
  // What assistive technology reads of the element, from its own fields each
  // time it is asked. The tree has already filled states, bounds, parent and
  // children from the record; the default names a bound window a frame (with
  // its title) and anything else a plain panel. Controls say what they are.
  virtual void DescribeAccessible(ws::AxNode& node);
  virtual std::optional<ws::AxText> AccessibleText() { return {}; }
  virtual std::optional<ws::AxValue> AccessibleValue() { return {}; }
  virtual std::optional<ws::AxTable> AccessibleTable() { return {}; }
  // A cell's text (UTF-8) and rectangle relative to the element.
  virtual std::string AccessibleCellText(int32_t /*row*/, int32_t /*column*/) { return {}; }
  virtual Rect AccessibleCellBounds(int32_t /*row*/, int32_t /*column*/) { return {}; }
  // Carries out action `index` of the node's list; the default clicks, as a
  // press and release over the element would.
  virtual bool AccessibleAction(int32_t index);
  virtual bool AccessibleEditText(int32_t /*start*/, int32_t /*end*/, const std::u16string& /*text*/) { return false; }
  virtual bool AccessibleSelectText(int32_t /*anchor*/, int32_t /*caret*/) { return false; }
  virtual bool AccessibleSelectRow(int32_t /*row*/) { return false; }
  virtual bool AccessibleSetValue(double /*value*/) { return false; }
  // An item the element draws itself (a menu's), bounds relative to the element;
  // its action runs like AccessibleAction, after the request has returned.
  virtual std::optional<ws::AxNode> AccessibleItem(int32_t /*index*/) { return {}; }
  virtual bool AccessibleItemAction(int32_t /*item*/, int32_t /*index*/) { return false; }
  virtual bool AccessibleSelectItem(int32_t /*item*/) { return false; }
  // Tells listening assistive technology that the element changed. While none
  // listens this is one flag test: callers guard costly arguments with
  // AccessibilityListening().
  void NotifyAccessible(ws::AxEvent event, OptKey key = {});
  // Announces a text that became another: what was removed and what was put in
  // between the parts both share at their ends.
  void NotifyAccessibleText(std::u16string_view before, std::u16string_view after, OptKey key = {});
  static bool AccessibilityListening();

 protected:
  // Held by every entry from the system or a handler (window procedure, events,
  // timers, the tick); objects given to DeleteLater go when the outermost ends.
  class DispatchScope {
   public:
    DispatchScope();
    ~DispatchScope();
    DispatchScope(const DispatchScope&) = delete;
    DispatchScope& operator=(const DispatchScope&) = delete;
  };
  // Whether a paint pass is running for the element's top-level window.
  static bool InPaintPass(int32_t key);
  // The top-level element above key (key itself without a parent); 0 when not registered.
  static int32_t TopOf(int32_t key);

  ElementRecord* Rec(OptKey key);
  int32_t ResolveKey(OptKey key) const { return key.value_or(key_); }
  // The operating-system window of the element's top-level window (0 when none).
  Hwnd WindowOf(int32_t key);
  bool EffectBusy() const;
  void RefreshBlur();

 private:
  void Unregister(bool repaintNow);
  // Unregister without a synchronous repaint (the destructor, DeleteLater).
  void UnregisterDeferred();
  // RemoveChild; without repaintNow the parent recomposes on its next pass instead.
  int32_t TakeOut(int32_t childKey, int32_t parent, bool repaintNow);
  // The paint pass proper, below the re-entry guard of Paint.
  void PaintTree(int32_t key, int32_t topLevel, const ElementRef& self);
  Point OffsetByAncestors(Point p, OptKey key, bool throughWindow);
  void Detach();
  void DrawSoftShadow(draw::Graphics& g, const RectF& rect, float radius, draw::Argb color, int32_t alpha);
  void DrawWindowFrame(draw::Graphics& g, int32_t width, int32_t height);
  // Tab and Shift+Tab through the tab order; true when the key was taken.
  bool TabKey(Hwnd hwnd, uint32_t msg, WParam wParam);
  // The busy cursor answers a cursor request; true when it was shown.
  bool BusyCursorShown(uint32_t msg);

  // --- The bound window's own messages (window_messages.cpp) ---
  // What follows a handler: the user routine and the previous procedure
  // (Continue), or MessageHook returns at once with 0 (Stop) or 1 (Done).
  enum class MessageResult { Continue, Stop, Done };
  // One message as it travels; a handler may rewrite wParam and lParam for
  // what follows it.
  struct WindowMessage {
    Hwnd hwnd;
    uint32_t msg;
    WParam wParam;
    LParam lParam;
  };
  MessageResult HandleOwnMessage(WindowMessage& m);
  MessageResult OnNcLButtonDown(Hwnd hwnd);
  MessageResult OnKillFocus(Hwnd hwnd);
  MessageResult OnSetFocus(Hwnd hwnd);
  // clientOrigin: where the system says the client area now starts.
  MessageResult OnMove(Hwnd hwnd, Point clientOrigin);
  MessageResult OnDisabledChanged(Hwnd hwnd, bool disabled);
  MessageResult OnShowWindow(bool shown);
  MessageResult OnMouseMove(Hwnd hwnd);
  // lParam: what the routine and the default procedure get to see.
  MessageResult OnSetCursor(HitTest hit, LParam& lParam);
  MessageResult OnSysCommand(Hwnd hwnd, WParam command);
  MessageResult OnLButtonDown(Hwnd hwnd);
  MessageResult OnWorkAreaChanged(Hwnd hwnd);
  MessageResult OnGetMinMaxInfo(ws::MinMaxInfo* info);
  MessageResult OnSysSize(Hwnd hwnd, SizeKind kind);
  MessageResult OnRepaintRequest(RepaintKind kind);
  MessageResult OnDeferredRepaint(Hwnd hwnd);
  // key 0 takes the focus from every element.
  MessageResult OnFocusRequest(int32_t key);
  MessageResult OnDestroy(const WindowMessage& m);
  // Plays the close effect in place of closing; false when it has none to play.
  bool StartCloseEffect(Hwnd hwnd);

  int32_t key_ = 0;
  int32_t hoverKey_ = 0;
  int32_t focusKey_ = 0;
  int32_t savedFocusKey_ = 0;
  std::vector<int32_t> timerIds_;
  Hwnd hwnd_ = 0;
  ws::WindowProc prevWndProc_;
  bool bound_ = false;
  int32_t frameOn_ = 1;
  int32_t borderOn_ = 1;
  int32_t shadowOn_ = 1;
  draw::Argb backColor_ = 0;
  std::optional<draw::Argb> backColor2_;
  ImageHandle backImage_;
  int32_t backImageMode_ = 0;
  // Elements whose transitions this object started.
  std::vector<int32_t> transitions_;
  std::unique_ptr<UiFrame> frame_;
};

}  // namespace quillmar
