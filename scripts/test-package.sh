#!/usr/bin/env bash
# The packages as a user gets them, each program run from the installed files only.
#   test-package.sh deb   the Debian package from the linux preset: lintian, dpkg -i, the
#                         programs, the manual pages, the completion, the menu entry's file
#                         types, then dpkg -r. Installs into this system, so it needs root, and
#                         leaves alone a bramblet package that was installed before.
#   test-package.sh zip   the Windows archive from the windows preset, unpacked and run under
#                         Wine (source scripts/wine-env.sh and wine_start first).
#   test-package.sh nsis  the Windows installer from the windows preset, in a Wine prefix and on
#                         an X display of its own: installed silently, the installed programs
#                         run (the window opened by its Start-menu entry and by its file type,
#                         then closed), uninstalled silently, nothing left; once as installed
#                         by default and once with the .mot association.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
work=$(mktemp -d)
cleanup=()
finish() {
  local step
  for step in "${cleanup[@]}"; do eval "$step" || true; done
  rm -rf "$work"
}
trap finish EXIT

failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}
# Says that a step passed, when no check of it failed.
passed=0
ok() {
  ((failures > passed)) || echo "ok: $*"
  passed=$failures
}
# Runs a program from the installed files only: the system's PATH, a fresh home and runtime
# folder, nothing of the source or build folder. A program started in the background with it is
# $! itself, so a signal reaches it.
installed=(env -i -C "$work" PATH=/usr/bin:/bin HOME="$work/home" XDG_RUNTIME_DIR="$work/run"
  LC_ALL=C.UTF-8)

test_deb() {
  if ((EUID != 0)); then
    if [[ -n ${CI:-} ]]; then
      fail "the package test installs into the system and needs root"
      return
    fi
    echo "skipped: the package test installs into the system and needs root"
    return
  fi
  if dpkg-query -W -f='${Status}' bramblet 2>/dev/null | grep -q 'ok installed'; then
    fail "a bramblet package is installed on this system already; remove it (dpkg -r bramblet)" \
      "so that this test can install and remove its own"
    return
  fi
  cmake --build --preset linux --target package >/dev/null
  local deb
  deb=$(ls build/linux/bramblet_*_amd64.deb)
  ok "built ${deb##*/}"

  local tags status=0
  tags=$(lintian --fail-on error "$deb" 2>&1) || status=$?
  tags=$(grep -v 'running with root privileges' <<<"$tags" || true)
  ((status == 0)) || fail "lintian: $tags"
  [[ -z $tags ]] || echo "lintian: $tags"
  ok "lintian finds no error"

  cleanup+=("dpkg -r bramblet >/dev/null 2>&1")
  if ! dpkg -i "$deb" >/dev/null 2>&1; then
    DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=120 -f install -y -qq >/dev/null
  fi
  dpkg-query -W -f='${Status}' bramblet | grep -q 'ok installed' || fail "dpkg -i $deb"
  mkdir -p "$work/home" "$work/run"
  local version sample=/usr/share/doc/bramblet/examples/sample-r8c.mot
  version=$(dpkg-query -W -f='${Version}' bramblet)

  [[ $("${installed[@]}" bramblet-cli --version) == "bramblet-cli $version" ]] ||
    fail "bramblet-cli --version"
  local checked
  checked=$("${installed[@]}" bramblet-cli check "$sample") || fail "bramblet-cli check $sample"
  [[ $checked == *"書込エリア("* ]] || fail "bramblet-cli check printed: $checked"
  ok "bramblet-cli --version and check on the installed example"

  # A whole write through the simulated chip, in real time (about 5 s at 19200 baud).
  "${installed[@]}" bramblet-sim --link "$work/chip" --save "$work/flash.mot" >/dev/null &
  local sim=$!
  cleanup+=("kill $sim 2>/dev/null")
  for _ in $(seq 50); do [[ -e $work/chip ]] && break; sleep 0.1; done
  local written
  written=$("${installed[@]}" bramblet-cli write "$sample" --port "$work/chip" 2>/dev/null) ||
    fail "bramblet-cli write through bramblet-sim: $written"
  [[ ${written##*$'\n'} == "フラッシュ書き込みは無事完了しました" ]] ||
    fail "bramblet-cli write ended with: ${written##*$'\n'}"
  kill "$sim"
  wait "$sim" || fail "bramblet-sim ended with status $?"
  "${installed[@]}" bramblet-cli check "$work/flash.mot" >/dev/null ||
    fail "the simulated chip's flash, saved at its end, is no S-record file"
  ok "bramblet-sim, bramblet-cli write through it, its flash saved"

  # The window under the offscreen platform: it must start (platform plugin, libraries, fonts)
  # and stay up until told to end. Nothing outside the process can close an offscreen window,
  # so the end is SIGTERM.
  "${installed[@]}" QT_QPA_PLATFORM=offscreen Bramblet "$sample" >"$work/window.log" 2>&1 &
  local window=$!
  sleep 3
  if kill -0 "$window" 2>/dev/null; then
    kill -TERM "$window"
    local status=0
    wait "$window" || status=$?
    ((status == 143)) || fail "Bramblet ended with status $status on SIGTERM"
    ok "Bramblet started under the offscreen platform and quit on SIGTERM"
  else
    local status=0
    wait "$window" || status=$?
    fail "Bramblet ended by itself with status $status: $(cat "$work/window.log")"
  fi

  local page warnings
  for page in Bramblet bramblet-cli bramblet-sim kelpin; do
    [[ $("${installed[@]}" man -w "$page") == "/usr/share/man/man1/$page.1.gz" ]] ||
      fail "man does not find the page of $page"
    warnings=$("${installed[@]}" env LC_ALL=C MANWIDTH=80 man --warnings=w -l \
      "/usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
    [[ -z $warnings ]] || fail "man -l $page.1.gz warns: $warnings"
  done
  ok "man -l renders the four pages without a warning"

  "${installed[@]}" bash "$root/tests/dist/completion.sh" bramblet-cli bramblet-sim ||
    fail "bash completion"
  ok "bash loads the completion and completes bramblet-cli wr to write"

  # dpkg's triggers ran: the desktop knows the file types and which program opens them.
  [[ -f /usr/share/mime/text/x-srecord.xml ]] || fail "the MIME database lacks text/x-srecord"
  grep -q '^text/x-srecord=.*bramblet.desktop' /usr/share/applications/mimeinfo.cache ||
    fail "the desktop does not open S-record files with Bramblet"
  ok "the MIME database and the desktop's handlers know the S-record type"

  local rule=/usr/lib/udev/rules.d/60-bramblet-latency.rules
  grep -qx 'ACTION=="add", SUBSYSTEM=="usb-serial", DRIVER=="ftdi_sio", ATTR{latency_timer}="1"' \
    "$rule" || fail "$rule does not set the FTDI adapters' latency timer"
  ok "the udev rule lowers the FTDI adapters' latency timer"

  local files
  files=$(dpkg -L bramblet)
  dpkg -r bramblet >/dev/null
  local file left=""
  while IFS= read -r file; do
    [[ -e $file && ! -d $file ]] && left+=" $file"
  done <<<"$files"
  [[ -z $left ]] || fail "dpkg -r left:$left"
  for file in Bramblet bramblet-cli bramblet-sim kelpin; do
    [[ ! -e /usr/bin/$file ]] || fail "dpkg -r left /usr/bin/$file"
  done
  ok "dpkg -r removed every file"
}

# The README and the manuals as Notepad shows them (the window's manual only with the window).
check_texts() {
  local top=$1 pages="bramblet-cli kelpin" page text
  if [[ -f $top/Bramblet.exe ]]; then
    pages="Bramblet $pages"
  fi
  local listed
  listed=$(cd "$top/doc" && ls | paste -sd' ')
  [[ $listed == "$(sed 's/\([^ ]*\)/\1.txt/g' <<<"$pages")" ]] || fail "doc holds: $listed"
  grep -q $'\r$' "$top/README.txt" || fail "README.txt has no CRLF line ends"
  for page in $pages; do
    text=$top/doc/$page.txt
    [[ -f $text ]] || continue
    [[ $(head -n1 "$text") == $'\xef\xbb\xbf'"${page^^}(1) "* ]] ||
      fail "doc/$page.txt does not begin with its byte-order mark and the page's title"
    if grep -q $'\b' "$text" || grep -qv $'\r$' "$text"; then
      fail "doc/$page.txt has overstrikes or line ends without CR"
    fi
  done
}

test_zip() {
  cmake --build --preset windows --target package >/dev/null
  local zip
  zip=$(ls build/windows/bramblet-*-win64.zip)
  ok "built ${zip##*/}"
  (cd "$work" && cmake -E tar xf "$root/$zip")
  local top=$work/$(basename "$zip" .zip)
  local listed window="" expected="README.txt bramblet-cli.exe doc kelpin.exe"
  if [[ -f $top/Bramblet.exe ]]; then
    window=window expected="Bramblet.exe $expected"
  fi
  listed=$(cd "$top" && ls | paste -sd' ')
  [[ $listed == "$expected" ]] || fail "the archive holds: $listed"
  check_texts "$top"
  ok "the archive holds ${window:+the window, }the console programs, the README and the manuals"
  local version
  version=$(cd "$work" && wine "$top/bramblet-cli.exe" --version 2>/dev/null) ||
    fail "bramblet-cli.exe --version under Wine"
  [[ $version == "bramblet-cli "[0-9]* ]] || fail "bramblet-cli.exe --version printed: $version"
  ok "bramblet-cli.exe --version from the unpacked archive under Wine: $version"
}

# The data of a registry value (the default one without NAME); status 1 when it does not exist.
reg_value() {
  local out
  if [[ -n ${2:-} ]]; then
    out=$(wine reg query "$1" /v "$2" 2>/dev/null) || return 1
  else
    out=$(wine reg query "$1" /ve 2>/dev/null) || return 1
  fi
  out=${out//$'\r'/}
  sed -n 's/^    .*    REG_[A-Z_]*    //p; s/^    .*    REG_[A-Z_]*$//p' <<<"$out" | head -n1
}
reg_exists() { wine reg query "$1" >/dev/null 2>&1; }

window_title='^<R8C/M16C Talvoro2>  Orvane$'
# The window's X id and process, once it is shown (30 s at most on a busy machine): Wine makes
# its X window, named, when the window is created, and maps it only when it is shown.
find_window() {
  local _
  for _ in $(seq 300); do
    window_id=$(xdotool search --onlyvisible --name "$window_title" 2>/dev/null | head -n1) || true
    if [[ -n $window_id ]]; then
      window_pid=$(xdotool getwindowpid "$window_id")
      return 0
    fi
    sleep 0.1
  done
  return 1
}
# The program's arguments as Wine parsed its command line, one a line.
window_arguments() { tr '\0' '\n' <"/proc/$window_pid/cmdline" | sed '/^$/d'; }
# Alt+F4 as a user closes it; the process must end by itself within 10 s.
close_window() {
  timeout 10 xdotool windowfocus --sync "$window_id" key alt+F4 || return 1
  local _
  for _ in $(seq 100); do
    kill -0 "$window_pid" 2>/dev/null || return 0
    sleep 0.1
  done
  kill "$window_pid" 2>/dev/null || true
  return 1
}

uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Bramblet'
# A folder on drive C: as this system names it.
unix_path() {
  local path=${1#C:\\}
  echo "$WINEPREFIX/drive_c/${path//\\//}"
}
# A silent installation: $1 the folder (empty: the installer's default), then more options.
nsis_install() {
  local folder=$1
  shift
  local args=(/S "$@")
  [[ -n $folder ]] && args+=("/D=$folder")
  wine 'C:\bramblet-setup.exe' "${args[@]}"
}
# A silent removal by the installed uninstaller. It copies itself into the temporary folder,
# starts the copy with _?= and the installation's folder and returns at once; the copy does the
# work and is waited for (30 s at most).
nsis_uninstall() {
  local folder=$1 dir
  dir=$(unix_path "$folder")
  wine "$folder\\Uninstall.exe" /S || return 1
  local seen="" _
  for _ in $(seq 300); do
    if [[ $(ps -ww -eo args=) == *"_?=$folder\\"* ]]; then
      seen=yes
    elif [[ -n $seen || ! -e $dir/Uninstall.exe ]]; then
      return 0
    fi
    sleep 0.1
  done
  return 1
}

# One silent installation, its programs run, and its removal. $1: the folder (empty: the
# installer's default), $2: the installer's options beyond /S.
nsis_round() {
  local folder=${1:-'C:\Program Files\Bramblet'} options=$2
  local dir label="${options:-default} into $folder"
  dir=$(unix_path "$folder")
  local associated="" association="no association" opener="its Start-menu entry"
  if [[ $options == *ASSOCIATE* && -n $window ]]; then
    associated=yes association="the association" opener="a double-click on a .mot file"
  fi

  nsis_install "$1" $options || fail "the installer ($label) ended with status $?"
  local listed
  listed=$(cd "$dir" 2>/dev/null && find . -type f | sed 's|^\./||' | LC_ALL=C sort |
    paste -sd' ') || true
  [[ $listed == "$expected_files" ]] || fail "$label installed: $listed"

  local key=$uninstall_key
  [[ $(reg_value "$key" DisplayName) == Bramblet ]] || fail "$label: no DisplayName in $key"
  [[ $(reg_value "$key" DisplayVersion) == "$version" ]] || fail "$label: DisplayVersion"
  [[ $(reg_value "$key" InstallLocation) == "$folder" ]] || fail "$label: InstallLocation"
  [[ $(reg_value "$key" UninstallString) == "\"$folder\\Uninstall.exe\"" ]] ||
    fail "$label: UninstallString is $(reg_value "$key" UninstallString)"
  [[ $(reg_value "$key" QuietUninstallString) == "\"$folder\\Uninstall.exe\" /S" ]] ||
    fail "$label: QuietUninstallString"

  # Installed for every user: the common Start menu, nothing in the user's own.
  local menu=$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs
  local own_menu
  own_menu=$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Microsoft/Windows/Start\ Menu
  if [[ -n $window ]]; then
    [[ -f $menu/Bramblet.lnk ]] || fail "$label: no Bramblet.lnk in the common Start menu"
  else
    ! compgen -G "$menu/*Bramblet*" >/dev/null ||
      fail "$label: a Start-menu entry without the window"
  fi
  [[ -z $(find "$own_menu" -iname '*bramblet*') ]] ||
    fail "$label: an entry in the user's Start menu"

  if [[ -n $associated ]]; then
    [[ $(reg_value 'HKCR\.mot') == Bramblet.mot ]] || fail "$label: .mot is not Bramblet's"
    local command
    command=$(reg_value 'HKCR\Bramblet.mot\shell\open\command') || true
    [[ $command == "\"$folder\\Bramblet.exe\" \"%1\"" ]] ||
      fail "$label: the open command is $command"
  else
    ! reg_exists 'HKCR\.mot' || fail "$label: .mot is associated: $(reg_value 'HKCR\.mot')"
    ! reg_exists 'HKCR\Bramblet.mot' || fail "$label: made the Bramblet.mot file type"
  fi
  ok "$label: the files, the uninstall entry, ${window:+the Start-menu entry, }$association"

  if [[ -z $options ]]; then
    [[ $(cd "$work" && wine "$folder\\bramblet-cli.exe" --version) == "bramblet-cli $version" ]] ||
      fail "$label: the installed bramblet-cli.exe --version"
    # Kelpin in a folder without patch folders, in a prefix without the vendor's tools.
    mkdir -p "$work/empty"
    local said status=0
    said=$(cd "$work/empty" && timeout 60 wine "$folder\\kelpin.exe" </dev/null |
      iconv -f CP932 -t UTF-8 | tr -d '\r') || status=$?
    ((status == 0)) || fail "$label: the installed kelpin.exe ended with status $status"
    [[ ${said%%$'\n'*} == "Kelpin Installer" && $said == *$'\n'"HEW not installed!!"$'\n'* &&
      ${said##*$'\n'} == $'\a''何かキーを押してください!!' ]] ||
      fail "$label: the installed kelpin.exe printed: $said"
    ok "$label: bramblet-cli.exe --version and kelpin.exe run from the installed folder"
  fi

  if [[ -n $window ]]; then
    # Opened as a user opens it: by its Start-menu entry, or with a double-click on a file (a
    # name with a space, which must arrive as one argument).
    local opened=(wine start 'C:\ProgramData\Microsoft\Windows\Start Menu\Programs\Bramblet.lnk')
    local expected_args=$folder'\Bramblet.exe'
    if [[ -n $associated ]]; then
      mkdir -p "$WINEPREFIX/drive_c/S files"
      cp samples/sample-r8c.mot "$WINEPREFIX/drive_c/S files/sample r8c.mot"
      opened=(wine start 'C:\S files\sample r8c.mot')
      expected_args+=$'\n''C:\S files\sample r8c.mot'
    fi
    "${opened[@]}" || fail "$label: ${opened[*]}"
    if find_window; then
      [[ $(window_arguments) == "$expected_args" ]] ||
        fail "$label: the window was started as: $(window_arguments | paste -sd'|')"
      close_window || fail "$label: Bramblet.exe did not end within 10 s of Alt+F4"
      ok "$label: Bramblet.exe opened by $opener, closed by Alt+F4"
    else
      fail "$label: no window titled $window_title within 30 s"
    fi
  fi

  nsis_uninstall "$folder" || fail "$label: the uninstaller failed or did not end within 30 s"
  [[ ! -e $dir ]] || fail "$label: left $(cd "$dir" && find . | paste -sd' ')"
  ! compgen -G "$menu/*Bramblet*" >/dev/null || fail "$label: left the Start-menu entry"
  ! reg_exists "$key" || fail "$label: left $key"
  local class
  for class in 'HKCR\.mot' 'HKCR\Bramblet.mot' 'HKCU\Software\Classes\.mot' \
    'HKCU\Software\Classes\Bramblet.mot'; do
    ! reg_exists "$class" || fail "$label: left $class"
  done
  ok "$label: the uninstaller removed the folder, the entries and the keys"
}

# .mot belonged to another program: the association takes it, a silent update keeps it, the
# removal gives it back.
nsis_other_owner() {
  local folder='C:\Program Files\Bramblet' label="/ASSOCIATE over another program's .mot"
  wine reg add 'HKCR\.mot' /ve /d Other.mot /f >/dev/null
  nsis_install "" /ASSOCIATE || fail "$label: the installer ended with status $?"
  [[ $(reg_value 'HKCR\.mot') == Bramblet.mot ]] || fail "$label: .mot is not Bramblet's"
  nsis_install "" || fail "$label: the second installer ended with status $?"
  [[ $(reg_value 'HKCR\.mot') == Bramblet.mot ]] ||
    fail "$label: a silent installation over it dropped the association"
  nsis_uninstall "$folder" || fail "$label: the uninstaller failed or did not end within 30 s"
  [[ $(reg_value 'HKCR\.mot') == Other.mot ]] ||
    fail "$label: after the removal .mot is $(reg_value 'HKCR\.mot')"
  ! reg_exists 'HKCR\Bramblet.mot' || fail "$label: left HKCR\\Bramblet.mot"
  ! reg_exists 'HKCR\.mot\OpenWithProgids' || fail "$label: left HKCR\\.mot\\OpenWithProgids"
  wine reg delete 'HKCR\.mot' /f >/dev/null
  ok "$label: kept by a silent reinstallation, given back by the removal"
}

test_nsis() {
  cmake --build --preset windows --target package >/dev/null
  local setup zip
  setup=$(ls build/windows/bramblet-*-win64.exe)
  zip=${setup%.exe}.zip
  version=${setup##*/bramblet-}
  version=${version%-win64.exe}
  ok "built ${setup##*/}, $(($(stat -c %s "$setup") / 1024)) KB"
  # The installer puts into its folder what the archive holds, and its uninstaller.
  expected_files=$( (cmake -E tar tf "$zip" | sed 's|^[^/]*/||; /\/$/d; /^$/d'
    echo Uninstall.exe) | LC_ALL=C sort | paste -sd' ')
  window=""
  [[ " $expected_files " == *" Bramblet.exe "* ]] && window=window

  # A prefix and a display of this test's own, so nothing of it reaches the other tests.
  source scripts/wine-env.sh
  export WINEPREFIX=$work/prefix
  wine_display_start
  cleanup+=("wine_display_stop")
  cleanup=("wineserver -k 2>/dev/null; wineserver -w 2>/dev/null" "${cleanup[@]}")
  wine_start
  wine_session_hold
  if [[ -n $window ]]; then
    wine_prepare_windows
  fi
  cp "$setup" "$WINEPREFIX/drive_c/bramblet-setup.exe"
  ok "a fresh Wine prefix on display $DISPLAY"

  # The default: programs, manuals and the Start-menu entry, and no association.
  nsis_round 'C:\Tools\Bramblet' ""
  # The association chosen, into the default folder (a name with a space).
  nsis_round "" /ASSOCIATE
  if [[ -n $window ]]; then
    nsis_other_owner
  fi
}

case ${1:-} in
  deb) test_deb ;;
  zip) test_zip ;;
  nsis) test_nsis ;;
  *)
    echo "usage: test-package.sh deb|zip|nsis" >&2
    exit 2
    ;;
esac
echo "package test ($1): $failures failed"
((failures == 0))
