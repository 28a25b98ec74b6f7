# Packages: `cmake --build --preset linux --target package` makes the Debian package,
# `cmake --build --preset windows --target package` the Windows ZIP archive and installer.
set(CPACK_PACKAGE_NAME bramblet)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Bramblet developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "flash writer for R8C, M16C and M32C microcontrollers")
# The extended description as Debian shows it: lines of at most 79 characters.
set(CPACK_PACKAGE_DESCRIPTION
    "Bramblet writes S-record files into the on-chip flash of R8C, M16C and M32C
microcontrollers through their serial boot mode: it unlocks the chip with its
ID code, erases, programs and verifies. Bramblet is a Japanese one-window
program; bramblet-cli does the same from scripts, and bramblet-sim simulates a
chip in boot mode on a pseudo-terminal, so the writer can be tried without a
board.

Kelpin (kelpin) finds the vendor's IDE, compilers and debuggers installed in a
Wine prefix, reports them and copies its patch folders into them.")
set(CPACK_STRIP_FILES ON)

if(WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/WindowsPackage.cmake)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGE_CONTACT "${BRAMBLET_MAINTAINER}")
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
  # Libraries are found by dpkg-shlibdeps. What is loaded at run time is named by hand: the
  # Qt platform plugins (without them the window cannot open) and the Japanese font.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  if(BRAMBLET_GUI)
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-ipafont-gothic")
  endif()
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
endif()

include(CPack)
