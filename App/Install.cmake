# The login item's launch-agent template travels in the app's resources; the
# app copies it to /Library/LaunchAgents/ and sets its "Program".
configure_file(${CMAKE_CURRENT_LIST_DIR}/Resources/Auto.top.kestrova.macOS.Parvex.Helper.plist
  ${PARVEX_APP_DIR}/Contents/Resources/Auto.top.kestrova.macOS.Parvex.Helper.plist COPYONLY)
