# What `cmake --install` puts on a desktop, and the Debian package made of it by
# `cpack -G DEB`. Only the program and its desktop integration are installed: the pictures are
# compiled in, and tests and helper programs stay in the build folder.

include(GNUInstallDirs)

set(WW_APP_ID de.tollmark.Wurfwummel)
set(WW_ICON_SIZES 16 22 24 32 48 64 128 256 512)

install(TARGETS wurfwummel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_SOURCE_DIR}/dist/${WW_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/dist/${WW_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size ${WW_ICON_SIZES})
  install(FILES ${CMAKE_SOURCE_DIR}/images/icon${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME ${WW_APP_ID}.png)
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/dist/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

# Manual pages are installed compressed, as Debian's policy asks; -n keeps the bytes free of
# names and times, so the package builds the same every time.
set(WW_MAN_PAGES)
foreach(lang en de)
  if(lang STREQUAL en)
    set(src ${CMAKE_SOURCE_DIR}/dist/wurfwummel.6)
    set(dest ${CMAKE_INSTALL_MANDIR}/man6)
  else()
    set(src ${CMAKE_SOURCE_DIR}/dist/${lang}/wurfwummel.6)
    set(dest ${CMAKE_INSTALL_MANDIR}/${lang}/man6)
  endif()
  set(out ${CMAKE_BINARY_DIR}/man/${lang}/wurfwummel.6.gz)
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man/${lang}
    COMMAND sh -c "gzip -9n -c \"$0\" > \"$1\"" ${src} ${out}
    DEPENDS ${src}
    VERBATIM)
  list(APPEND WW_MAN_PAGES ${out})
  install(FILES ${out} DESTINATION ${dest})
endforeach()
add_custom_target(manpages ALL DEPENDS ${WW_MAN_PAGES})

# The Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME wurfwummel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Tollmark)
set(CPACK_PACKAGE_CONTACT "Das Wurfwummel-Team <wurfwummel@tollmark.de>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "dice game for one or two players")
# Lines of the package's long description, wrapped as Debian's control files expect.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Wurfwummel is a desktop dice game for one or two players sharing one\n"
  "computer. Each turn you throw six dice up to three times, keep the dice\n"
  "you like, and enter the result in one of the 63 cells of your score sheet:\n"
  "21 rows in three columns that count once, twice and three times. Sections\n"
  "of the sheet pay bonuses, and the 20 best scores are kept from game to\n"
  "game. The user interface is German.")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Found from the binary: the Qt, libpng and C++ libraries. Added: the Wayland platform plugin,
# which the binary loads at run time and so dpkg-shlibdeps cannot see.
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-wayland)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)

# The README's screenshots, made from the real game: not built by default, never installed.
find_package(Qt6 REQUIRED COMPONENTS Test)
add_executable(screenshots EXCLUDE_FROM_ALL tools/screenshots.cpp)
target_link_libraries(screenshots PRIVATE wwgame wwimages Qt6::Widgets Qt6::Test)
target_compile_options(screenshots PRIVATE ${WW_WARNINGS})
add_custom_target(
  make_screenshots
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_SOURCE_DIR}/dist/screenshots
  COMMAND screenshots standard ${CMAKE_SOURCE_DIR}/dist/screenshots/standard.png
  COMMAND screenshots compact ${CMAKE_SOURCE_DIR}/dist/screenshots/compact.png
  COMMAND screenshots highscore ${CMAKE_SOURCE_DIR}/dist/screenshots/highscore.png
  DEPENDS screenshots
  COMMENT "Making the README's screenshots"
  VERBATIM)
