// Creation, release and the text, caret and selection operations of UiEdit.
#include "ui/edit/edit.h"

#include <utility>

#include "base/text_encoding.h"
#include "platform/ws/window_system.h"
#include "ui/controls/menu.h"
#include "ui/core/theme_defaults.h"

namespace quillmar {

UiEdit::UiEdit() { asciiAdvance_.fill(-1); }

UiEdit::~UiEdit() {
  if (blinkTimer_ != 0) StopTimer(blinkTimer_);
  if (focusWatch_ != 0 && ws::SystemOrNull() != nullptr) ws::System().UnwatchFocus(focusWatch_);
}

int32_t UiEdit::Create(UiWindow* parent, int32_t visible, int32_t x, int32_t y, int32_t width, int32_t height,
                       std::string_view text, const EditOptions& o) {
  const ThemeDefaults& theme = Theme();
  const int32_t key = CreateElement(parent, visible != 0, x, y, width, height, "OVCL_EDIT");
  multiLine_ = o.multiLine;
  wrap_ = !multiLine_ ? EditWrap::SingleLine : (o.scrollBarMode.value_or(1) == 1 ? EditWrap::Wrap : EditWrap::NoWrap);
  model_.SetText(ForOneLine(GbkToWide(text)));
  fontName_ = o.fontName.value_or(theme.fontName);
  fontSize_ = o.fontSize.value_or(theme.fontSize);
  textColor_ = o.textColor.value_or(theme.textColor);
  scrollBarMode_ = o.scrollBarMode.value_or(multiLine_ ? 1 : 0);
  selTextColor_ = o.selTextColor.value_or(0xFFFFFFFF);
  selBackColor_ = o.selBackColor.value_or(theme.lineColor);
  borderColor_ = o.borderColor.value_or(WithAlpha(theme.lineColor, 100));
  borderHotColor_ = o.borderHotColor.value_or(WithAlpha(theme.lineColor, 200));
  backColor_ = o.backColor.value_or(theme.buttonVariant != 0 ? 0 : theme.fillColor);
  contextMenuEnabled_ = !o.contextMenuDisabled && !o.passwordMode;
  passwordMode_ = o.passwordMode;
  model_.SetReadOnly(o.readOnly);
  startOption_ = o.startOption.value_or(true);
  autoHideScrollBars_ = o.autoHideScrollBars;
  inset_ = 1;
  metrics_.lineGapAbove = metrics_.lineGapBelow = 2;
  passwordChar_ = u'*';
  wrap_ = !multiLine_ ? EditWrap::SingleLine : (scrollBarMode_ == 1 ? EditWrap::Wrap : EditWrap::NoWrap);

  const int32_t t = EditBar::kThickness;
  if (scrollBarMode_ & 1) {
    vBar_.exists = true;
    vBar_.rect = Rect::FromXywh(width - t, 1, t, scrollBarMode_ == 3 ? height - 14 : height - 1);
  }
  if (scrollBarMode_ & 2) {
    hBar_.exists = true;
    hBar_.rect = Rect::FromXywh(1, height - t, scrollBarMode_ == 3 ? width - 14 : width - 1, t);
  }
  // Bars are made shown; auto-hiding ones are hidden by the first layout when not needed.
  vBar_.visible = vBar_.exists;
  hBar_.visible = hBar_.exists;
  const draw::Argb barColor = o.scrollBarColor.value_or(WithAlpha(theme.lineColor, 100));
  if (vBar_.exists) MakeBarControl(true, barColor);
  if (hBar_.exists) MakeBarControl(false, barColor);
  MakeMenuControl();
  WatchWindowFocus();
  CreateFontObjects();
  RequestFullRedraw();
  // The first layout runs here, on the window's thread, so the box is laid out
  // before its first paint and nothing is shared with another thread.
  Layout();
  FinishCreate();
  return key;
}

void UiEdit::Release() {
  DeleteFontObjects();
  if (focusWatch_ != 0) ws::System().UnwatchFocus(std::exchange(focusWatch_, 0));
  if (blinkTimer_ != 0) {
    StopTimer(blinkTimer_);
    blinkTimer_ = 0;
  }
  vBar_ = {};
  hBar_ = {};
  for (auto* bar : {&vScroll_, &hScroll_}) {
    if (*bar) (*bar)->Release();
    bar->reset();
  }
  if (menuControl_) menuControl_->Dispose();
  menuControl_.reset();
  surface_.Clear();
  Unregister();
}

void UiEdit::MakeMenuControl() {
  menuControl_ = std::make_unique<UiMenu>();
  MenuStyle style;
  style.width = EditContextMenu::kWidth;
  menuControl_->SetStyle(style);
  menuControl_->onItemChosen = [this](int32_t index) { OnMenuChosen(index); };
  menu_.SetPresenter([this](const EditContextMenu::Items& items, std::optional<Point> at) { PresentMenu(items, at); });
}

void UiEdit::PresentMenu(const EditContextMenu::Items& items, std::optional<Point> at) {
  if (!menuControl_) return;
  menuControl_->ClearItems();
  for (const EditMenuItem& item : items) menuControl_->InsertItem({}, item.text, {}, item.disabled ? 1 : 0);
  if (at) {
    menuControl_->Popup(at->x, at->y);
  } else {
    menuControl_->Popup();
  }
}

void UiEdit::MakeBarControl(bool vertical, draw::Argb color) {
  const EditBar& state = vertical ? vBar_ : hBar_;
  auto bar = std::make_unique<UiScrollBar>();
  const Rect& r = state.rect;
  bar->Create(this, true, r.x, r.y, r.width, r.height, 0, 0, 0, 1, 10, true, !vertical, color, {});
  // Pressing a bar leaves the keyboard focus in the text.
  bar->SetKeepsFocus(1);
  HearBar(*bar, vertical);
  (vertical ? vScroll_ : hScroll_) = std::move(bar);
}

void UiEdit::SyncBarControls() {
  syncingBars_ = true;
  for (const auto& [state, bar] : {std::pair{&vBar_, vScroll_.get()}, std::pair{&hBar_, hScroll_.get()}}) {
    if (!bar) continue;
    bar->SetVisible(state->Shown() ? 1 : 0);
    const Rect& r = state->rect;
    bar->Place(r.x, r.y, r.width, r.height);
    bar->SetMaximum(state->maximum);
    bar->SetPosition(state->position);
  }
  syncingBars_ = false;
}

void UiEdit::AfterTextChange() {
  Layout();
  caretShown_ = true;
  AnnounceChanges();
}

std::u16string UiEdit::ForOneLine(std::u16string_view units) const {
  units = EditModel::StripTerminator(units);
  if (wrap_ == EditWrap::SingleLine) {
    // What one line cannot show is left out of what goes in, rather than
    // cutting the text already there after the insertion point.
    const size_t brk = units.find_first_of(u"\r\n");
    if (brk != std::u16string_view::npos) units = units.substr(0, brk);
    return std::u16string(units);
  }
  // Text from other programs breaks lines with LF alone; the box knows CR LF.
  return EditModel::WithCrLf(units);
}

void UiEdit::SetText(std::string_view gbkText) { SetTextWide(GbkToWide(gbkText)); }

void UiEdit::SetTextWide(std::u16string_view units) {
  if (!Editable()) return;
  DropPreedit(true);
  model_.SetText(ForOneLine(units));
  goalX_.reset();
  Layout();
  AnnounceChanges();
}

std::string UiEdit::GetText() const { return WideToGbk(model_.Text()); }

void UiEdit::InsertText(int32_t position, std::string_view gbkText) { InsertTextWide(position, GbkToWide(gbkText)); }

void UiEdit::InsertTextWide(int32_t position, std::u16string_view units) {
  if (!Editable()) return;
  if (model_.InsertText(position, ForOneLine(units))) AfterTextChange();
}

void UiEdit::DeleteText(int32_t position, int32_t count) {
  if (!Editable()) return;
  const int32_t before = model_.Length();
  model_.DeleteText(position, count);
  if (model_.Length() != before) AfterTextChange();
}

void UiEdit::DeleteSelection() {
  if (Editable() && model_.DeleteSelection()) AfterTextChange();
}

void UiEdit::Backspace() {
  if (Editable() && model_.Backspace()) AfterTextChange();
}

void UiEdit::DeleteForward() {
  if (Editable() && model_.DeleteForward()) AfterTextChange();
}

void UiEdit::SetCaret(int32_t position) {
  goalX_.reset();
  if (model_.SetCaret(position)) Changed();
}

void UiEdit::SetSelection(int32_t start, int32_t end) {
  goalX_.reset();
  if (model_.SetSelection(start, end)) Changed();
}

void UiEdit::GetSelection(int32_t* outStart, int32_t* outEnd) const {
  if (!model_.HasSelection()) return;
  if (outStart) *outStart = model_.Anchor();
  if (outEnd) *outEnd = model_.Caret();
}

void UiEdit::SelectAll() {
  model_.SelectAll();
  Changed();
}

void UiEdit::SetLineGaps(std::optional<int32_t> above, std::optional<int32_t> below) {
  if (wrap_ == EditWrap::SingleLine) return;
  bool changed = false;
  if (above && *above >= 0 && *above != metrics_.lineGapAbove) {
    metrics_.lineGapAbove = *above;
    changed = true;
  }
  if (below && *below >= 0 && *below != metrics_.lineGapBelow) {
    metrics_.lineGapBelow = *below;
    changed = true;
  }
  if (changed) AfterTextChange();
}

void UiEdit::SetMouseLocked(bool value) {
  if (value == mouseLocked_) return;
  mouseLocked_ = value;
  model_.CollapseSelection();
  Changed();
}

void UiEdit::SetBrowseOnly(bool value) {
  if (value == browseOnly_) return;
  browseOnly_ = value;
  model_.CollapseSelection();
  Changed();
}

void UiEdit::SetPasswordMode(bool value) {
  if (value == passwordMode_) return;
  passwordMode_ = value;
  AfterTextChange();
}

void UiEdit::SetPasswordChar(std::string_view gbkText) { SetPasswordCharWide(GbkToWide(gbkText)); }

void UiEdit::SetPasswordCharWide(std::u16string_view units) {
  units = EditModel::StripTerminator(units);
  char16_t next = passwordChar_;
  if (units.empty()) {
    next = u'*';
  } else if (units.size() == 1) {
    next = units[0];
  }
  if (next == passwordChar_) return;
  passwordChar_ = next;
  Layout();
}

std::string UiEdit::GetPasswordChar() const { return WideToGbk(std::u16string(1, passwordChar_)); }

void UiEdit::SetAutoHideScrollBars(bool value) {
  if (value == autoHideScrollBars_) return;
  autoHideScrollBars_ = value;
  Layout();
}

void UiEdit::SetBorderColors(std::optional<draw::Argb> normal, std::optional<draw::Argb> hot) {
  if (normal) borderColor_ = *normal;
  if (hot) borderHotColor_ = *hot;
  Changed();
}

}  // namespace quillmar
