#pragma once
// UiAccessibleTree: a bound window's answer to assistive technology. Every
// question is answered from the element records and the controls' own fields
// at the moment it is asked; the tree itself keeps only what the program says
// about an element beyond its fields (a role, the label that names it).

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "platform/ws/ax_provider.h"
#include "ui/core/core_types.h"

namespace quillmar {

class UiWindow;

class UiAccessibleTree final : public ws::AxProvider {
 public:
  // Registers with the window system for the window's operating-system window.
  explicit UiAccessibleTree(UiWindow& window);
  ~UiAccessibleTree() override;
  UiAccessibleTree(const UiAccessibleTree&) = delete;
  UiAccessibleTree& operator=(const UiAccessibleTree&) = delete;

  // Stops answering (the window lets go of its operating-system window).
  void Withdraw();

  // What the program adds: a role in place of the control's own (a label that
  // is the status line, a box that is an alert), and the label naming a node.
  void SetRole(int32_t key, ws::AxRole role);
  void SetLabelledBy(int32_t key, int32_t labelKey);
  void SetDescription(int32_t key, std::string utf8);

  // ws::AxProvider
  ws::AxNodeId RootNode() const override;
  std::optional<ws::AxNode> Node(ws::AxNodeId id) const override;
  std::optional<ws::AxText> Text(ws::AxNodeId id) const override;
  std::optional<ws::AxValue> Value(ws::AxNodeId id) const override;
  std::optional<ws::AxTable> Table(ws::AxNodeId id) const override;
  std::string CellText(ws::AxNodeId id, int32_t row, int32_t column) const override;
  Rect CellBounds(ws::AxNodeId id, int32_t row, int32_t column) const override;
  std::optional<ws::AxNode> Item(ws::AxNodeId id, int32_t index) const override;
  bool DoAction(ws::AxNodeId id, int32_t index) override;
  bool SetFocus(ws::AxNodeId id) override;
  bool EditText(ws::AxNodeId id, int32_t start, int32_t end, const std::u16string& text) override;
  bool SetCaret(ws::AxNodeId id, int32_t position) override;
  bool SetTextSelection(ws::AxNodeId id, int32_t start, int32_t end) override;
  bool SelectRow(ws::AxNodeId id, int32_t row) override;
  bool SetValue(ws::AxNodeId id, double value) override;
  bool DoItemAction(ws::AxNodeId id, int32_t item, int32_t index) override;
  bool SelectItem(ws::AxNodeId id, int32_t item) override;

 private:
  // The object of a node of this window, or null when it is gone or elsewhere.
  UiWindow* Owner(ws::AxNodeId id) const;

  UiWindow& window_;
  Hwnd hwnd_ = 0;
  struct Extra {
    std::optional<ws::AxRole> role;
    int32_t labelledBy = 0;
    std::string description;
  };
  std::map<int32_t, Extra> extras_;
};

}  // namespace quillmar
