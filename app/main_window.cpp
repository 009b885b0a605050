#include "app/main_window.h"

#include <cstdio>
#include <utility>

#include "app/background_picture.h"
#include "base/text_encoding.h"
#include "net/text_search.h"
#include "platform/ws/messages.h"
#include "platform/ws/window_system.h"
#include "ui/core/accessible_tree.h"
#include "ui/core/frame.h"
#include "ui/core/frame_window.h"
#include "ui/msgbox/message_box.h"

namespace quillmar {
namespace {

// Texts are written here in UTF-8 and become program text once, where they are used.
constexpr std::string_view kTitle = "Quillmar种子搜索神器";
constexpr std::string_view kPrompt = "输入关键字，点击撸一管，爱搜啥搜啥，任性！";
constexpr std::string_view kButtonTexts[3] = {"撸一管", "上一页", "下一页"};
constexpr std::string_view kColumnTitles[2] = {"名称", "种子连接"};
constexpr std::string_view kNoticeCaption = "Quill提示：";
constexpr std::string_view kConfirmExit = "确认退出？";
constexpr std::string_view kFirstPageNotice = "已经是第一页了。";
// The row menu's items, in the order of kRowMenuItems.
constexpr int32_t kRowMenuCopy = 0;
constexpr int32_t kRowMenuOpen = 1;
constexpr std::string_view kRowMenuItems[2] = {"复制磁力链接", "打开磁力链接"};
constexpr std::string_view kNoHandlerNotice = "没有能打开磁力链接的程序。链接已经复制到剪贴板，可以粘贴到下载工具里。";

constexpr int32_t kOkCancelInformation = 65;  // two buttons and the information icon
constexpr int32_t kOkOnly = 0;
constexpr int32_t kWarningOk = 0x30;
constexpr uint32_t kLayeredExStyle = 0x80000;
constexpr int32_t kOpenEffect = 9;
constexpr int32_t kCaptionCloseAndMinimize = 3;
constexpr draw::Argb kWhite = 0xFFFFFFFF;
constexpr draw::Argb kBlack = 0xFF000000;
constexpr int32_t kColumnCount = 2;

// Where the controls sit in the design size, inside the frame's padding; what the window
// grows by goes to the list, and the row under it keeps to the bottom edge.
constexpr int32_t kListLeft = 4;
constexpr int32_t kListTop = 114;
constexpr int32_t kSideMargin = 4;     // right of the list
constexpr int32_t kBottomRowGap = 33;  // from the bottom row's top to the bottom edge
constexpr int32_t kListToBottomRow = 6;
constexpr int32_t kPreviousFromRight = 221;
constexpr int32_t kNextFromRight = 112;
constexpr int32_t kStatusToPrevious = 7;

ws::WindowHandle g_mainHandle = 0;

std::string Program(std::string_view utf8) { return Utf8ToGbk(utf8); }

std::string Format(const char* format, auto... args) {
  char buffer[256];
  std::snprintf(buffer, sizeof buffer, format, args...);
  return buffer;
}

// Why an exchange gave nothing usable, in the program's own words (UTF-8).
std::string CauseText(const HttpStatus& status) {
  switch (status.error) {
    case HttpError::None:
      if (status.responseCode >= 400) return Format("站点回答 HTTP %ld", status.responseCode);
      return "页面上没有找到磁力链接";
    case HttpError::BadUrl:
    case HttpError::RefusedScheme:
      return "地址不可用";
    case HttpError::Resolve:
      return "找不到站点的主机名";
    case HttpError::Connect:
      return "无法连接站点";
    case HttpError::ConnectTimeout:
    case HttpError::StallTimeout:
    case HttpError::TotalTimeout:
      return "连接站点超时";
    case HttpError::Cancelled:
      return "已取消";
    default:
      return "取页面失败（" + status.reason + "）";
  }
}

bool IsMagnetLink(std::string_view text) {
  constexpr std::string_view kScheme = "magnet:";
  return text.size() > kScheme.size() && AsciiLower(text.substr(0, kScheme.size())) == kScheme;
}

}  // namespace

ws::LResult mainFrameProc(ws::WindowHandle hwnd, uint32_t msg, ws::WParam wParam, ws::LParam lParam) {
  ws::WindowSystem& sys = ws::System();
  if (msg == Msg::Close && hwnd == g_mainHandle && hwnd != 0) {
    sys.PostQuit(0);
  } else if (msg == Msg::KeyDown && wParam == static_cast<ws::WParam>(Vk::Escape)) {
    sys.Send(hwnd, Msg::Close, 0, 0);
    return 0;
  }
  return sys.DefaultProc(hwnd, msg, wParam, lParam);
}

MainWindow::OwnedHandle::~OwnedHandle() {
  if (hwnd != 0 && ws::System().IsWindow(hwnd)) ws::System().DestroyWindow(hwnd);
}

MainWindow::MainWindow(MainWindowOptions options) : options_(std::move(options)) {}

MainWindow::~MainWindow() {
  // The controls' removal still sends the window events: nobody here is left to hear them.
  mainWindow_.SetUserHandler({});
  session_.reset();
  JoinColumnThread();
  rowMenu_.Dispose();
  if (g_mainHandle == mainHandle_) g_mainHandle = 0;
}

void MainWindow::JoinColumnThread() {
  if (columnThread_.joinable()) columnThread_.join();
}

bool MainWindow::Create() {
  ws::WindowSystem& sys = ws::System();
  const std::string title = Program(kTitle);
  registerFrameClass(mainFrameProc, 0, title);
  FrameWindowArgs args;
  args.className = title;
  args.title = title;
  args.width = kWidth;
  args.height = kHeight;
  args.exStyle = kLayeredExStyle;
  mainHandle_ = createFrameWindow(args);
  if (mainHandle_ == 0) return false;
  owned_.hwnd = mainHandle_;
  g_mainHandle = mainHandle_;

  BindOptions bind;
  bind.backImage = background_.Load(BackgroundJpeg());
  bind.alpha = 200;
  bind.captionFlags = kCaptionCloseAndMinimize;
  bind.userHandler = [this](Hwnd hwnd, int32_t key, uint32_t msg, WParam wParam, LParam lParam) {
    return MainEventHandler(hwnd, key, msg, wParam, lParam);
  };
  mainWindow_.Bind(mainHandle_, bind);
  // Shrinking below the design size would push the caption buttons over the title and cut
  // the buttons off.
  const int32_t border = mainWindow_.GetSizingBorder();
  mainWindow_.SetMinSize({kWidth - 2 * border, kHeight - 2 * border});
  mainWindow_.ShowWithEffect(kOpenEffect, false);
  CreateControls();
  // A window that opened at another size (the desktop's choice) lays out for it.
  LayoutControls(mainWindow_.GetWidth(), mainWindow_.GetHeight());
  mainWindow_.SetTabOrder(
      {keywordBox_.Key(), buttons_[0].Key(), resultList_.Key(), buttons_[1].Key(), buttons_[2].Key()});
  // Typing a keyword and pressing Enter needs no mouse.
  keywordBox_.Focus();

  SearchSession::Listener listener;
  listener.onStart = [this](uint64_t) { OnSearchStart(); };
  listener.onListRead = [this](const SearchOutcome& o) { OnListRead(o); };
  listener.onRow = [this](const SearchRow& row) { OnRow(row); };
  listener.onFinish = [this](const SearchOutcome& o) { OnFinish(o); };
  session_ = std::make_unique<SearchSession>(
      options_.site, [&sys](std::function<void()> task) { sys.PostTask(std::move(task)); }, std::move(listener),
      options_.search);

  columnThread_ = std::jthread([this] { LoadColumns(); });
  pageNumber_ = 1;
  return true;
}

void MainWindow::CreateControls() {
  titleLabel_.Create(&mainWindow_, true, 2, 4, 200, 20, Program(kTitle), {}, {}, kWhite, kBlack, 0, 0);
  labels_[0].Create(&mainWindow_, true, 40, 30, 450, 24, Program(kPrompt), {}, {}, kWhite, kBlack, 0);
  EditOptions edit;
  edit.fontSize = 22;
  keywordBox_.Create(&mainWindow_, 1, 84, 55, 240, 32, "", edit);
  keywordBox_.SetAlpha(100);
  keywordBox_.SetEnterHandledByWindow(true);  // Enter searches
  buttons_[0].Create(&mainWindow_, true, 344, 55, 100, 32, Program(kButtonTexts[0]));
  ListBoxOptions list;
  list.scrollBars = 1;
  resultList_.Create(&mainWindow_, true, 4, 114, 524, 280, 0, list);
  resultList_.SetAlpha(100);
  buttons_[1].Create(&mainWindow_, true, 311, 400, 100, 24, Program(kButtonTexts[1]));
  buttons_[2].Create(&mainWindow_, true, 420, 400, 100, 24, Program(kButtonTexts[2]));
  // The bottom left is free: the search's progress and outcome go there.
  labels_[1].Create(&mainWindow_, true, 4, 400, 300, 24, "", {}, {}, kWhite, kBlack, 0, UiLabel::kAlignMiddle);
  // A screen reader names the box by the prompt above it and reads the status line out as it changes.
  if (UiFrame* frame = mainWindow_.Frame()) {
    frame->Accessible().SetLabelledBy(keywordBox_.Key(), labels_[0].Key());
    frame->Accessible().SetRole(labels_[1].Key(), ws::AxRole::StatusBar);
  }

  for (std::string_view item : kRowMenuItems) rowMenu_.InsertItem({}, Program(item));
  rowMenu_.onItemChosen = [this](int32_t item) {
    const int32_t row = SelectedRow();
    if (row < 0) return;
    if (item == kRowMenuCopy) CopyRowLink(row);
    if (item == kRowMenuOpen) OpenRowLink(row);
  };
  buttons_[0].onClick = [this] { SearchKeyword(); };
  buttons_[1].onClick = [this] {
    if (pageNumber_ == 1) {
      Notice(kFirstPageNotice, kOkOnly);
    } else {
      --pageNumber_;
      StartSearch();
    }
  };
  buttons_[2].onClick = [this] {
    ++pageNumber_;
    StartSearch();
  };
}

void MainWindow::LayoutControls(int32_t width, int32_t height) {
  const Insets pad = mainWindow_.GetPadding();
  const int32_t clientW = width - pad.left - pad.right;
  const int32_t clientH = height - pad.top - pad.bottom;
  const int32_t rowTop = clientH - kBottomRowGap;
  const int32_t listWidth = clientW - kListLeft - kSideMargin;
  resultList_.Place(kListLeft, kListTop, listWidth, rowTop - kListToBottomRow - kListTop);
  const int32_t previousX = clientW - kPreviousFromRight;
  buttons_[1].Place(previousX, rowTop, std::nullopt, std::nullopt);
  buttons_[2].Place(clientW - kNextFromRight, rowTop, std::nullopt, std::nullopt);
  labels_[1].Place(kListLeft, rowTop, previousX - kStatusToPrevious - kListLeft, std::nullopt);
  // The columns share the list's width.
  for (int32_t i = 0; i < resultList_.GetColumnCount(); ++i) resultList_.SetColumnWidth(i, listWidth / kColumnCount);
}

// The column thread only names the columns: adding them is posted to the window's thread.
void MainWindow::LoadColumns() {
  ws::System().PostTask([self = weak_.GetWeakPtr()] {
    if (!self) return;
    UiListBox& list = self->resultList_;
    for (std::string_view title : kColumnTitles) {
      ListColumnOptions column;
      column.width = list.GetWidth() / kColumnCount;
      column.align = 1;
      list.InsertColumn({}, Program(title), column);
    }
  });
}

int32_t MainWindow::Notice(std::string_view utf8Text, int32_t type) {
  const std::string caption = Program(kNoticeCaption);
  if (options_.messageBox) return options_.messageBox(Program(utf8Text), type, caption);
  MessageBoxOptions box;
  box.caption = caption;
  return ShowMessageBox(Program(utf8Text), type, box);
}

int32_t MainWindow::MainEventHandler(Hwnd, int32_t key, uint32_t msg, WParam wParam, LParam lParam) {
  if (msg == Event::Resized && key == mainWindow_.Key()) {
    LayoutControls(static_cast<int32_t>(wParam), static_cast<int32_t>(lParam));
    return 1;
  }
  if (msg == Msg::Close && key == mainWindow_.Key()) {
    if (Notice(kConfirmExit, kOkCancelInformation) != 0) return 0;
    // Closing: the running search ends now rather than with the process.
    if (session_) session_->Cancel();
    return 1;
  }
  if (key == resultList_.Key()) {
    if (msg == Msg::LButtonDblClk) {
      const int32_t row = SelectedRow();
      if (row >= 0) OpenRowLink(row);
      return 1;
    }
    if (msg == Msg::RButtonUp) {
      ShowRowMenu();
      return 0;
    }
    if (msg == Msg::KeyDown && ListKey(wParam)) return 0;
  }
  if (key == keywordBox_.Key() && msg == Msg::KeyDown && wParam == static_cast<WParam>(Vk::Return)) {
    SearchKeyword();
    return 0;
  }
  // The one-line box has no lines to go down to: Down goes on to the results.
  if (key == keywordBox_.Key() && msg == Msg::KeyDown && wParam == static_cast<WParam>(Vk::Down) &&
      resultList_.GetRowCount() > 0) {
    if (SelectedRow() < 0) resultList_.SetSelection(0, 0);
    resultList_.ScrollRowIntoView(SelectedRow());
    resultList_.Focus();
    return 0;
  }
  return 1;
}

// Enter opens the selected row's link, Ctrl+C copies it, the menu key or Shift+F10
// opens the row menu; the list itself moves the selection.
bool MainWindow::ListKey(WParam key) {
  const ws::WindowSystem& sys = ws::System();
  const bool control = sys.IsKeyDown(Vk::Control);
  const int32_t row = SelectedRow();
  if (key == 'C' && control) {
    if (row >= 0) CopyRowLink(row);
    return true;
  }
  if (key == static_cast<WParam>(Vk::Return) && !control) {
    if (row >= 0) OpenRowLink(row);
    return true;
  }
  if (UiMenu::IsContextMenuKey(static_cast<int32_t>(key))) {
    ShowRowMenuForSelection();
    return true;
  }
  return false;
}

void MainWindow::SearchKeyword() {
  if (keywordBox_.GetText() != lastKeyword_) pageNumber_ = 1;
  StartSearch();
}

void MainWindow::StartSearch() {
  shownPage_ = pageNumber_;
  lastKeyword_ = keywordBox_.GetText();
  session_->Start(lastKeyword_, pageNumber_);
}

void MainWindow::OnSearchStart() {
  resultList_.ClearRows();
  // The list keeps its selection across a clear; the new page's row of that number is not
  // what the user chose.
  resultList_.SetSelection(-1, -1);
  rowFailures_.clear();
  hitCount_ = -1;
  labels_[1].SetText(Program(Format("正在搜索第 %d 页…", shownPage_)));
  SetBusy(true);
}

void MainWindow::OnListRead(const SearchOutcome& outcome) {
  hitCount_ = outcome.hitCount;
  ShowProgress();
}

void MainWindow::OnRow(const SearchRow& row) {
  const int32_t index = resultList_.GetRowCount();
  resultList_.InsertRow({}, row.title);
  resultList_.SetCellText(index, 1, row.magnet);
  std::string cause;
  if (row.magnet.empty()) cause = CauseText(row.detailStatus);
  rowFailures_.push_back(std::move(cause));
  ShowProgress();
}

void MainWindow::ShowProgress() {
  labels_[1].SetText(Program(Format("第 %d 页：%d/%d", shownPage_, resultList_.GetRowCount(), hitCount_)));
}

void MainWindow::OnFinish(const SearchOutcome& outcome) {
  SetBusy(false);
  std::string text = Format("第 %d 页：", shownPage_);
  if (!outcome.ListFetched() || outcome.listStatus.responseCode >= 400) {
    text += "取不到结果页，" + CauseText(outcome.listStatus);
  } else if (outcome.hitCount == 0) {
    text += "没有找到结果";
  } else {
    int missing = 0;
    for (const std::string& cause : rowFailures_) missing += cause.empty() ? 0 : 1;
    text += Format("%d/%d", resultList_.GetRowCount(), outcome.hitCount);
    text += missing ? Format("，%d 条没有取到链接（双击看原因）", missing) : std::string("，完成");
    if (outcome.rowsCut > 0) text += Format("，%d 条因搜索时限未取", outcome.rowsCut);
  }
  labels_[1].SetText(Program(text));
}

void MainWindow::SetBusy(bool busy) {
  ws::WindowSystem& sys = ws::System();
  if (busy && busyCursor_ == 0) busyCursor_ = sys.LoadSystemCursor(ws::SystemCursor::AppStarting);
  CursorChoice choice;
  if (busy) choice.handle = busyCursor_;
  mainWindow_.SetCursorShape(choice);
  // Over every control too: the keyword box's I-beam would hide that the window is at work.
  mainWindow_.SetBusyCursor(busy ? busyCursor_ : 0);
}

int32_t MainWindow::SelectedRow() {
  const ListCellRef cell = resultList_.GetSelection();
  if (cell.row < 0 || cell.row >= resultList_.GetRowCount()) return -1;
  return cell.row;
}

void MainWindow::OpenRowLink(int32_t row) {
  const std::string link = resultList_.GetCellText(row, 1);
  if (link.empty()) {
    const std::string cause = static_cast<size_t>(row) < rowFailures_.size() ? rowFailures_[row] : std::string();
    Notice("这一行没有取到磁力链接：" + (cause.empty() ? std::string("原因不明") : cause), kWarningOk);
    return;
  }
  // A page can put anything in the cell; only a magnet link is handed to the desktop.
  if (!IsMagnetLink(link)) {
    Notice("这一行的链接不是磁力链接，不会打开。", kWarningOk);
    return;
  }
  if (ws::System().OpenWithHandler(link)) return;
  // Nothing on this desktop opens magnet links: the link goes where the user can paste it.
  CopyRowLink(row);
  Notice(kNoHandlerNotice, kWarningOk);
}

void MainWindow::CopyRowLink(int32_t row) {
  const std::string link = resultList_.GetCellText(row, 1);
  if (link.empty()) return;
  ws::System().SetClipboardText(GbkToWide(link), link);
}

void MainWindow::ShowRowMenu() {
  const int32_t row = resultList_.RowAtY(resultList_.MousePosition().y);  // 1-based, 0 the header
  if (row < 1 || row > resultList_.GetRowCount()) return;
  resultList_.SetSelection(0, row - 1);
  rowMenu_.Popup();
}

void MainWindow::ShowRowMenuForSelection() {
  const int32_t row = SelectedRow();
  if (row < 0) return;
  resultList_.ScrollRowIntoView(row);
  // Just inside the row's left end, below its top: where a right click there would open it.
  const RectF content = resultList_.GetContentRect();
  const int32_t top = resultList_.RowTop(row);
  const Point at = resultList_.PointToScreen({static_cast<int32_t>(content.x) + 20, top + 20});
  rowMenu_.Popup(at.x, at.y);
}

}  // namespace quillmar
