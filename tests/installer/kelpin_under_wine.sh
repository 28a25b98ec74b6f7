#!/usr/bin/env bash
# Kelpin's Windows build under real Wine: a tool installation in a private prefix (the registry
# value set with "wine reg add", files under drive_c), the patch folders in the current directory,
# standard input at its end. The output, decoded from code page 932, must match; xcopy must have
# copied the files; the run must end.
#   kelpin_under_wine.sh KELPIN_EXE PREFIX_DIR
set -euo pipefail
kelpin=$(realpath "$1")
export WINEPREFIX=$(realpath -m "$2")
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset BIN30 BIN308

wine_call() { timeout "$@"; }
mkdir -p "$WINEPREFIX"
if [[ ! -f $WINEPREFIX/system.reg ]]; then
  wine_call 180 wineboot -i >/dev/null 2>&1 || true
fi
# One server for every call below, stopped at the end.
wine_call 30 wineserver -p 30 2>/dev/null || true
trap 'timeout 30 wineserver -k 2>/dev/null || true' EXIT

c=$WINEPREFIX/drive_c
rm -rf "$c/Renesas" "$c/Setup" "$c/WorkSpace" "$c/Set%KELPIN_TEST%up" "$c/SetExpandedup" \
  "$c/Work%KELPIN_TEST%" "$c/WorkExpanded"
hew=$c/Renesas/Hew
nc30=$hew/Tools/Renesas/nc30wa/v530
mkdir -p "$nc30/KD30" "$hew/System/Pg/Renesas/M16c" "$c/Renesas/nc308wa/v520/bin"
printf '[TOOLS]\r\n"Renesas M16C Standard Toolchain" "5.30.00" "a" "b" "c" "C:\\Renesas\\Hew\\Tools\\Renesas\\nc30wa\\v530"\r\n' >"$hew/toolsdb.hdb"
printf '[HEW 4.0 Core]\r\nVersion=4.07.00\r\n' >"$hew/AUM.dat"
# HEW2.INI as UTF-16LE with its byte-order mark, as Wine writes some INI files, and a workspace
# folder that ends in a backslash and does not exist yet.
{ printf '\xFF\xFE'; printf '[WorkspaceSettings_Values]\r\nWorkspaceSettings_Value6=C:\\WorkSpace\\\r\n' |
  iconv -f UTF-8 -t UTF-16LE; } >"$hew/HEW2.INI"
printf '[Toolchain]\r\nToolchain Version 1=5.30.00\r\nGenerate File Folder 1=NC30V530\r\n' \
  >"$hew/System/Pg/Renesas/M16c/PG.ini"
printf '[TOOL]\r\nVersion=5.20.00\r\n' >"$c/Renesas/nc308wa/v520/nc308wa.hrf"
wine_call 60 wine reg add 'HKCR\HEW_Workspace\DefaultIcon' /ve /d 'C:\Renesas\Hew\System\HewWksp.ico,1' /f >/dev/null

setup=$c/Setup
# SAMPLE_PROGRAM\ANY_VER holds a single file: without /i, xcopy would ask whether the missing
# workspace folder is a file or a folder.
mkdir -p "$setup/KELPIN" "$setup/NC30_PATCH/sub" "$setup/NC30_PATCH/empty" \
  "$setup/PG_M16C_PATCH/V5_4/PG" "$setup/SAMPLE_PROGRAM/ANY_VER"
echo kelpin >"$setup/KELPIN/readme.txt"
echo nc30 >"$setup/NC30_PATCH/sub/nc.txt"
echo sample >"$setup/SAMPLE_PROGRAM/ANY_VER/s.c"

out=$(mktemp -d)
# Runs kelpin.exe in the current directory: its output as UTF-8 without CRs in $out/output.
run_kelpin() {
  local status=0
  BIN308='C:\Renesas\nc308wa\v520\bin' wine_call 120 wine "$kelpin" </dev/null >"$out/raw" || status=$?
  [[ $status -eq 0 ]] || { echo "kelpin.exe ended with status $status (124: it did not end)"; exit 1; }
  iconv -f CP932 -t UTF-8 "$out/raw" | tr -d '\r' >"$out/output"
}
cd "$setup"
run_kelpin
bell=$'\a'
cat >"$out/expected" <<END
Kelpin Installer
Scaning R8C/M16C/M32C toolchain and debugger ....

found NC308WA <5.20.00> <C:\Renesas\nc308wa\v520>
HEW ver.4.07.00 installed <C:\Renesas\Hew>
Default Workspace directory <C:\WorkSpace\>
NC30WA ver.5.30.00 installed <C:\Renesas\Hew\Tools\Renesas\nc30wa\v530>
R8C/M16C FoUSB/Serial Debugger not installed!!
KD30 Debugger installed <C:\Renesas\Hew\Tools\Renesas\nc30wa\v530\KD30>
NC308WA ver.5.20.00 installed <C:\Renesas\nc308wa\v520>
M32C FoUSB/Serial Debugger not installed!!
KD3083 Debugger not installed!!

Start copy files...
<xcopy "C:\Setup\KELPIN\*.*" "C:\Renesas\Hew" /s/e/y/f/i>
C:\Setup\KELPIN\readme.txt -> C:\Renesas\Hew\readme.txt
1 file(s) copied
<xcopy "C:\Setup\NC30_PATCH\*.*" "C:\Renesas\Hew\Tools\Renesas\nc30wa\v530" /s/e/y/f/i>
C:\Setup\NC30_PATCH\sub\nc.txt -> C:\Renesas\Hew\Tools\Renesas\nc30wa\v530\sub\nc.txt
1 file(s) copied
このNC30WAのバージョンはサポートされません!!
<xcopy "C:\Setup\SAMPLE_PROGRAM\ANY_VER\*.*" "C:\WorkSpace" /s/e/y/f/i>
C:\Setup\SAMPLE_PROGRAM\ANY_VER\s.c -> C:\WorkSpace\s.c
1 file(s) copied
Kelpinのインストールは終了しました!
${bell}何かキーを押してください!!
END
# The prompt ends without a line feed.
printf '%s' "$(cat "$out/expected")" >"$out/expected"
diff -u "$out/expected" "$out/output"
grep -q $'\r\n' "$out/raw" || { echo "no CR LF line ends"; exit 1; }

[[ $(cat "$hew/readme.txt") == kelpin ]]
[[ $(cat "$nc30/sub/nc.txt") == nc30 ]]
[[ -d $nc30/empty ]]
[[ $(cat "$c/WorkSpace/s.c") == sample ]]

# cmd replaces %KELPIN_TEST% even between quotes, so these copies would read from or write to
# the folders named "Expanded"; they must be refused and nothing copied anywhere.
export KELPIN_TEST=Expanded
refused="パスに%が含まれるため、このフォルダはコピーしません!!"
end="Kelpinのインストールは終了しました!
${bell}何かキーを押してください!!"
printf '[WorkspaceSettings_Values]\r\nWorkspaceSettings_Value6=C:\\Work%%KELPIN_TEST%%\r\n' >"$hew/HEW2.INI"
rm -rf "$setup/KELPIN" "$setup/NC30_PATCH" "$setup/PG_M16C_PATCH"
mkdir -p "$c/WorkExpanded"
run_kelpin
printf '%s' "Start copy files...
<xcopy \"C:\Setup\SAMPLE_PROGRAM\ANY_VER\*.*\" \"C:\Work%KELPIN_TEST%\" /s/e/y/f/i>
$refused
$end" >"$out/expected"
diff -u "$out/expected" <(sed -n '/^Start copy files/,$p' "$out/output")
grep -qF 'Default Workspace directory <C:\Work%KELPIN_TEST%>' "$out/output"
[[ ! -e "$c/Work%KELPIN_TEST%" && -z $(ls -A "$c/WorkExpanded") ]]

from=$c/Set%KELPIN_TEST%up
mkdir -p "$from/KELPIN" "$c/SetExpandedup/KELPIN"
echo literal >"$from/KELPIN/literal.txt"
echo expanded >"$c/SetExpandedup/KELPIN/expanded.txt"
cd "$from"
run_kelpin
printf '%s' "Start copy files...
<xcopy \"C:\Set%KELPIN_TEST%up\KELPIN\*.*\" \"C:\Renesas\Hew\" /s/e/y/f/i>
$refused
$end" >"$out/expected"
diff -u "$out/expected" <(sed -n '/^Start copy files/,$p' "$out/output")
[[ ! -e $hew/literal.txt && ! -e $hew/expanded.txt ]]
rm -rf "$out"
echo "kelpin.exe under Wine: output and copies as expected, percent paths refused"
