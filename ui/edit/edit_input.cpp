// Keys, input method, clipboard, mouse, scroll bars and the context menu of UiEdit.
#include <algorithm>
#include <cstdlib>
#include <new>

#include "base/text_encoding.h"
#include "platform/ws/messages.h"
#include "platform/ws/window_system.h"
#include "ui/controls/menu.h"
#include "ui/core/element_record.h"
#include "ui/edit/edit.h"
#include "ui/edit/edit_breaks.h"

namespace quillmar {
namespace {

constexpr double kLinesPerNotch = 1.25;
constexpr int64_t kDoubleClickMs = 500;  // a press this soon after a double click is a triple click
constexpr int32_t kClickSlop = 4;        // pixels a triple click may stray from the double click

bool ShiftHeld() {
  const ws::WindowSystem& sys = ws::System();
  return sys.IsKeyDown(Vk::LShift) || sys.IsKeyDown(Vk::RShift);
}

}  // namespace

int32_t UiEdit::MessageHook(Hwnd hwnd, int32_t key, uint32_t msg, WParam wParam, LParam lParam) {
  if (key == Key()) {
    switch (msg) {
      case Msg::SetCursor:
        if (cursorSet_) return 0;  // the I-beam stays
        break;
      case Msg::Char:
      case Msg::ImeComposition:
        // Characters need their flags (1 marks one the input method already gave).
        if (!browseOnly_) HandleKey(msg, wParam, lParam);
        AnnounceChanges();
        return 1;
      case Event::Resized:
        PlaceScrollBars();
        Layout();
        break;
      default:
        break;
    }
    if (msg >= Msg::MouseMove && msg <= Msg::RButtonDblClk && !browseOnly_) {
      cursorSet_ = wrap_ != EditWrap::SingleLine || IsOverTextLine();
      if (cursorSet_) ws::System().SetCursor(ws::System().LoadSystemCursor(ws::SystemCursor::IBeam));
    }
  }
  const int32_t result = UiControl::MessageHook(hwnd, key, msg, wParam, lParam);
  if (key == Key()) AnnounceChanges();
  return result;
}

Handled UiEdit::OnKeyDown(const KeyEvent& e) {
  if (UiMenu::IsContextMenuKey(e.virtualKey)) {
    if (MenuAllowed() && focused_ && !layoutBusy_) OpenMenuAtCaret();
    return Handled::Continue;
  }
  if (!browseOnly_) {
    HandleKey(Msg::KeyDown, static_cast<WParam>(e.virtualKey), e.flags);
    return Handled::Continue;
  }
  // Browsing: the arrows scroll the view.
  const double step = layout_.LineHeight() * kLinesPerNotch;
  if (e.virtualKey == Vk::Down || e.virtualKey == Vk::Up) WheelBy(true, e.virtualKey == Vk::Down ? step : -step);
  if (e.virtualKey == Vk::Right || e.virtualKey == Vk::Left) WheelBy(false, e.virtualKey == Vk::Right ? step : -step);
  return Handled::Continue;
}

Handled UiEdit::OnMouseEnter() {
  if (!hot_) {
    hot_ = true;
    redrawText_ = true;
    InvalidateRect();
  }
  return Handled::Continue;
}

Handled UiEdit::OnMouseLeave() {
  if (hot_ && !focused_ && !vBar_.hovered && !hBar_.hovered) {
    hot_ = false;
    InvalidateRect();
  }
  return Handled::Continue;
}

Handled UiEdit::OnFocusGained() {
  if (!browseOnly_) caretShown_ = true;
  focused_ = true;
  hot_ = true;
  lastInputMs_ = ws::System().NowMs();
  imeWindow_ = 0;  // the input method hears where the caret is at the next paint
  InvalidateRect();
  return Handled::Continue;
}

Handled UiEdit::OnFocusLost() {
  DropPreedit(true);
  focused_ = false;
  selecting_ = false;
  selectingWords_ = false;
  if (hot_) {
    hot_ = false;
    InvalidateRect();
  }
  return Handled::Continue;
}

Handled UiEdit::OnMouseWheel(const MouseEvent& e) {
  const double step = layout_.LineHeight() * kLinesPerNotch;
  if (!e.horizontal && e.wheelDelta != 0) WheelBy(true, e.wheelDelta < 0 ? step : -step);
  return Handled::Continue;
}

Handled UiEdit::OnMouseDown(const MouseEvent& e) {
  if (browseOnly_) return Handled::Continue;
  lastInputMs_ = ws::System().NowMs();
  if (e.button == MouseButton::Left && (wrap_ != EditWrap::SingleLine || IsOverTextLine())) {
    // Windows whose class sends no double clicks still get them counted here.
    PressAt(e.position, CountClick(e.position), ShiftHeld());
  } else if (e.button == MouseButton::Right && MenuAllowed()) {
    menu_.Popup(model_.HasSelection(), model_.ReadOnly());
  }
  return Handled::Continue;
}

void UiEdit::OpenMenuAtCaret() {
  // A composition cannot stay half-typed while the menu has the keyboard.
  DropPreedit(true);
  KeepCaretInView();
  const RectF& tr = layout_.TextRect();
  Point at = layout_.PointFromPosition(ShownCaret());
  if (at == EditLayout::kNoPoint) at = {static_cast<int32_t>(tr.x), static_cast<int32_t>(tr.y)};
  // Below the caret's line, so the menu leaves the text being worked on in view;
  // kept within the box, whose text area may be smaller than a line.
  at.y += std::max(metrics_.glyphHeight, 1);
  at.x = std::clamp(at.x, 0, std::max(GetWidth() - 1, 0));
  at.y = std::clamp(at.y, 0, std::max(GetHeight(), 0));
  menu_.Popup(model_.HasSelection(), model_.ReadOnly(), PointToScreen(at));
}

Handled UiEdit::OnDoubleClick(const MouseEvent& e) {
  if (browseOnly_ || e.button != MouseButton::Left) return Handled::Continue;
  if (wrap_ == EditWrap::SingleLine && !IsOverTextLine()) return Handled::Continue;
  lastInputMs_ = ws::System().NowMs();
  CountClick(e.position);
  clicks_ = 2;
  PressAt(e.position, clicks_, false);
  return Handled::Continue;
}

int32_t UiEdit::CountClick(Point at) {
  const int64_t now = ws::System().NowMs();
  const bool near = std::abs(at.x - lastPressAt_.x) <= kClickSlop && std::abs(at.y - lastPressAt_.y) <= kClickSlop;
  clicks_ = near && now - lastPressMs_ <= kDoubleClickMs ? clicks_ + 1 : 1;
  lastPressMs_ = now;
  lastPressAt_ = at;
  return clicks_;
}

void UiEdit::PressAt(Point at, int32_t count, bool extend) {
  const int32_t anchor = model_.Anchor();
  ResetIme();  // a composition never lands where the caret was before the click
  PlaceCaret(at, false);
  selecting_ = true;
  selectingWords_ = false;
  if (count == 1 && extend) {
    // Shift+click moves the caret end of the selection to the click.
    model_.PlaceCaret(model_.Caret(), anchor);
  } else if (count == 2 && !mouseLocked_) {
    SelectWordAt(model_.Caret());
    selectingWords_ = true;
  } else if (count >= 3 && !mouseLocked_) {
    selecting_ = false;
    if (!layout_.MultiLine()) {
      model_.SelectAll();
    } else {
      const int32_t line = layout_.LineOf(model_.Caret());
      const std::u16string& text = model_.Text();
      model_.PlaceCaret(layout_.LineEnd(text, line), layout_.LineStart(text, line));
    }
  }
  caretPoint_ = layout_.PointFromPosition(ShownCaret());
  InvalidateRect();
}

void UiEdit::SelectWordAt(int32_t position) {
  const auto [start, end] = EditBreaks::WordAt(model_.Text(), position);
  wordStart_ = start;
  wordEnd_ = end;
  model_.PlaceCaret(end, start);
  InvalidateRect();
}

Handled UiEdit::OnMouseUp(const MouseEvent& e) {
  if (e.button == MouseButton::Left) selecting_ = selectingWords_ = false;
  return Handled::Continue;
}

Handled UiEdit::OnMouseMove(const MouseEvent& e) {
  if (mouseLocked_ || browseOnly_) return Handled::Continue;
  // Losing the capture (another window took it, a box opened) ends the drag.
  if (selecting_ && ws::System().Capture() != WindowOf(Key())) selecting_ = selectingWords_ = false;
  if (selecting_ && GetPressed() != 0) DragSelectTo(e.position);
  return Handled::Continue;
}

void UiEdit::KeepCaretInView() {
  Point at = layout_.PointFromPosition(ShownCaret());
  if (at == EditLayout::kNoPoint) {
    Layout();  // the caret's line has no boxes: the layout brings it into view
    return;
  }
  // Back to the point at zero scroll that the layout's rule takes.
  const RectF& tr = layout_.TextRect();
  if (at.x != static_cast<int32_t>(tr.x)) at.x -= metrics_.glyphLead / 2;
  at.x -= layout_.scrollX;
  at.y = layout_.MultiLine() ? at.y - layout_.scrollY - metrics_.lineGapAbove : 0;
  const int32_t oldX = layout_.scrollX;
  const int32_t oldY = layout_.scrollY;
  layout_.ScrollCaretIntoView(at);
  if (layout_.scrollX == oldX && layout_.scrollY == oldY) return;
  SetBarPositions();
  layout_.BuildBoxes(Shown());
  redrawText_ = true;
}

void UiEdit::TypeChar(char16_t code) {
  if (Editable() && model_.TypeChar(code)) AfterTextChange();
}

void UiEdit::InsertLineBreak() {
  if (model_.ReadOnly() || !Editable()) return;
  if (wrap_ == EditWrap::SingleLine) {
    if (!enterHandledByWindow_) ws::System().Beep(BeepKind::Simple);
    return;
  }
  if (model_.InsertAtCaret(u"\r\n")) AfterTextChange();
}

void UiEdit::CommitComposition(std::u16string_view text) {
  // A read-only box stays read-only for the input method too.
  if (model_.ReadOnly() || !Editable()) return;
  // A result that reduces to nothing still replaces the selection; the layout
  // follows whatever changed, so the display never shows a stale selection.
  if (model_.InsertAtCaret(ForOneLine(text))) AfterTextChange();
}

void UiEdit::Paste() {
  if (model_.ReadOnly() || !Editable()) return;
  std::u16string text;
  try {
    text = ForOneLine(ws::System().ClipboardText().value_or(std::u16string()));
  } catch (const std::bad_alloc&) {
    return;  // more than memory allows: nothing is pasted and nothing is lost
  }
  if (text.empty()) {
    DeleteSelection();
    return;
  }
  if (model_.InsertAtCaret(text)) AfterTextChange();
}

void UiEdit::Copy() {
  if (passwordMode_) {
    ws::System().Beep(BeepKind::Simple);
    return;
  }
  if (!model_.HasSelection()) return;
  const std::u16string units = model_.SelectedText();
  ws::System().SetClipboardText(units, WideToGbk(units));
}

void UiEdit::Cut() {
  if (model_.ReadOnly()) return;
  if (passwordMode_) {
    ws::System().Beep(BeepKind::Simple);
    return;
  }
  Copy();
  DeleteSelection();
}

void UiEdit::OnMenuChosen(int32_t index) {
  switch (index) {
    case EditContextMenu::kCut:
      Cut();
      break;
    case EditContextMenu::kCopy:
      Copy();
      break;
    case EditContextMenu::kPaste:
      Paste();
      break;
    case EditContextMenu::kDelete:
      DeleteForward();
      break;
    case EditContextMenu::kSelectAll:
      SelectAll();
      break;
    default:
      break;
  }
}

bool UiEdit::IsOverTextLine() {
  const Point m = MousePosition();
  const RectF& tr = layout_.TextRect();
  const double top = layout_.LineTop();
  const double lh = layout_.LineHeight();
  const auto atLeast = [](double a, double b) { return a > b || NearlyEqual(a, b); };
  const auto below = [](double a, double b) { return a < b && !NearlyEqual(a, b); };
  return atLeast(m.x, tr.x) && below(m.x, tr.x + tr.width) && atLeast(m.y, top) && below(m.y, top + lh);
}

void UiEdit::PlaceCaretAt(std::optional<int32_t> x, std::optional<int32_t> y) {
  if (!x && !y) {
    const Point m = MousePosition();
    PlaceCaret(m, false);
    return;
  }
  PlaceCaret({x.value_or(caretPoint_.x), y.value_or(caretPoint_.y)}, true);
}

void UiEdit::PlaceCaret(Point at, bool byKeys) {
  // A click or a key moves the caret away from a half-typed composition.
  DropPreedit(true);
  goalX_.reset();
  model_.BreakTypingRun();
  if (byKeys) {
    // Keys step from where the view is now, not from where the mouse last left it.
    pressScrollX_ = layout_.scrollX;
    pressScrollY_ = layout_.scrollY;
  }
  float px = static_cast<float>(at.x);
  float py = static_cast<float>(at.y);
  if (layout_.MultiLine()) {
    const RectF& tr = layout_.TextRect();
    const int32_t lh = layout_.LineHeight();
    const int32_t ch = layout_.ContentHeight();
    const float visible = std::min(static_cast<float>(ch), tr.height);
    bool scrolled = false;
    if (py < tr.y) {
      layout_.scrollY = std::min(pressScrollY_ + static_cast<int32_t>(tr.y) + lh, 0);
      py = tr.y + static_cast<float>(inset_ + metrics_.lineGapAbove);
      scrolled = true;
    } else if (py >= tr.y + visible) {
      layout_.scrollY =
          std::max(pressScrollY_ + static_cast<int32_t>(tr.y) - lh, -(ch - static_cast<int32_t>(visible)));
      py = tr.y + visible - static_cast<float>(inset_ + metrics_.lineGapBelow);
      scrolled = true;
    }
    if (scrolled) {
      redrawText_ = true;
      SetBarPositions();  // the bar control too, not only its model
      layout_.BuildBoxes(Shown());
    }
  }
  const int32_t pos = layout_.PositionFromPoint(px, py, &caretPoint_);
  model_.PlaceCaret(pos, pos);
  pressScrollX_ = layout_.scrollX;
  pressScrollY_ = layout_.scrollY;
  caretShown_ = true;
  InvalidateRect();
}

void UiEdit::DragSelect() {
  const Point m = MousePosition();
  DragSelectTo(m);
}

void UiEdit::DragSelectTo(Point at) {
  float mx = static_cast<float>(at.x);
  float my = static_cast<float>(at.y);
  const RectF& tr = layout_.TextRect();
  const int32_t cw = layout_.ContentWidth();
  const int32_t ch = layout_.ContentHeight();
  const float visibleW = std::min(static_cast<float>(cw), tr.width);
  const float visibleH = std::min(static_cast<float>(ch), tr.height);
  const float inset = static_cast<float>(inset_);
  const int32_t oldX = layout_.scrollX;
  const int32_t oldY = layout_.scrollY;
  if (!layout_.MultiLine()) my = layout_.LineTop() + static_cast<float>(layout_.LineHeight()) / 2;
  if (mx < tr.x) {
    layout_.scrollX = std::min(pressScrollX_ + static_cast<int32_t>(tr.x - mx), 0);
    mx = tr.x + inset;
  } else if (mx >= tr.x + visibleW) {
    layout_.scrollX =
        std::max(pressScrollX_ - static_cast<int32_t>(mx - tr.x - visibleW), -(cw - static_cast<int32_t>(visibleW)));
    mx = tr.x + visibleW - inset;
  }
  if (layout_.MultiLine()) {
    if (my < tr.y) {
      layout_.scrollY = std::min(pressScrollY_ + static_cast<int32_t>(tr.y - my), 0);
      my = tr.y + inset;
    } else if (my >= tr.y + visibleH) {
      layout_.scrollY =
          std::max(pressScrollY_ - static_cast<int32_t>(my - tr.y - visibleH), -(ch - static_cast<int32_t>(visibleH)));
      my = tr.y + visibleH - inset;
    }
  }
  if (layout_.scrollX != oldX || layout_.scrollY != oldY) {
    redrawText_ = true;
    layout_.BuildBoxes(Shown());
  }
  SetBarPositions();
  int32_t pos = layout_.PositionFromPoint(mx, my, &caretPoint_);
  // Below the last line the selection reaches the end of the text.
  if (layout_.MultiLine() &&
      static_cast<float>(at.y) >= tr.y + static_cast<float>(layout_.scrollY + layout_.ContentHeight() - 1)) {
    pos = model_.Length();
  }
  if (selectingWords_) {
    // After a double click the drag extends by whole words from the first one.
    const auto [start, end] = EditBreaks::WordAt(model_.Text(), pos);
    if (pos < wordStart_) {
      model_.PlaceCaret(start, wordEnd_);
    } else {
      model_.PlaceCaret(std::max(end, wordEnd_), wordStart_);
    }
  } else {
    model_.PlaceCaret(pos, model_.Anchor());
  }
  caretPoint_ = layout_.PointFromPosition(model_.Caret());
  caretShown_ = true;
  InvalidateRect();
}

void UiEdit::WheelBy(bool vertical, double delta) {
  EditBar& bar = vertical ? vBar_ : hBar_;
  if (!bar.exists) return;
  if (!bar.SetPosition(static_cast<int32_t>(bar.position + delta))) return;
  SyncBarControls();
  OnBarScrolled(vertical, bar.position);
}

void UiEdit::HearBar(UiScrollBar& control, bool vertical) {
  EditBar& bar = vertical ? vBar_ : hBar_;
  control.onPositionChanged = [this, &bar, vertical](int32_t position) {
    if (syncingBars_) return;
    bar.position = position;
    OnBarScrolled(vertical, bar.position);
  };
  // The wheel over either bar scrolls as it does over the text.
  control.onWheel = [this](const MouseEvent& e) { OnMouseWheel(e); };
  control.onHoverChanged = [this, &bar](bool hovered) {
    bar.hovered = hovered;
    if (hovered && GetHovered() == 0 && !hot_) {
      hot_ = true;
      InvalidateRect();
    } else if (!hovered && !focused_ && GetHovered() == 0 && hot_) {
      hot_ = false;
      InvalidateRect();
    }
  };
}

void UiEdit::OnBarScrolled(bool vertical, int32_t position) {
  (vertical ? layout_.scrollY : layout_.scrollX) = -position;
  redrawText_ = true;
  layout_.BuildBoxes(Shown());
  InvalidateRect();
}

}  // namespace quillmar
