# Sourced: a private Wine prefix inside the Windows build folder, kept warm so that every test
# process starts in about 50 ms instead of 2.4 s.
export WINEPREFIX="${WINEPREFIX:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build/windows/wineprefix}"
export WINEDEBUG=-all
# Wine turns command-line arguments and file names into UTF-16 by the locale: without a UTF-8
# one, Japanese names arrive garbled.
export LC_ALL=C.UTF-8
# No Mono or Gecko installer prompts in a fresh prefix, and no menu entries or file types made
# on this system's desktop for the shortcuts and associations that programs create in it.
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
wine_start() {
  mkdir -p "$WINEPREFIX"
  # A server that is already up refuses -p; then it is warm already.
  wineserver -p 120 2>/dev/null || true
  if [[ ! -f $WINEPREFIX/system.reg ]]; then
    wineboot -i >/dev/null 2>&1 || true
  fi
  wine cmd /c exit >/dev/null 2>&1 || true
}
wine_stop() {
  wineserver -k 2>/dev/null || true
}

# A display for programs with windows. Xvfb chooses a free display number itself (-displayfd)
# and writes it once it accepts clients, so no number is guessed and no start-up time is waited.
# Sets DISPLAY; wine_display_stop ends that server and gives DISPLAY back.
wine_display_start() {
  if [[ -n ${WINE_XVFB_PID:-} ]] && kill -0 "$WINE_XVFB_PID" 2>/dev/null; then
    return 0
  fi
  local number
  number=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$number" >/dev/null 2>&1 &
  WINE_XVFB_PID=$!
  local _
  for _ in $(seq 200); do
    [[ -s $number ]] && break
    kill -0 "$WINE_XVFB_PID" 2>/dev/null || break
    sleep 0.05
  done
  if [[ ! -s $number ]]; then
    rm -f "$number"
    kill "$WINE_XVFB_PID" 2>/dev/null || true
    unset WINE_XVFB_PID
    echo "wine_display_start: Xvfb did not start (bash scripts/setup.sh windows)" >&2
    return 1
  fi
  WINE_SAVED_DISPLAY=${DISPLAY-}
  export DISPLAY=:$(head -n1 "$number")
  rm -f "$number"
}
wine_display_stop() {
  [[ -n ${WINE_XVFB_PID:-} ]] || return 0
  kill "$WINE_XVFB_PID" 2>/dev/null || true
  wait "$WINE_XVFB_PID" 2>/dev/null || true
  unset WINE_XVFB_PID
  if [[ -n ${WINE_SAVED_DISPLAY:-} ]]; then
    export DISPLAY=$WINE_SAVED_DISPLAY
  else
    unset DISPLAY
  fi
}

# What a program with windows needs in the prefix, once (after wine_start): with no window
# manager, Wine waits 2.2 s in every DestroyWindow unless it leaves the windows unmanaged; Debian's
# Wine does not look for its own fonts where the package puts them; Japanese text needs the
# Windows Japanese font names mapped to IPAPGothic, and the default GUI font and the caption font
# linked to it, or every glyph is an empty box. A program that crashes ends at once instead of
# waiting on the display for someone to close Wine's crash dialog. The last value written is
# looked up first, so a prepared prefix costs one reg query.
wine_prepare_windows() {
  local link='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink'
  local fonts=$WINEPREFIX/drive_c/windows/Fonts
  local debugger='HKCU\Software\Wine\WineDbg'
  if [[ -f $fonts/tahoma.ttf ]] &&
    wine reg query "$debugger" /v ShowCrashDialog >/dev/null 2>&1; then
    return 0
  fi
  if [[ ! -f /usr/share/wine/fonts/tahoma.ttf ]]; then
    echo "wine_prepare_windows: Wine's fonts are missing (bash scripts/setup.sh windows)" >&2
    return 1
  fi
  mkdir -p "$fonts"
  cp /usr/share/wine/fonts/* "$fonts/"
  local substitutes='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes'
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null &&
    wine reg add "$substitutes" /v "MS UI Gothic" /d IPAPGothic /f >/dev/null &&
    wine reg add "$substitutes" /v "ＭＳ Ｐゴシック" /d IPAPGothic /f >/dev/null &&
    wine reg add "$link" /v Tahoma /t REG_MULTI_SZ /d 'ipagp.ttf,IPAPGothic\0ipag.ttf,IPAGothic' \
      /f >/dev/null &&
    wine reg add "$link" /v "Tahoma Bold" /t REG_MULTI_SZ \
      /d 'ipagp.ttf,IPAPGothic\0ipag.ttf,IPAGothic' /f >/dev/null &&
    wine reg add "$debugger" /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null
}

# Holds the prefix's session open (after wine_start) with an idle process. When the last program
# of a prefix ends, Wine stops the prefix's services; a window opened while they stop waits 10 s
# for RpcSs. Closing one window and opening the next, as window tests do, would pay that each
# time. wine_session_release ends the idle process.
wine_session_hold() {
  if [[ -n ${WINE_HOLD_PID:-} ]] && kill -0 "$WINE_HOLD_PID" 2>/dev/null; then
    return 0
  fi
  local fifo
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  # cmd reads commands from the pipe, whose writing end stays open here: it waits for ever.
  wine cmd /q /k <"$fifo" >/dev/null 2>&1 &
  WINE_HOLD_PID=$!
  exec {WINE_HOLD_FD}>"$fifo"
  rm -f "$fifo"
}
wine_session_release() {
  [[ -n ${WINE_HOLD_PID:-} ]] || return 0
  # Programs started since hold the pipe too, so its end alone may not reach cmd.
  exec {WINE_HOLD_FD}>&-
  kill "$WINE_HOLD_PID" 2>/dev/null || true
  wait "$WINE_HOLD_PID" 2>/dev/null || true
  unset WINE_HOLD_PID WINE_HOLD_FD
}
