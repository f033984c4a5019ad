# Shared by the scripts that run Windows programs under Wine: the project's own prefix,
# created on first use, a display, and a persistent wine server whose services are started
# away from the caller's pipes (otherwise they hold CTest's output pipe open and it hangs).
# Source it; it defines orvane_wine_ready, which prepares everything idempotently.

orvane_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
export WINEPREFIX="${ORVANE_WINEPREFIX:-$orvane_root/build/wineprefix}"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
case ":$PATH:" in *:/usr/lib/wine:*) ;; *) export PATH="/usr/lib/wine:$PATH" ;; esac

orvane_log() { [ -n "${ORVANE_QUIET:-}" ] || echo "winrun: $*" >&2; }

# A REGEDIT4 hex(7) value: the single-byte characters of each string, a 00 after each,
# and a final 00.
orvane_multi_sz() {
  local out="" s
  for s in "$@"; do
    out+=$(printf '%s' "$s" | od -An -tx1 -v | tr -s ' \n' ',,' | sed 's/^,//')
    out+="00,"
  done
  printf 'hex(7):%s00' "$out"
}

orvane_write_prefix_reg() {
  local link; link=$(orvane_multi_sz "wqy-microhei.ttc,WenQuanYi Micro Hei")
  local face
  {
    echo 'REGEDIT4'
    echo
    echo '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]'
    for face in "Segoe UI" "Arial" "Microsoft Sans Serif"; do echo "\"$face\"=\"Liberation Sans\""; done
    for face in "Microsoft YaHei UI" "Microsoft YaHei" "SimSun" "SimHei"; do
      echo "\"$face\"=\"WenQuanYi Micro Hei\""
    done
    echo
    echo '[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink]'
    # Wine looks links up by face name, so the bold and italic faces need their own entries
    # (the watermark is always bold).
    for face in "Liberation Sans" "Liberation Sans Bold" "Liberation Sans Italic" "Liberation Sans Bold Italic" \
                "Segoe UI" "Arial" "Tahoma" "Tahoma Bold" "Microsoft Sans Serif" "MS Shell Dlg" "MS Shell Dlg 2"; do
      echo "\"$face\"=$link"
    done
    echo
    echo '[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\Fonts]'
    echo '"Tahoma (TrueType)"="tahoma.ttf"'
    echo '"Tahoma Bold (TrueType)"="tahomabd.ttf"'
    echo '"Marlett (TrueType)"="marlett.ttf"'
    echo
    echo '[HKEY_CURRENT_USER\Software\Wine\Explorer]'
    echo '"Desktop"="Default"'
    echo
    echo '[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]'
    echo '"Default"="1280x900"'
    echo
    echo '[HKEY_CURRENT_USER\Software\Wine\WineDbg]'
    echo '"ShowCrashDialog"=dword:00000000'
  } > "$1"
}

# Bump when the prefix set-up changes, so existing prefixes are made again.
orvane_prefix_version=2

orvane_create_prefix() {
  local stamp="$WINEPREFIX/.orvane-ready"
  [ "$(cat "$stamp" 2>/dev/null)" = "$orvane_prefix_version" ] && return 0
  wineserver -k 2>/dev/null || true
  orvane_log "creating the Wine prefix in $WINEPREFIX"
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  wine64 wineboot -i </dev/null >/dev/null 2>&1
  wineserver -w
  # Debian's Wine does not load its own fonts from where the package puts them.
  mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
  cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
  local reg="$WINEPREFIX/orvane-setup.reg"
  orvane_write_prefix_reg "$reg"
  wine64 regedit /S "Z:$(echo "$reg" | tr / '\\')" </dev/null >/dev/null 2>&1
  wine64 winecfg -v win10 </dev/null >/dev/null 2>&1
  if [ -f /usr/share/vulkan/icd.d/lvp_icd.x86_64.json ]; then
    wine64 reg add 'HKCU\Software\Wine\Direct3D' /v renderer /d vulkan /f </dev/null >/dev/null 2>&1
  fi
  wineserver -w
  echo "$orvane_prefix_version" > "$stamp"
}

# Starts a private Xvfb when no display is set; it stays up for later runs of this prefix.
orvane_ensure_display() {
  [ -n "${DISPLAY:-}" ] && return 0
  local file="$WINEPREFIX/.orvane-display" n
  if [ -f "$file" ]; then
    n=$(cat "$file")
    if [ -e "/tmp/.X11-unix/X$n" ] && kill -0 "$(cat "/tmp/.X$n-lock" 2>/dev/null | tr -d ' ')" 2>/dev/null; then
      export DISPLAY=":$n"; return 0
    fi
  fi
  for n in $(seq 90 140); do
    [ -e "/tmp/.X$n-lock" ] && continue
    setsid Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 9>&- &
    local i
    for i in $(seq 1 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    if [ -e "/tmp/.X11-unix/X$n" ]; then
      echo "$n" > "$file"; export DISPLAY=":$n"; return 0
    fi
  done
  orvane_log "could not start Xvfb"; return 1
}

# Keeps a wine server for the prefix and starts Wine's services with their stdio off our pipes.
orvane_ensure_server() {
  # Fails harmlessly when the prefix's server is already running.
  setsid wineserver -p60 </dev/null >/dev/null 2>&1 9>&- || true
  wine64 cmd /c exit </dev/null >/dev/null 2>&1 9>&- || true
}

orvane_wine_ready() {
  command -v wine64 >/dev/null || "$orvane_root/scripts/ensure-deps"
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    orvane_create_prefix
    orvane_ensure_display
    orvane_ensure_server
  ) 9>"$WINEPREFIX.lock"
  orvane_ensure_display
}
