#pragma once
// UiEdit: a text box drawn entirely by the framework — text, selection, caret,
// border and scroll bars — on the text model (edit_model.h) and the layout
// (edit_layout.h). edit.cpp holds creation and the text operations,
// edit_paint.cpp measuring, layout and painting, edit_input.cpp keys, input
// method, clipboard, mouse and the context menu.

#include <array>
#include <memory>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/geometry.h"
#include "platform/draw/bitmap.h"
#include "platform/draw/graphics.h"
#include "ui/controls/scroll_bar.h"
#include "ui/core/control.h"
#include "ui/edit/edit_bar.h"
#include "ui/edit/edit_context_menu.h"
#include "ui/edit/edit_layout.h"
#include "ui/edit/edit_model.h"
#include "ui/edit/edit_surface.h"
#include "ui/gfx/font.h"
#include "ui/gfx/string_format.h"

namespace quillmar {

class UiMenu;

// Optional creation values; omitted ones come from the theme or fixed defaults.
struct EditOptions {
  std::optional<std::string> fontName;  // program text
  std::optional<int32_t> fontSize;
  std::optional<draw::Argb> textColor;
  bool multiLine = false;
  std::optional<int32_t> scrollBarMode;  // 0 none, 1 vertical, 2 horizontal, 3 both
  std::optional<draw::Argb> selTextColor, selBackColor, borderColor, borderHotColor, backColor, scrollBarColor;
  bool contextMenuDisabled = false;
  bool passwordMode = false;
  bool readOnly = false;
  std::optional<bool> startOption;
  bool autoHideScrollBars = false;
};

class UiEdit : public UiControl {
 public:
  UiEdit();
  ~UiEdit() override;

  int32_t Create(UiWindow* parent, int32_t visible, int32_t x, int32_t y, int32_t width, int32_t height,
                 std::string_view text, const EditOptions& options = {});
  void Release();

  // --- Text, caret and selection (edit.cpp) ---
  void SetText(std::string_view gbkText);
  void SetTextWide(std::u16string_view units);
  std::string GetText() const;
  std::u16string GetTextWide() const { return model_.Text(); }
  int32_t GetLength() const { return model_.Length(); }
  void InsertText(int32_t position, std::string_view gbkText);
  void InsertTextWide(int32_t position, std::u16string_view units);
  void DeleteText(int32_t position, int32_t count);
  void DeleteSelection();
  void Backspace();
  void DeleteForward();
  void SetCaret(int32_t position);
  int32_t GetCaret() const { return model_.Caret(); }
  void SetSelection(int32_t start, int32_t end);
  // Writes anchor and caret (unsorted) only when there is a selection.
  void GetSelection(int32_t* outStart, int32_t* outEnd) const;
  void SelectAll();
  void SetLineGaps(std::optional<int32_t> above, std::optional<int32_t> below);
  int32_t GetLineGapAbove() const { return metrics_.lineGapAbove; }
  int32_t GetLineGapBelow() const { return metrics_.lineGapBelow; }
  void SetMouseLocked(bool value);
  bool GetMouseLocked() const { return mouseLocked_; }
  void SetBrowseOnly(bool value);
  bool GetBrowseOnly() const { return browseOnly_; }
  void SetReadOnly(bool value) { model_.SetReadOnly(value); }
  bool GetReadOnly() const { return model_.ReadOnly(); }
  void SetPasswordMode(bool value);
  bool GetPasswordMode() const { return passwordMode_; }
  void SetPasswordChar(std::string_view gbkText);
  void SetPasswordCharWide(std::u16string_view units);
  std::string GetPasswordChar() const;
  std::u16string GetPasswordCharWide() const { return std::u16string(1, passwordChar_); }
  void SetContextMenuEnabled(bool value) { contextMenuEnabled_ = value; }
  // The window acts on Enter in this box (a search, a default button): a
  // one-line box then lets it pass without the beep that says it has no lines.
  void SetEnterHandledByWindow(bool value) { enterHandledByWindow_ = value; }
  bool GetContextMenuEnabled() const { return contextMenuEnabled_; }
  void SetAutoHideScrollBars(bool value);
  bool GetAutoHideScrollBars() const { return autoHideScrollBars_; }
  void SetBorderColors(std::optional<draw::Argb> normal, std::optional<draw::Argb> hot);
  // What the edit decided for its bars, and the bar controls that show it.
  const EditBar& GetVScroll() const { return vBar_; }
  const EditBar& GetHScroll() const { return hBar_; }
  UiScrollBar* GetVScrollBar() const { return vScroll_.get(); }
  UiScrollBar* GetHScrollBar() const { return hScroll_.get(); }
  EditContextMenu& GetMenu() { return menu_; }
  // The menu control that shows the context menu (null before Create and after Release).
  UiMenu* GetMenuControl() const { return menuControl_.get(); }

  // --- Layout and painting (edit_paint.cpp) ---
  void Layout();
  void PlaceScrollBars();
  void RequestFullRedraw();
  Point PointFromPosition(int32_t position) const { return layout_.PointFromPosition(position); }
  int32_t PositionFromPoint(float x, float y, Point* outPoint) const;
  const EditLayout& GetLayout() const { return layout_; }
  Point GetCaretPoint() const { return caretPoint_; }
  bool GetCaretShown() const { return caretShown_; }
  bool GetHot() const { return hot_; }
  bool BlinkTimerRunning() const { return blinkTimer_ != 0; }
  // Characters drawn by the last paint (a scroll draws only the strip that came into view).
  int32_t CharsDrawnLastPaint() const { return charsDrawn_; }

  // --- Input (edit_input.cpp, edit_keys.cpp) ---
  void HandleKey(uint32_t msg, WParam key, LParam extra);
  void MoveCaret(int32_t key);
  // An arrow, Home, End, PageUp or PageDown; with extend the anchor stays.
  void MoveCaret(int32_t key, bool extend, bool byWord);
  // Undo and redo one step of the history; SetText forgets it.
  void Undo();
  void Redo();
  bool CanUndo() const { return model_.History().UndoCount() > 0 && !model_.ReadOnly(); }
  const EditHistory& GetHistory() const { return model_.History(); }
  // The composition the input method shows in the box (not part of the text).
  const std::u16string& GetPreedit() const { return preedit_; }
  void TypeChar(char16_t code);
  void InsertLineBreak();
  // The input method committed text: it replaces the selection at the caret.
  void CommitComposition(std::u16string_view text);
  void Paste();
  void Cut();
  void Copy();
  // At (x, y) as the keys ask, or at the mouse when neither is given.
  void PlaceCaretAt(std::optional<int32_t> x, std::optional<int32_t> y);
  // Extends the selection to the mouse, scrolling when it is outside the text.
  void DragSelect();
  bool IsOverTextLine();
  // A scroll bar moved (by the user or by a clamped SetPosition).
  void OnBarScrolled(bool vertical, int32_t position);
  // The context menu's item at index was chosen.
  void OnMenuChosen(int32_t index);
  // Hears one of the edit's bars: a drag moves the text, the wheel over it
  // scrolls, hovering lights the border.
  void HearBar(UiScrollBar& control, bool vertical);

  // An entry (a password text in password mode, which shows only its mask).
  void DescribeAccessible(ws::AxNode& node) override;
  std::optional<ws::AxText> AccessibleText() override;
  bool AccessibleEditText(int32_t start, int32_t end, const std::u16string& text) override;
  bool AccessibleSelectText(int32_t anchor, int32_t caret) override;

 protected:
  // Raw messages the typed handlers do not carry: the cursor, the input
  // method, characters with their flags, the resize.
  int32_t MessageHook(Hwnd hwnd, int32_t key, uint32_t msg, WParam wParam, LParam lParam) override;
  Handled OnMouseDown(const MouseEvent& e) override;
  Handled OnMouseUp(const MouseEvent& e) override;
  Handled OnMouseMove(const MouseEvent& e) override;
  Handled OnMouseWheel(const MouseEvent& e) override;
  Handled OnKeyDown(const KeyEvent& e) override;
  Handled OnFocusGained() override;
  Handled OnFocusLost() override;
  Handled OnMouseEnter() override;
  Handled OnMouseLeave() override;
  // Restarts the blink around every paint.
  void OnPaint(draw::Graphics& g, Size size) override;
  void OnTimer(int32_t id, uint32_t msg) override;
  Handled OnDoubleClick(const MouseEvent& e) override;

 private:
  // What the layout shows: the text with the composition spliced in at the caret.
  const std::u16string& Shown() const { return preedit_.empty() ? model_.Text() : shown_; }
  int32_t ToShown(int32_t position) const;
  int32_t FromShown(int32_t position) const;
  int32_t ShownCaret() const { return ToShown(model_.Caret()) + (preedit_.empty() ? 0 : preeditCursor_); }
  void SetPreedit(std::u16string text, int32_t cursor);
  // Drops the composition; with reset the input method forgets it too.
  void DropPreedit(bool reset);
  void ResetIme();
  // After a caret move by a key or the mouse: view, history grouping, input method.
  void CaretMovedByUser(bool keepGoal);
  void MoveLines(int32_t lines, bool extend);
  void SelectWordAt(int32_t position);
  // A left press that is the count-th click in a row: caret, word, line.
  void PressAt(Point at, int32_t count, bool extend);
  int32_t CountClick(Point at);
  // Tells the input method where the caret is, when that changed.
  void UpdateImeCursor();
  bool WindowFocused();
  void WatchWindowFocus();
  bool ShouldBlink();
  // Text replacement and its relayout; nothing while a layout runs.
  bool Editable() const { return !layoutBusy_; }
  void AfterTextChange();
  void Changed() {
    InvalidateRect();
    AnnounceChanges();
  }
  // The text as a reader may see it, with caret and selection.
  ws::AxText ExposedText() const;
  // Tells a listener what changed since it last read or heard of the text.
  void AnnounceChanges();
  void CreateFontObjects();
  void DeleteFontObjects();
  RectF ComputeTextRect(bool reserveBars);
  int32_t AsciiAdvance(char16_t unit);
  // Advance of a cluster: plain units by the rules of one unit, longer clusters measured whole.
  int32_t ClusterAdvance(std::u16string_view cluster);
  RectF MeasureChar(std::u16string_view unit);
  void Paint();
  void PaintText(bool partial);
  void DrawChars(draw::Graphics& g, std::u16string_view text, const draw::Brush& brush);
  void PaintCaret(draw::Graphics& g);
  void PaintBackground(draw::Graphics& g);
  void PaintBorder(draw::Graphics& g);
  void PaintScrollBarBacks(draw::Graphics& g);
  void WheelBy(bool vertical, double delta);
  void PlaceCaret(Point at, bool byKeys);
  // Scrolls so the caret shows after it moved without a change of the text.
  void KeepCaretInView();
  void DragSelectTo(Point at);
  void SetBarPositions();
  // Shows the decided bar state on the bar controls.
  void SyncBarControls();
  void MakeBarControl(bool vertical, draw::Argb color);
  void MakeMenuControl();
  // Fills the menu control with the items and their enable flags and opens it
  // at a screen point, or at the mouse without one.
  void PresentMenu(const EditContextMenu::Items& items, std::optional<Point> at);
  // The context menu may open (by the mouse or the keys) in the box's present modes.
  bool MenuAllowed() const { return contextMenuEnabled_ && !passwordMode_ && !mouseLocked_ && !browseOnly_; }
  // The context menu from the keyboard, just below the caret.
  void OpenMenuAtCaret();
  std::u16string ForOneLine(std::u16string_view units) const;
  // The band of the text area whose pixels the last layout changed, when the
  // text layer on screen can be kept around it; nothing when all must go.
  std::optional<RectF> ChangedBand() const;
  void RememberDrawn();

  // What the text layer on screen was laid out from.
  struct Drawn {
    bool valid = false;
    std::u16string text;  // multi-line only
    uint64_t version = 0;
    std::u16string preedit;
    std::vector<int32_t> lineCounts;
    RectF textRect;
    int32_t wideCharWidth = 0, maskCharWidth = 0, lineHeight = 0, scrollX = 0, scrollY = 0;
    bool password = false;
    char16_t mask = 0;
    bool vBar = false, hBar = false;
  };
  Drawn drawn_;

  // What the last walk of the text was made from.
  struct Walked {
    uint64_t version = 0;
    RectF textRect;
    int32_t wideCharWidth = 0, maskCharWidth = 0, glyphHeight = 0;
    bool password = false;
    char16_t mask = 0;
    bool plain = false;  // no composition was shown
    bool valid = false;
    bool SameSetting(const Walked& o) const {
      return textRect == o.textRect && wideCharWidth == o.wideCharWidth && maskCharWidth == o.maskCharWidth &&
             glyphHeight == o.glyphHeight && password == o.password && mask == o.mask;
    }
  };
  Walked walked_;

  EditModel model_;
  EditLayout layout_;
  EditMetrics metrics_;
  EditSurface surface_;
  EditBar vBar_, hBar_;
  std::unique_ptr<UiScrollBar> vScroll_, hScroll_;
  bool syncingBars_ = false;  // the edit moves its bars: their echo is not a user's scroll
  EditContextMenu menu_;
  std::unique_ptr<UiMenu> menuControl_;
  UiFont font_;
  UiStringFormat format_;
  draw::Bitmap measureBitmap_{1, 1};
  draw::Graphics measureGraphics_{measureBitmap_};
  std::array<int32_t, 129> asciiAdvance_{};  // -1: not measured yet with this font

  bool multiLine_ = false;
  bool mouseLocked_ = false;
  bool browseOnly_ = false;
  int32_t scrollBarMode_ = 0;
  std::string fontName_;
  int32_t fontSize_ = 12;
  draw::Argb textColor_ = 0, selTextColor_ = 0xFFFFFFFF, selBackColor_ = 0;
  draw::Argb borderColor_ = 0, borderHotColor_ = 0, backColor_ = 0;
  bool contextMenuEnabled_ = true;
  bool enterHandledByWindow_ = false;
  bool passwordMode_ = false;
  char16_t passwordChar_ = u'*';
  int32_t inset_ = 1;
  bool hot_ = false;
  bool focused_ = false;
  EditWrap wrap_ = EditWrap::SingleLine;
  bool layoutBusy_ = false;
  bool layoutRestart_ = false;
  int32_t blinkTimer_ = 0;
  bool caretShown_ = false;
  Point caretPoint_;
  bool redrawText_ = false;
  int32_t pressScrollX_ = 0;
  int32_t pressScrollY_ = 0;
  bool fullRedraw_ = false;
  bool startOption_ = true;
  bool autoHideScrollBars_ = false;
  bool cursorSet_ = false;
  bool selecting_ = false;               // a left press placed the caret; moves extend the selection
  bool selectingWords_ = false;          // the press was a double click: the drag extends by words
  int32_t wordStart_ = 0, wordEnd_ = 0;  // the word the double click selected
  int32_t clicks_ = 0;                   // presses in a row, each soon after and near the one before
  int64_t lastPressMs_ = -1000000;
  Point lastPressAt_;
  std::optional<int32_t> goalX_;  // the column Up and Down keep, at zero scroll
  std::u16string preedit_;
  int32_t preeditCursor_ = 0;
  std::u16string shown_;
  Rect imeCursor_;      // last caret rectangle given to the input method
  Hwnd imeWindow_ = 0;  // the window it was given for
  uint32_t focusWatch_ = 0;
  int64_t lastInputMs_ = 0;  // the blink stops a while after the last input
  std::unordered_map<std::u16string, int32_t> clusterAdvance_;
  int32_t charsDrawn_ = 0;
  // What a listening reader knows of the text; kept only once one has read it.
  ws::AxText announced_;
  bool announcedValid_ = false;
};

}  // namespace quillmar
