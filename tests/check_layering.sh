#!/usr/bin/env bash
# The layers of the house and the only arrows between them. A folder may include
# from itself and from the folders listed after it; anything else fails. New
# folders join by getting a line here. Library headers have fixed homes too.
set -u
root=${1:-.}
cd "$root" || exit 2

# folder: folders it may include from (arrows point down)
allowed=(
  "base:"
  "net:base"
  "platform:base"
  "ui/gfx:base platform"
  "ui/core:base platform ui/gfx"
  "ui/controls:base platform ui/gfx ui/core"
  "ui/edit:base platform ui/gfx ui/core ui/controls"
  "ui/msgbox:base platform ui/gfx ui/core ui/controls"
  "app:base net platform ui/gfx ui/core ui/controls ui/edit ui/msgbox"
  "app/gallery:base platform ui/gfx ui/core ui/controls ui/edit ui/msgbox app"
  "tools:base net"
)
all_folders="base net platform ui/gfx ui/core ui/controls ui/edit ui/msgbox app tools"

fail=0
sources() { find "$1" -maxdepth 1 -type f \( -name '*.h' -o -name '*.cpp' \) 2>/dev/null; }
for entry in "${allowed[@]}"; do
  folder=${entry%%:*}
  ok="$folder ${entry#*:}"
  # A line for a folder that is gone would check nothing while looking like a rule.
  if [ ! -d "$folder" ]; then echo "no folder $folder/ for its line in the layer list"; fail=1; continue; fi
  for target in $all_folders; do
    case " $ok " in *" $target "*) continue ;; esac
    hits=$(sources "$folder" | xargs -r grep -nE "#\s*include\s*\"$target/[^/]+\"" 2>/dev/null)
    if [ -n "$hits" ]; then echo "$folder/ must not include $target/:"; echo "$hits"; fail=1; fi
  done
done
# platform/ has sub-folders (draw, ws, their backends): check them as platform.
hits=$(grep -rnE '#\s*include\s*"(net|ui|app|tools)/' platform 2>/dev/null)
if [ -n "$hits" ]; then echo "platform/ must include only base/ and platform/:"; echo "$hits"; fail=1; fi

# Toolkit headers only in platform/; curl, PCRE2, iconv and the Windows calls below it only
# in their wrappers.
leak=$(grep -rnE '#\s*include\s*[<"](gtk/|gdk/|cairo|pango|glib|gio/|gdk-pixbuf|X11/|fontconfig|gif_lib|gdiplus|imm\.h|dwmapi|wincodec|windowsx)' \
  base net ui app tools 2>/dev/null)
if [ -n "$leak" ]; then echo "toolkit headers outside platform/:"; echo "$leak"; fail=1; fi
check_home() {  # pattern, allowed files...
  local pattern=$1; shift
  local hits home
  for home in "$@"; do
    [ -f "$home" ] || { echo "no file $home for <$pattern...> to live in"; fail=1; }
  done
  hits=$(grep -rlE "#\s*include\s*<$pattern" base net platform ui app tools 2>/dev/null)
  for f in $hits; do
    local ok=0
    for home in "$@"; do [ "$f" = "$home" ] && ok=1; done
    if [ $ok = 0 ]; then echo "$f includes <$pattern...> outside its wrapper ($*)"; fail=1; fi
  done
}
# The HTTP client's own files (the handles' owners, the shared state, the engine pool).
check_home 'curl/' net/curl_handles.h net/session_share.h net/multi_pool.h
check_home 'pcre2' net/regex_object.cpp
check_home 'iconv' base/code_page_codec_iconv.cpp
check_home 'winhttp' net/http_request_win.cpp
# GDI+, Uniscribe and the shell's memory streams: the drawing layer's Windows files.
check_home 'gdiplus' platform/draw/gdiplus_session.h
check_home 'usp10' platform/draw/text_boundaries_uniscribe.cpp
check_home 'shlwapi' platform/draw/com_stream.cpp
# windows.h: the platform backends, and below them only the system seams of base/ and net/.
windows_seams="base/code_page_codec_win.cpp base/program_arguments_win.cpp net/http_request_win.cpp"
for f in $windows_seams; do [ -f "$f" ] || { echo "no file $f among the system seams"; fail=1; }; done
for f in $(grep -rlE '#\s*include\s*<windows\.h' base net ui app tools 2>/dev/null); do
  case " $windows_seams " in
    *" $f "*) ;;
    *) echo "$f includes <windows.h> outside the system seams"; fail=1 ;;
  esac
done
exit $fail
