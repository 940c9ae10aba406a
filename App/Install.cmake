# The login item's launch-agent template travels in the app's resources; the
# app copies it to /Library/LaunchAgents/ and sets its "Program".
configure_file(${CMAKE_CURRENT_LIST_DIR}/Resources/Auto.top.kestrova.macOS.Parvex.Helper.plist
  ${PARVEX_APP_DIR}/Contents/Resources/Auto.top.kestrova.macOS.Parvex.Helper.plist COPYONLY)

# cmake --install puts the whole bundle (with the menu-bar app, its X tray
# presenter and the agent inside) where the desktop entry that opens the
# settings app, with its icon, finds it.
set(PARVEX_APPLICATIONS_DIR "${CMAKE_INSTALL_PREFIX}/lib" CACHE PATH "Where Parvex.app is installed")
set(PARVEX_SETTINGS_PROGRAM "${PARVEX_APPLICATIONS_DIR}/Parvex.app/Contents/MacOS/Parvex")
configure_file(${CMAKE_CURRENT_LIST_DIR}/Resources/AppIcon.svg ${PARVEX_APP_DIR}/Contents/Resources/AppIcon.svg COPYONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/Resources/top.kestrova.macOS.Parvex.desktop.in
  ${PROJECT_BINARY_DIR}/top.kestrova.macOS.Parvex.desktop @ONLY)
install(DIRECTORY ${PARVEX_APP_DIR} DESTINATION ${PARVEX_APPLICATIONS_DIR} USE_SOURCE_PERMISSIONS)
install(FILES ${PROJECT_BINARY_DIR}/top.kestrova.macOS.Parvex.desktop DESTINATION share/applications)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/Resources/AppIcon.svg DESTINATION share/icons/hicolor/scalable/apps
  RENAME top.kestrova.macOS.Parvex.svg)
