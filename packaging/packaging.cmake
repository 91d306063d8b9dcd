# Desktop integration (desktop entry, hicolor icons, AppStream metadata) and
# the Debian package through CPack.
include(GNUInstallDirs)
set(QARVELO_APP_ID com.kelvo.qarvelo)
set(pkg ${CMAKE_CURRENT_LIST_DIR})

# The PNG icons are drawn by the program's own icon code, so they never drift
# from the window icon.
add_executable(qarvelo-render-icons ${pkg}/render_icons.cpp)
target_link_libraries(qarvelo-render-icons PRIVATE qarvelo_app)
set(icon_dir ${CMAKE_BINARY_DIR}/icons)
set(icon_sizes 16 32 48)
set(icon_pngs)
foreach(size ${icon_sizes})
  list(APPEND icon_pngs ${icon_dir}/${size}x${size}/qarvelo.png)
endforeach()
add_custom_command(OUTPUT ${icon_pngs}
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
          $<TARGET_FILE:qarvelo-render-icons> ${icon_dir} ${icon_sizes}
  DEPENDS qarvelo-render-icons
  COMMENT "Rendering the program icon")
add_custom_target(qarvelo-icons ALL DEPENDS ${icon_pngs})

foreach(size ${icon_sizes})
  install(FILES ${icon_dir}/${size}x${size}/qarvelo.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${pkg}/icons/qarvelo.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${pkg}/qarvelo.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications RENAME ${QARVELO_APP_ID}.desktop)
install(FILES ${pkg}/${QARVELO_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

set(CPACK_PACKAGE_NAME qarvelo)
set(CPACK_PACKAGE_VENDOR Kelvo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "serial port test terminal")
set(CPACK_PACKAGE_DESCRIPTION
    "Kelvo Qarvelo opens several serial ports side by side, sends what you type\n\
and shows every byte that comes back, watches and switches the modem lines,\n\
changes the line settings on the fly and sends twelve test strings.")
set(CPACK_PACKAGE_CONTACT "Kelvo <support@kelvo.com>")
set(CPACK_PACKAGE_INSTALL_DIRECTORY qarvelo)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
# dpkg-shlibdeps finds the Qt libraries; the window layout is measured for
# the Liberation fonts.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "hicolor-icon-theme")
set(CPACK_GENERATOR DEB)
include(CPack)

if(QARVELO_TESTS)
  find_program(APPSTREAMCLI appstreamcli)
  if(APPSTREAMCLI)
    add_test(NAME packaging_metainfo_valid
      COMMAND ${APPSTREAMCLI} validate --no-net --pedantic ${pkg}/${QARVELO_APP_ID}.metainfo.xml)
    set_tests_properties(packaging_metainfo_valid PROPERTIES LABELS package)
  endif()
  find_package(Python3 COMPONENTS Interpreter)
  if(Python3_Interpreter_FOUND)
    # Builds the .deb, installs it, starts the installed program and removes
    # the package again; only as root (skipped otherwise).
    add_test(NAME package_deb
      COMMAND ${Python3_EXECUTABLE} -B ${pkg}/../tests/e2e/package_test.py ${CMAKE_BINARY_DIR})
    set_tests_properties(package_deb PROPERTIES
      LABELS package RUN_SERIAL ON TIMEOUT 600 SKIP_RETURN_CODE 77)
  endif()
endif()
