# Installation into the system folders (cmake --install, make install, the Debian package):
# the programs in bin/, and under share/ the launcher, the icon, the AppStream metainfo and
# the manual pages. Data files live in data/.

include(GNUInstallDirs)

set(MIVARO_DATA_DIR ${PROJECT_SOURCE_DIR}/data)

install(TARGETS mivaro-tool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET mivaro)
  install(TARGETS mivaro RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${MIVARO_DATA_DIR}/mivaro.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${MIVARO_DATA_DIR}/org.mivaro.Mivaro.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES ${MIVARO_DATA_DIR}/man/mivaro.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

  set(icon_svg ${MIVARO_DATA_DIR}/icons/mivaro.svg)
  install(FILES ${icon_svg} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  # Bitmap sizes for menus and panels that do not scale SVG, drawn from the SVG at build time.
  find_program(MIVARO_RSVG_CONVERT rsvg-convert)
  if(MIVARO_RSVG_CONVERT)
    set(icon_pngs)
    foreach(size 16 22 24 32 48 64 128 256)
      set(png ${PROJECT_BINARY_DIR}/icons/${size}x${size}/mivaro.png)
      add_custom_command(OUTPUT ${png}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/icons/${size}x${size}
        COMMAND ${MIVARO_RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${icon_svg}
        DEPENDS ${icon_svg} VERBATIM)
      list(APPEND icon_pngs ${png})
      install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
    endforeach()
    add_custom_target(mivaro_icons ALL DEPENDS ${icon_pngs})
  else()
    message(STATUS "rsvg-convert not found: only the SVG icon is installed")
  endif()
endif()
install(FILES ${MIVARO_DATA_DIR}/man/mivaro-tool.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
include(${CMAKE_CURRENT_LIST_DIR}/MivaroPackage.cmake)
