# What `cmake --install` puts into a prefix: the two programs, the card tool, the
# driver's guard, the libraries they load, their public headers, icons, desktop
# entries, and the autostart entry of VeyraAP, which a user runs once per logon.
include(GNUInstallDirs)

install(TARGETS VeyraAP VeyraADM veyra-card RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The driver's guard of a protected folder, which the driver finds there.
set_target_properties(veyra-guard PROPERTIES INSTALL_RPATH "$ORIGIN/../../${CMAKE_INSTALL_LIBDIR}")
install(TARGETS veyra-guard RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/veyra)
install(TARGETS TVRSC20 TVRCM20 veyra_kernel veyra_win32 LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(FILES devlink/include/TVRSC20.h cardcmd/include/TVRCM20.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/veyra)

# The entries start the programs by their installed path, so they are made when
# the prefix is known: at install time.
install(CODE "
  set(CMAKE_INSTALL_FULL_BINDIR \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
  foreach(entry veyra-ap veyra-adm veyra-ap-autostart)
    configure_file(${PROJECT_SOURCE_DIR}/dist/\${entry}.desktop.in
                   ${CMAKE_BINARY_DIR}/dist/\${entry}.desktop @ONLY)
  endforeach()
")
install(FILES ${CMAKE_BINARY_DIR}/dist/veyra-ap.desktop ${CMAKE_BINARY_DIR}/dist/veyra-adm.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_BINARY_DIR}/dist/veyra-ap-autostart.desktop
  DESTINATION ${CMAKE_INSTALL_SYSCONFDIR}/xdg/autostart
  RENAME veyra-ap.desktop)
install(FILES agent/resources/128.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
  RENAME veyra-ap.svg)
install(FILES admin/resources/128.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
  RENAME veyra-adm.svg)
