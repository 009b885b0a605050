#pragma once
// The program's one window: a borderless, layered, skinned frame of at least 544 x 445 with
// the title, the prompt, the keyword box, the search button, the result list and the two
// paging buttons, its event handler, and the search session that fills the list.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "app/search_session.h"
#include "base/weak_token.h"
#include "platform/ws/types.h"
#include "ui/controls/button.h"
#include "ui/controls/label.h"
#include "ui/controls/list_box.h"
#include "ui/controls/menu.h"
#include "ui/core/window.h"
#include "ui/edit/edit.h"
#include "ui/gfx/image.h"

namespace quillmar {

// Shows a modal message box and returns the button chosen (0 the first, 1 the second,
// Escape or close). Texts are program text; type carries the button and icon bits.
using MessageBoxRoutine = std::function<int32_t(std::string_view text, int32_t type, std::string_view caption)>;

struct MainWindowOptions {
  std::string site;              // search site prefix, ".../s/"
  MessageBoxRoutine messageBox;  // empty: the program's own message box
  SearchOptions search;
};

class MainWindow {
 public:
  static constexpr int32_t kWidth = 544;
  static constexpr int32_t kHeight = 445;

  explicit MainWindow(MainWindowOptions options);
  // Cancels a running search and waits for its worker before the controls go.
  ~MainWindow();
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Registers the class, opens and binds the window, shows it with its open effect,
  // creates the controls, starts the column thread and sets the page to 1.
  bool Create();

  // The window's user routine: sees every control's messages after the control's
  // own routine; 0 stops one. The buttons and the row menu are heard through their
  // typed signals.
  int32_t MainEventHandler(Hwnd hwnd, int32_t key, uint32_t msg, WParam wParam, LParam lParam);

  Hwnd Handle() const { return mainHandle_; }
  int32_t PageNumber() const { return pageNumber_; }
  UiWindow& Window() { return mainWindow_; }
  UiEdit& KeywordBox() { return keywordBox_; }
  UiButton& Button(int index) { return buttons_[index - 1]; }  // 1 search, 2 previous, 3 next
  UiListBox& ResultList() { return resultList_; }
  UiLabel& StatusLine() { return labels_[1]; }
  UiMenu& RowMenu() { return rowMenu_; }
  const SearchSession& Session() const { return *session_; }
  // The column thread has ended (its columns are posted).
  void JoinColumnThread();

 private:
  void CreateControls();
  // Places the controls for a window of that size: the list takes what the window grew
  // by, the paging buttons and the status line keep to the bottom.
  void LayoutControls(int32_t width, int32_t height);
  void LoadColumns();
  // A search from the search button or Enter: a keyword other than the last one
  // searched starts on page 1; the same keyword keeps its page (a refresh).
  void SearchKeyword();
  void StartSearch();
  void OnSearchStart();
  void OnListRead(const SearchOutcome& outcome);
  void OnRow(const SearchRow& row);
  void OnFinish(const SearchOutcome& outcome);
  void ShowProgress();
  void SetBusy(bool busy);
  // The selected row, or -1.
  int32_t SelectedRow();
  void OpenRowLink(int32_t row);
  void CopyRowLink(int32_t row);
  void ShowRowMenu();
  // The row menu for the selected row, from the keyboard: below the row.
  void ShowRowMenuForSelection();
  bool ListKey(WParam key);
  int32_t Notice(std::string_view utf8Text, int32_t type);

  // Owns the operating-system window: destroyed after the objects bound to it, when a
  // close has not already done so.
  struct OwnedHandle {
    Hwnd hwnd = 0;
    ~OwnedHandle();
  };

  MainWindowOptions options_;
  OwnedHandle owned_;
  // Program-level objects, in the order they are built.
  UiWindow mainWindow_;
  UiImage background_;
  UiLabel titleLabel_;
  UiLabel labels_[2];  // the prompt, and the status line in the slot the layout leaves free
  UiEdit keywordBox_;
  UiButton buttons_[3];
  UiListBox resultList_;
  UiMenu rowMenu_;
  int32_t pageNumber_ = 0;
  std::string lastKeyword_;  // program text of the search last started
  Hwnd mainHandle_ = 0;

  // Progress of the search on screen: page, hits read, rows so far and why rows lack a link.
  int32_t shownPage_ = 0;
  int32_t hitCount_ = -1;
  std::vector<std::string> rowFailures_;  // per row; empty when the link was read
  ws::CursorHandle busyCursor_ = 0;
  std::jthread columnThread_;
  std::unique_ptr<SearchSession> session_;  // it stops before anything it posts to goes
  // Last: what posted column work checks. The column thread makes its token
  // while the window lives (the window joins it); the UI thread tests it.
  WeakFactory<MainWindow> weak_{this};
};

// The main window's class procedure: a confirmed close quits the loop; Escape asks to close.
ws::LResult mainFrameProc(ws::WindowHandle hwnd, uint32_t msg, ws::WParam wParam, ws::LParam lParam);

}  // namespace quillmar
