#!/usr/bin/env bash
# Installs the Debian packages that a profile needs and are missing; quiet when all are there.
#   setup.sh build      compilers, CMake, GoogleTest
#   setup.sh gui        Qt 6 Widgets, the Japanese font, rsvg-convert for the icon's sizes
#   setup.sh fuzz       clang with libFuzzer, for the fuzz targets
#   setup.sh windows    mingw-w64, GoogleTest sources and Wine, for the Windows build and tests,
#                       and Qt 6's headers, against which the window's sources are compiled;
#                       NSIS for the installer; Xvfb, xdotool and the fonts (Wine's own and the
#                       Japanese one) for a window under Wine; man to render the manuals
#   setup.sh tools      srecord, socat, Xvfb, ImageMagick, time and bc for the comparisons,
#                       screenshots and benchmarks
#   setup.sh package    what builds and checks the Debian package and what it installs into:
#                       dpkg-dev and file (dependencies), lintian, man, bash-completion, the
#                       desktop's file-type and menu tools
#   setup.sh all        everything
set -euo pipefail

declare -A profile=(
  [build]="cmake ninja-build g++ libgtest-dev libgmock-dev binutils libclang-rt-14-dev"
  [gui]="qt6-base-dev fonts-ipafont-gothic librsvg2-bin"
  [fuzz]="clang-14 libclang-rt-14-dev"
  [windows]="g++-mingw-w64-x86-64 googletest wine wine64 qt6-base-dev nsis xvfb xauth xdotool
    fonts-wine fonts-ipafont-gothic man-db"
  [tools]="srecord socat xvfb xauth imagemagick time bc"
  [package]="dpkg-dev file lintian man-db bash-completion shared-mime-info desktop-file-utils"
)
wanted=()
for name in "${@:-all}"; do
  if [[ $name == all ]]; then
    wanted+=(${profile[build]} ${profile[gui]} ${profile[fuzz]} ${profile[windows]}
      ${profile[tools]} ${profile[package]})
  elif [[ -n ${profile[$name]:-} ]]; then
    wanted+=(${profile[$name]})
  else
    echo "setup.sh: unknown profile $name" >&2
    exit 2
  fi
done

missing=()
for package in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
    missing+=("$package")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  apt-get -o DPkg::Lock::Timeout=120 update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq -o DPkg::Lock::Timeout=120 \
    --no-install-recommends "${missing[@]}" >/dev/null
fi
