#pragma once
// What assistive technology (screen readers, magnifiers, automation) may read
// of a window whose controls the program draws itself. The platform knows no
// elements: a window's owner hands it an AxProvider, which describes nodes by
// id when asked and carries out the actions asked of them. Nothing is copied
// ahead of a question, so nothing can go stale; change notifications travel
// the other way through WindowSystem::AxNotify.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/geometry.h"

namespace quillmar::ws {

// A node of a window's tree; the window itself is the provider's RootNode().
using AxNodeId = int32_t;

enum class AxRole : uint8_t {
  Unknown,
  Frame,   // a top-level window
  Window,  // a top-level window that is no frame (a menu's popup)
  Alert,   // a message box
  Panel,   // a plain container
  PushButton,
  Label,
  StatusBar,  // a label whose changes are announced
  Entry,      // one- or multi-line text box
  PasswordText,
  Table,
  ScrollBar,
  Menu,
  MenuItem,
  Picture,
  ToolTip,
  Separator,
};

// State bits of a node.
namespace AxState {
inline constexpr uint32_t Focused = 1u << 0;
inline constexpr uint32_t Focusable = 1u << 1;
inline constexpr uint32_t Selected = 1u << 2;
inline constexpr uint32_t Selectable = 1u << 3;
inline constexpr uint32_t Enabled = 1u << 4;
inline constexpr uint32_t Visible = 1u << 5;
inline constexpr uint32_t Showing = 1u << 6;  // visible and every ancestor visible
inline constexpr uint32_t Checked = 1u << 7;
inline constexpr uint32_t Pressed = 1u << 8;
inline constexpr uint32_t Editable = 1u << 9;
inline constexpr uint32_t MultiLine = 1u << 10;
inline constexpr uint32_t SingleLine = 1u << 11;
inline constexpr uint32_t Horizontal = 1u << 12;
inline constexpr uint32_t Vertical = 1u << 13;
inline constexpr uint32_t Active = 1u << 14;  // the window has the keyboard
}  // namespace AxState

// Which of the optional readings a node answers (AxProvider::Text, Value, Table).
namespace AxFacet {
inline constexpr uint32_t Text = 1u << 0;
inline constexpr uint32_t EditableText = 1u << 1;
inline constexpr uint32_t Value = 1u << 2;
inline constexpr uint32_t Table = 1u << 3;
inline constexpr uint32_t Action = 1u << 4;
inline constexpr uint32_t Selection = 1u << 5;  // one of its items can be the selected one (a menu)
}  // namespace AxFacet

// The description every node gives.
struct AxNode {
  AxRole role = AxRole::Unknown;
  std::string name;                  // UTF-8
  std::string description;           // UTF-8 (a tip, a message box's text)
  uint32_t states = 0;               // AxState bits
  uint32_t facets = 0;               // AxFacet bits
  Rect bounds;                       // screen coordinates
  std::vector<AxNodeId> children;    // paint order: bottom-most first
  AxNodeId parent = 0;               // 0 for the root
  AxNodeId labelledBy = 0;           // a label naming the node, 0 for none
  std::vector<std::string> actions;  // what DoAction(index) does ("click")
  bool live = false;                 // changes are announced without focus (a status line)
  // Parts the node draws itself rather than as elements (a menu's items), read
  // with AxProvider::Item; they come before the element children.
  int32_t items = 0;
  int32_t selectedItem = -1;  // -1: none
};

// The text of a text node in UTF-16 units, as the program counts them. A
// password box gives its mask, never its content.
struct AxText {
  std::u16string text;
  int32_t caret = 0;
  int32_t selectionStart = 0;  // equal to selectionEnd when nothing is selected
  int32_t selectionEnd = 0;
};

// A value within a range (a scroll bar's position).
struct AxValue {
  double minimum = 0;
  double maximum = 0;
  double current = 0;
  double step = 1;
};

// The shape of a table; cell texts are asked for one at a time.
struct AxTable {
  int32_t rows = 0;
  int32_t columns = 0;
  std::vector<std::string> columnTitles;  // UTF-8
  int32_t selectedRow = -1;
  int32_t rowHeight = 0;  // of a row when they are uniform, else 0 (bounds come from CellBounds)
};

enum class AxEventKind : uint8_t {
  Focus,             // node gained the keyboard focus
  NameChanged,       // the name (a label's text) changed
  TextInserted,      // position, length in UTF-16 units, text
  TextDeleted,       // position, length, text
  CaretMoved,        // position
  SelectionChanged,  // the text selection or the table's selected row
  RowsInserted,      // position (first row), length (count)
  RowsDeleted,
  StateChanged,  // state (one AxState bit), on
  ValueChanged,
  ChildrenChanged,
  BoxOpened,     // a message box is up, with its text and buttons
  ItemSelected,  // position: the item that is now the selected one (-1: none)
  DescriptionChanged,
};

struct AxEvent {
  AxEventKind kind = AxEventKind::Focus;
  AxNodeId node = 0;
  int32_t position = 0;
  int32_t length = 0;
  std::u16string text;
  uint32_t state = 0;
  bool on = false;

  static AxEvent Make(AxEventKind kind, int32_t position = 0, int32_t length = 0) {
    AxEvent e;
    e.kind = kind;
    e.position = position;
    e.length = length;
    return e;
  }
  static AxEvent State(uint32_t state, bool on) {
    AxEvent e = Make(AxEventKind::StateChanged);
    e.state = state;
    e.on = on;
    return e;
  }
  static AxEvent Text(AxEventKind kind, int32_t position, std::u16string text) {
    AxEvent e = Make(kind, position, static_cast<int32_t>(text.size()));
    e.text = std::move(text);
    return e;
  }
};

class AxProvider {
 public:
  virtual ~AxProvider() = default;

  virtual AxNodeId RootNode() const = 0;
  // The node's description; none when the node is gone.
  virtual std::optional<AxNode> Node(AxNodeId id) const = 0;
  virtual std::optional<AxText> Text(AxNodeId /*id*/) const { return {}; }
  virtual std::optional<AxValue> Value(AxNodeId /*id*/) const { return {}; }
  virtual std::optional<AxTable> Table(AxNodeId /*id*/) const { return {}; }
  // A cell's text (UTF-8) and screen rectangle; empty for a cell that is not there.
  virtual std::string CellText(AxNodeId /*id*/, int32_t /*row*/, int32_t /*column*/) const { return {}; }
  virtual Rect CellBounds(AxNodeId /*id*/, int32_t /*row*/, int32_t /*column*/) const { return {}; }
  // One of a node's own items (role, name, states, bounds, actions); none past the last.
  virtual std::optional<AxNode> Item(AxNodeId /*id*/, int32_t /*index*/) const { return {}; }

  // Requests; each answers whether it was taken. Actions run after the call
  // returns (a click may open a modal box, and the asker must not wait on it).
  virtual bool DoAction(AxNodeId /*id*/, int32_t /*index*/) { return false; }
  virtual bool SetFocus(AxNodeId /*id*/) { return false; }
  // Replaces units [start, end) of an editable text with text (UTF-16).
  virtual bool EditText(AxNodeId /*id*/, int32_t /*start*/, int32_t /*end*/, const std::u16string& /*text*/) {
    return false;
  }
  virtual bool SetCaret(AxNodeId /*id*/, int32_t /*position*/) { return false; }
  virtual bool SetTextSelection(AxNodeId /*id*/, int32_t /*start*/, int32_t /*end*/) { return false; }
  virtual bool SelectRow(AxNodeId /*id*/, int32_t /*row*/) { return false; }
  virtual bool SetValue(AxNodeId /*id*/, double /*value*/) { return false; }
  virtual bool DoItemAction(AxNodeId /*id*/, int32_t /*item*/, int32_t /*index*/) { return false; }
  // Makes an item the selected one; -1 selects none.
  virtual bool SelectItem(AxNodeId /*id*/, int32_t /*item*/) { return false; }
};

}  // namespace quillmar::ws
