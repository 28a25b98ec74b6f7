# The Windows packages: the ZIP archive and the installer made by NSIS (makensis), both from the
# same installed tree. Included by Packaging.cmake after every target is defined, so whether the
# window (the Bramblet target) is part of this build is known here. The cross build must make
# both with the manuals; a build on Windows makes what its tools allow.
if(TARGET Bramblet)
  set(bramblet_window ON)
else()
  set(bramblet_window OFF)
endif()

# The manual pages as text beside the programs: Windows has no man. bramblet-sim does not exist
# on Windows, nor does the window's page without the window.
find_program(BRAMBLET_MAN man)
find_program(BRAMBLET_COL col)
if(BRAMBLET_MAN AND BRAMBLET_COL)
  set(manual_pages bramblet-cli kelpin)
  if(bramblet_window)
    list(APPEND manual_pages Bramblet)
  endif()
  set(manuals "")
  foreach(page IN LISTS manual_pages)
    set(source ${CMAKE_BINARY_DIR}/manuals/${page}.1)
    set(text ${CMAKE_BINARY_DIR}/manuals/${page}.txt)
    configure_file(${PROJECT_SOURCE_DIR}/dist/man/${page}.1 ${source} @ONLY)
    add_custom_command(OUTPUT ${text}
      COMMAND ${CMAKE_COMMAND} -DMAN=${BRAMBLET_MAN} -DCOL=${BRAMBLET_COL} -DPAGE=${source}
              -DOUTPUT=${text} -P ${PROJECT_SOURCE_DIR}/cmake/RenderManual.cmake
      DEPENDS ${source} ${PROJECT_SOURCE_DIR}/cmake/RenderManual.cmake
      COMMENT "Rendering the manual of ${page}")
    install(FILES ${text} DESTINATION doc)
    list(APPEND manuals ${text})
  endforeach()
  add_custom_target(manuals ALL DEPENDS ${manuals})
elseif(CMAKE_CROSSCOMPILING)
  message(FATAL_ERROR "man and col render the manuals of the Windows packages: "
                      "bash scripts/setup.sh windows")
else()
  message(STATUS "No man and col: the Windows packages are made without the manuals")
endif()

set(CPACK_SYSTEM_NAME win64)
find_program(BRAMBLET_MAKENSIS makensis
  PATHS "$ENV{ProgramFiles}/NSIS" "$ENV{ProgramFiles\(x86\)}/NSIS")
if(BRAMBLET_MAKENSIS)
  set(CPACK_GENERATOR ZIP NSIS)
  set(CPACK_NSIS_EXECUTABLE ${BRAMBLET_MAKENSIS})
elseif(CMAKE_CROSSCOMPILING)
  message(FATAL_ERROR "makensis builds the Windows installer: bash scripts/setup.sh windows")
else()
  message(STATUS "No makensis (NSIS): the package target makes the ZIP archive only")
  set(CPACK_GENERATOR ZIP)
endif()
set(CPACK_PACKAGE_INSTALL_DIRECTORY Bramblet)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Bramblet)
set(CPACK_NSIS_DISPLAY_NAME Bramblet)
set(CPACK_NSIS_PACKAGE_NAME "Bramblet ${PROJECT_VERSION}")
# The installer's script is this project's own (cmake/nsis/NSIS.template.in): the program
# shortcut, the optional file association and a 64-bit installer, which a Wine without its 32-bit
# part runs too. CPack fills in the file lists.
set(CPACK_MODULE_PATH ${PROJECT_SOURCE_DIR}/cmake/nsis)
set(CPACK_NSIS_BRAMBLET_WINDOW ${bramblet_window})
