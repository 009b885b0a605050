#!/usr/bin/env bash
# Fails when a platform or toolkit header is included outside platform/, or when
# a lower layer includes a higher one (arrows point down: app -> ui -> platform; net stands apart).
set -u
root=${1:-.}
cd "$root" || exit 2
fail=0
leak=$(grep -rnE '#\s*include\s*[<"](gtk/|gdk/|cairo|pango|glib|gio/|gdk-pixbuf|X11/|fontconfig|gif_lib|windows\.h|gdiplus)' app ui net tools 2>/dev/null)
if [ -n "$leak" ]; then echo "platform headers outside platform/:"; echo "$leak"; fail=1; fi
up=$(grep -rnE '#\s*include\s*"(app|tools)/' ui net platform 2>/dev/null)
if [ -n "$up" ]; then echo "lower layer includes app/ or tools/:"; echo "$up"; fail=1; fi
up=$(grep -rnE '#\s*include\s*"ui/' net platform 2>/dev/null)
if [ -n "$up" ]; then echo "net/ or platform/ includes ui/:"; echo "$up"; fail=1; fi
up=$(grep -rnE '#\s*include\s*"(ui|platform)/' net 2>/dev/null)
if [ -n "$up" ]; then echo "net/ includes UI or platform code:"; echo "$up"; fail=1; fi
exit $fail
