#!/usr/bin/env bash
# The packages as a user gets them, each program run from the installed files only.
#   test-package.sh deb   the Debian package from the linux preset: lintian, dpkg -i, the
#                         programs, the manual pages, the completion, the menu entry's file
#                         types, then dpkg -r. Installs into this system, so it needs root, and
#                         leaves alone a bramblet package that was installed before.
#   test-package.sh zip   the Windows archive from the windows preset, unpacked and run under
#                         Wine (source scripts/wine-env.sh and wine_start first).
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

case ${1:-} in
  deb) test_deb ;;
  zip) test_zip ;;
  *)
    echo "usage: test-package.sh deb|zip" >&2
    exit 2
    ;;
esac
echo "package test ($1): $failures failed"
((failures == 0))
