#include "platform/ws/gtk_plain_window.h"

#include <gtk/gtk.h>

namespace quillmar::ws {

struct GtkPlainWindow::Impl {
  GtkWidget* window = nullptr;
  int draws = 0;
  static gboolean OnDraw(GtkWidget*, cairo_t*, gpointer data) {
    ++static_cast<Impl*>(data)->draws;
    return FALSE;
  }
};

GtkPlainWindow::GtkPlainWindow(const Rect& frame, const std::vector<Rect>& buttons,
                               const std::vector<std::string>& labels)
    : impl_(std::make_unique<Impl>()) {
  GtkWidget* w = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  impl_->window = w;
  gtk_window_set_decorated(GTK_WINDOW(w), FALSE);
  gtk_window_set_default_size(GTK_WINDOW(w), frame.width, frame.height);
  gtk_window_move(GTK_WINDOW(w), frame.x, frame.y);
  GtkWidget* fixed = gtk_fixed_new();
  for (size_t i = 0; i < buttons.size(); ++i) {
    GtkWidget* button = gtk_button_new_with_label(i < labels.size() ? labels[i].c_str() : "");
    gtk_widget_set_size_request(button, buttons[i].width, buttons[i].height);
    gtk_fixed_put(GTK_FIXED(fixed), button, buttons[i].x, buttons[i].y);
  }
  gtk_container_add(GTK_CONTAINER(w), fixed);
  g_signal_connect(w, "draw", G_CALLBACK(&Impl::OnDraw), impl_.get());
  gtk_widget_show_all(w);
}

GtkPlainWindow::~GtkPlainWindow() {
  g_signal_handlers_disconnect_by_data(impl_->window, impl_.get());
  gtk_widget_destroy(impl_->window);
}

int GtkPlainWindow::Draws() const { return impl_->draws; }

}  // namespace quillmar::ws
