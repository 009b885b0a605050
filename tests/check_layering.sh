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
  "platform/sys:base"
  "platform/net:base net"
  "ui/gfx:base platform"
  "ui/core:base platform ui/gfx"
  "ui/controls:base platform ui/gfx ui/core"
  "ui/edit:base platform ui/gfx ui/core ui/controls"
  "ui/msgbox:base platform ui/gfx ui/core ui/controls"
  "app:base net platform ui/gfx ui/core ui/controls ui/edit ui/msgbox"
  "app/gallery:base platform ui/gfx ui/core ui/controls ui/edit ui/msgbox app"
  "tools:base net"
)
all_folders="base net platform platform/sys platform/net ui/gfx ui/core ui/controls ui/edit ui/msgbox app tools"

fail=0
sources() { find "$1" -maxdepth 1 -type f \( -name '*.h' -o -name '*.cpp' \) 2>/dev/null; }
for entry in "${allowed[@]}"; do
  folder=${entry%%:*}
  ok="$folder ${entry#*:}"
  # A line for a folder that is gone would check nothing while looking like a rule.
  if [ ! -d "$folder" ]; then echo "no folder $folder/ for its line in the layer list"; fail=1; continue; fi
  # One search per folder for every folder it must not include. platform/ is one layer with
  # its sub-folders (draw, ws): "platform/ws/x.h" is platform's; platform/sys and platform/net
  # have lines of their own.
  forbidden=()
  for target in $all_folders; do
    case " $ok " in *" $target "*) continue ;; esac
    if [ "$target" = platform ]; then forbidden+=("platform/(draw|ws)"); else forbidden+=("$target"); fi
  done
  [ ${#forbidden[@]} -eq 0 ] && continue
  pattern=$(IFS='|'; echo "${forbidden[*]}")
  hits=$(sources "$folder" | xargs -r grep -nE "#\s*include\s*\"($pattern)/[^/]+\"" 2>/dev/null)
  if [ -n "$hits" ]; then echo "$folder/ must include only ${ok// /, }:"; echo "$hits"; fail=1; fi
done
# platform/ has sub-folders (draw, ws, their backends): check them as platform. The system
# halves of base/ and net/ (sys, net) are built into those libraries: nothing else of
# platform/ may lean on them (their own lines above keep them off the rest).
hits=$(grep -rnE '#\s*include\s*"(net|ui|app|tools|platform/(sys|net))/' platform --exclude-dir=sys --exclude-dir=net \
  2>/dev/null)
if [ -n "$hits" ]; then echo "platform/ must include only base/ and platform/:"; echo "$hits"; fail=1; fi

# Toolkit headers only in platform/; curl, PCRE2 and iconv only in their wrappers.
leak=$(grep -rnE '#\s*include\s*[<"](gtk/|gdk/|cairo|pango|glib|gio/|gdk-pixbuf|X11/|fontconfig|gif_lib)' \
  base net ui app tools 2>/dev/null)
if [ -n "$leak" ]; then echo "toolkit headers outside platform/:"; echo "$leak"; fail=1; fi
# The system's own headers (Win32 and its libraries) only in platform/, and in the tests of
# platform/ that drive it; the tests of the layers above see the system through them.
windows_headers='win[a-z0-9_]*|ws2[a-z0-9_]*|shellapi|shlobj|shlwapi|shobjidl|imm|dwmapi|uxtheme|usp10|gdiplus[a-z]*'
windows_headers+='|objbase|objidl|ole2|oleauto|olectl|oleacc|ocidl|commctrl|commdlg|mmsystem|timeapi|combaseapi|unknwn'
windows_headers+='|uiautomation[a-z]*|versionhelpers|psapi|tlhelp32|dbghelp|knownfolders|d2d1[a-z0-9_]*|dwrite[a-z0-9_]*'
windows_headers+='|dxgi[a-z0-9_]*|direct|io|process'
leak=$(grep -rniE "#\s*include\s*[<\"]($windows_headers)\.h[>\"]" base net ui app tools 2>/dev/null)
leak+=$(find tests -path tests/platform -prune -o -type f \( -name '*.h' -o -name '*.cpp' \) -print 2>/dev/null |
  xargs -r grep -niE "#\s*include\s*[<\"]($windows_headers)\.h[>\"]" 2>/dev/null)
if [ -n "$leak" ]; then echo "system headers outside platform/:"; echo "$leak"; fail=1; fi
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
check_home 'iconv' platform/sys/code_page_codec_iconv.cpp
check_home 'winhttp' platform/net/http_request_winhttp.cpp
# GDI+, Uniscribe and the shell's memory streams: the drawing layer's Windows files.
check_home 'gdiplus' platform/draw/gdiplus_session.h
check_home 'usp10' platform/draw/text_boundaries_uniscribe.cpp
check_home 'shlwapi' platform/draw/com_stream.cpp
exit $fail
