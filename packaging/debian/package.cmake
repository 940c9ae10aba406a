# The Debian package, made by CPack's DEB generator from the install rules
# (scripts/package builds the tree with layout.cmake). Its version is the
# project's, the one both bundles' Info.plist carry as CFBundleShortVersionString
# and CFBundleVersion. CPack runs dpkg-shlibdeps for the libraries and writes
# the md5sums (scripts/package links the programs stripped); what is written
# by hand is the maintainer scripts, the conffiles list and the copyright.
set(parvex_debian ${CMAKE_CURRENT_LIST_DIR})
set(parvex_control ${PROJECT_BINARY_DIR}/debian-control)
set(PARVEX_AGENT_LABEL top.kestrova.macOS.Parvex.Agent)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Parvex maintainers <maintainers@users.noreply.c-seed-c33e0d15.example>")

# The sudo rule's text goes into the preinst too, which checks it with the
# target's visudo before dpkg puts anything in place.
file(READ ${PROJECT_BINARY_DIR}/Tools/sudoers/parvex-diskutil PARVEX_SUDOERS_TEXT)
string(STRIP "${PARVEX_SUDOERS_TEXT}" PARVEX_SUDOERS_TEXT)
foreach(script preinst postinst prerm postrm)
  configure_file(${parvex_debian}/${script}.in ${parvex_control}/${script} @ONLY)
endforeach()
file(WRITE ${parvex_control}/conffiles
  "${PARVEX_AUTOSTART_DIR}/parvex-login-hook.desktop\n${PARVEX_SUDOERS_DIR}/parvex-diskutil\n")

# The copyright and, for a package of this project's own, its changelog.
string(TIMESTAMP PARVEX_PACKAGE_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${parvex_debian}/changelog.in ${parvex_control}/changelog @ONLY)
execute_process(COMMAND gzip -9n -f ${parvex_control}/changelog)
install(FILES ${parvex_debian}/copyright ${parvex_control}/changelog.gz DESTINATION share/doc/parvex)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME parvex)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "makes NTFS volumes writable from the desktop")
# The synopsis above, then this (paragraphs apart by an empty line).
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Parvex mounts the NTFS volumes of USB disks and disk images read-write:
its menu-bar app, ParvexMenu, remounts each one read-write in a folder on
the user's desktop through sudo (automatic mode), or has a root helper add
an /etc/fstab entry so the system mounts it read-write (manual mode). The
settings app, Parvex, stores the password and the mode, installs the
helper and manages the login item.

It brings macOS-style disk tools (diskutil, hdiutil, mount_ntfs, open)
built on ntfs-3g, a udev rule that names and mounts removable disks, and a
sudo rule that lets the sudo group mount and unmount external volumes.")
set(CPACK_DEBIAN_PACKAGE_SECTION otherosfs)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Libraries from dpkg-shlibdeps; what the programs and their scripts run:
# ntfs-3g (mount_ntfs), zsh (every script of ParvexMenu), sudo (automatic
# mode, the diskutil rule), polkit and pkexec (installing the helper),
# xdg-utils (open), dbus (the system bus the programs talk over).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "ntfs-3g, zsh, sudo, polkitd, pkexec, xdg-utils, dbus")
# The udev rule needs udev, and mounts through systemd-run.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "udev, systemd")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
  ${parvex_control}/conffiles ${parvex_control}/preinst ${parvex_control}/postinst
  ${parvex_control}/prerm ${parvex_control}/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
# A module records every library it needs: the X tray presenter calls no C
# library function itself, so --as-needed would leave libc out of it.
target_link_libraries(XEmbedTray PRIVATE -Wl,--push-state,--no-as-needed -l:libc.so.6 -Wl,--pop-state)
include(CPack)
