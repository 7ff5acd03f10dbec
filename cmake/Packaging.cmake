# Installation beyond the targets' own rules, and the Debian package.
# The programs' and the library's install rules live with their targets;
# this file adds the desktop integration, the manual pages and CPack.
set(TESSALY_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)

# Installed programs find libtesscore beside them (../lib...) unless the
# library goes to a folder the loader searches anyway, as in the package.
list(FIND CMAKE_C_IMPLICIT_LINK_DIRECTORIES "${CMAKE_INSTALL_FULL_LIBDIR}" tessaly_system_libdir)
if(tessaly_system_libdir EQUAL -1)
  foreach(program tessaly-cli tessaly)
    if(TARGET ${program})
      set_target_properties(${program} PROPERTIES INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
    endif()
  endforeach()
endif()

# Manual pages, compressed as Debian ships them.
find_program(GZIP_PROGRAM gzip REQUIRED)
set(tessaly_man_pages tessaly-cli.1)
if(TARGET tessaly)
  list(APPEND tessaly_man_pages tessaly.1)
endif()
foreach(page ${tessaly_man_pages})
  set(compressed ${CMAKE_CURRENT_BINARY_DIR}/man/${page}.gz)
  add_custom_command(OUTPUT ${compressed}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/man
    COMMAND ${GZIP_PROGRAM} -9nc ${TESSALY_PACKAGING_DIR}/man/${page} > ${compressed}
    DEPENDS ${TESSALY_PACKAGING_DIR}/man/${page} VERBATIM)
  list(APPEND tessaly_man_outputs ${compressed})
endforeach()
add_custom_target(tessaly_man_pages ALL DEPENDS ${tessaly_man_outputs})
install(FILES ${tessaly_man_outputs} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# Desktop integration of the window program.
if(TARGET tessaly)
  install(FILES ${TESSALY_PACKAGING_DIR}/tessaly.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${TESSALY_PACKAGING_DIR}/icons/48x48/tessaly.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/apps)
  install(FILES ${TESSALY_PACKAGING_DIR}/icons/tessaly.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

# The Debian package: one package with both programs and the library.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tessaly)
set(CPACK_PACKAGE_VENDOR "Tessaly")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Tessaly <support@tessaly.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "repairs damaged PDF files")
set(CPACK_PACKAGE_DESCRIPTION
  "Tessaly reads a damaged PDF file from its first byte to its last, keeps every\n"
  "complete object it still recognises, rebuilds the catalog, the page tree and\n"
  "the document information, and writes a new, self-consistent PDF file. It has\n"
  "a desktop program (tessaly) and a command-line tool (tessaly-cli).")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://tessaly.example/")
# Library dependencies come from the binaries (Qt, Poppler's Qt binding, and
# libcrypto, whose package libssl3 also ships the legacy provider the engine
# loads for RC4); the window program also needs Qt's platform plugins, a font
# with the Chinese characters, and the freedesktop.org tools that open a
# repaired file with the desktop's PDF program.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_INSTALL_FULL_LIBDIR})
if(TARGET tessaly)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-wqy-microhei, xdg-utils")
endif()
include(CPack)
