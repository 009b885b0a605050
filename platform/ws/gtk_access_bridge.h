#pragma once
// GtkAccessBridge: the GTK backend's side of accessibility. It gives each
// program window an ATK accessible whose children are the window's nodes,
// makes one ATK object per node the first time assistive technology asks for
// it (cells of a table included), answers every question from the window's
// AxProvider, and turns the program's notifications into ATK signals for the
// objects a reader has seen. Include only from platform/ws.

#include <gtk/gtk.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <utility>

#include "platform/ws/ax_provider.h"
#include "platform/ws/types.h"

namespace quillmar::ws {

class GtkAccessBridge {
 public:
  static GtkAccessBridge& Instance();

  // The toplevel widget type whose accessible lists the window's nodes.
  static GType WindowWidgetType();
  void AddWindow(WindowHandle hwnd, GtkWidget* widget);
  // The window is going: its objects turn defunct and are let go.
  void RemoveWindow(WindowHandle hwnd);

  // Whether a reader has asked for any node yet.
  bool Active() const { return active_; }
  void Notify(WindowHandle hwnd, const AxEvent& event);

  // A new reference to the object of a node (row and column -1), of a cell,
  // or of a column header (row kHeaderRow); null when the window is unknown.
  static constexpr int32_t kHeaderRow = -2;
  // The column of an item's object (a menu item): the row is the item's index.
  static constexpr int32_t kItemColumn = -3;
  AtkObject* Ref(WindowHandle hwnd, AxNodeId id, int32_t row = -1, int32_t column = -1);
  // The window's own accessible (not a new reference), or null.
  AtkObject* WindowObject(WindowHandle hwnd) const;
  // The provider behind a window, when it still has one.
  static AxProvider* ProviderOf(WindowHandle hwnd);

 private:
  GtkAccessBridge() = default;
  AtkObject* Find(WindowHandle hwnd, AxNodeId id, int32_t row = -1, int32_t column = -1) const;
  // Lets go of the cached cells of rows from `rows` on (the header cells stay).
  void DropCellsFrom(WindowHandle hwnd, AxNodeId table, int32_t rows);
  // Moves the selected and focused states from the item announced before to `item`.
  void SelectItem(WindowHandle hwnd, AxNodeId id, int32_t item);
  // An idle callback: the focused state of every window's focused node, for a reader that
  // has just begun to read.
  static gboolean AnnounceFocus(gpointer unused);

  using Key = std::tuple<WindowHandle, AxNodeId, int32_t, int32_t>;
  std::map<Key, AtkObject*> objects_;  // one reference each
  std::map<WindowHandle, GtkWidget*> widgets_;
  std::map<WindowHandle, AxNodeId> focused_;
  std::map<std::pair<WindowHandle, AxNodeId>, int32_t> selectedItems_;  // the item last announced as selected
  bool active_ = false;
};

// The instance data of a node object; the type functions live in gtk_access_node.cpp.
struct GtkAxNode {
  AtkObject parent;
  WindowHandle hwnd;
  AxNodeId id;
  int32_t row;     // -1 for an element, else a cell's row (GtkAccessBridge::kHeaderRow for a header) or an item's index
  int32_t column;  // -1 for an element, GtkAccessBridge::kItemColumn for an item
};

namespace gtk_ax {
// The GType of an element node answering the given facets (AxFacet bits).
GType ElementType(uint32_t facets);
GType CellType();
GType ItemType();
AtkRole AtkRoleOf(AxRole role);
// The node's description now (an item's for an item object); none when it is gone.
std::optional<AxNode> Describe(const GtkAxNode* node);
AxProvider* Provider(const GtkAxNode* node);
// Keeps a string alive on the object until the same slot is set again.
const gchar* Keep(gpointer object, const char* slot, const std::string& text);
// UTF-16 text helpers: code points before unit `units`, and the unit at code point `chars`.
int32_t CharsBefore(const std::u16string& text, int32_t units);
int32_t UnitsBefore(const std::u16string& text, int32_t chars);
int32_t CharCount(const std::u16string& text);
std::string ToUtf8(const std::u16string& text, int32_t fromChar, int32_t toChar);
std::u16string FromUtf8(const char* utf8, gint bytes);
// Interface set-up of the facets (gtk_access_text.cpp, gtk_access_table.cpp).
void InitText(AtkTextIface* iface);
void InitEditableText(AtkEditableTextIface* iface);
void InitValue(AtkValueIface* iface);
void InitTable(AtkTableIface* iface);
void InitSelection(AtkSelectionIface* iface);
void InitItemSelection(AtkSelectionIface* iface);
void InitTableCell(AtkTableCellIface* iface);
}  // namespace gtk_ax

}  // namespace quillmar::ws
