# What `cmake --install` puts on a desktop, and so what the Debian package (debian/) holds. Only
# the program and its desktop integration are installed: the pictures are compiled in, and
# tests and helper programs stay in the build folder.

include(GNUInstallDirs)

set(WW_APP_ID de.tollmark.Wurfwummel)
set(WW_ICON_SIZES 16 22 24 32 48 64 128 256 512)
# Games go to games/ beside bin/ (/usr/games in Debian), relative to the prefix.
set(WW_INSTALL_GAMESDIR games CACHE STRING "Folder for the program, relative to the prefix")

install(TARGETS wurfwummel RUNTIME DESTINATION ${WW_INSTALL_GAMESDIR})
# The chart module in a folder of the program's own under the libraries (in Debian
# /usr/lib/<triplet>/wurfwummel); the program finds it relative to its own place, so both
# folders must lie under the same prefix (or both be given as absolute paths).
set(WW_INSTALL_MODULEDIR ${CMAKE_INSTALL_LIBDIR}/wurfwummel)
install(TARGETS wwchart LIBRARY DESTINATION ${WW_INSTALL_MODULEDIR})
set(program_dir ${WW_INSTALL_GAMESDIR})
set(module_dir ${WW_INSTALL_MODULEDIR})
foreach(dir program_dir module_dir)
  if(NOT IS_ABSOLUTE "${${dir}}")
    set(${dir} "${CMAKE_INSTALL_PREFIX}/${${dir}}")
  endif()
endforeach()
file(RELATIVE_PATH WW_CHART_MODULE_DIR "${program_dir}" "${module_dir}")
target_compile_definitions(wwgui PRIVATE WW_CHART_MODULE_DIR="${WW_CHART_MODULE_DIR}")
# The desktop entry starts the program by its full path, which is known only at install time
# (`cmake --install --prefix` may change it).
set(WW_DESKTOP_FILE ${CMAKE_BINARY_DIR}/dist/${WW_APP_ID}.desktop)
install(CODE "
  set(WW_EXEC \"\${CMAKE_INSTALL_PREFIX}/${WW_INSTALL_GAMESDIR}/wurfwummel\")
  configure_file(\"${CMAKE_SOURCE_DIR}/dist/${WW_APP_ID}.desktop.in\" \"${WW_DESKTOP_FILE}\" @ONLY)")
install(FILES ${WW_DESKTOP_FILE} DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/dist/${WW_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size ${WW_ICON_SIZES})
  install(FILES ${CMAKE_SOURCE_DIR}/images/icon${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME ${WW_APP_ID}.png)
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/images/icon.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME ${WW_APP_ID}.svg)

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

# The README's screenshots, made from the real game: not built by default, never installed.
find_package(Qt6 QUIET COMPONENTS Test)
if(TARGET Qt6::Test)
  add_executable(screenshots EXCLUDE_FROM_ALL tools/screenshots.cpp)
  target_link_libraries(screenshots PRIVATE wwgame wwimages Qt6::Widgets Qt6::Test)
  target_compile_options(screenshots PRIVATE ${WW_WARNINGS})
  add_custom_target(
    make_screenshots
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_SOURCE_DIR}/dist/screenshots
    COMMAND screenshots standard ${CMAKE_SOURCE_DIR}/dist/screenshots/standard.png
    COMMAND screenshots compact ${CMAKE_SOURCE_DIR}/dist/screenshots/compact.png
    COMMAND screenshots highscore ${CMAKE_SOURCE_DIR}/dist/screenshots/highscore.png
    COMMAND screenshots analysis ${CMAKE_SOURCE_DIR}/dist/screenshots/analysis.png
    DEPENDS screenshots
    COMMENT "Making the README's screenshots"
    VERBATIM)
endif()
