# The Debian package's layout, the initial cache of scripts/package's tree
# (cmake -C): programs under /usr, the app bundle and the helpers in folders of
# Parvex's own, the udev rule, polkit action, autostart entry and sudo rule in
# the system's folders. Every path the programs, the udev rule, the polkit
# action and the entries name follows from these.
set(CMAKE_BUILD_TYPE Release CACHE STRING "")
set(CMAKE_INSTALL_PREFIX /usr CACHE PATH "")
set(PARVEX_DEBIAN_PACKAGE ON CACHE BOOL "")
set(PARVEX_TESTS OFF CACHE BOOL "")
set(PARVEX_BENCH OFF CACHE BOOL "")
set(PARVEX_WERROR OFF CACHE BOOL "")
set(PARVEX_APPLICATIONS_DIR /usr/lib/parvex CACHE PATH "")
set(PARVEX_LIBEXEC_DIR /usr/libexec/parvex CACHE PATH "")
# `open` is an alternative of /usr/bin/open (the maintainer scripts register it).
set(PARVEX_OPEN_DIR /usr/libexec/parvex CACHE PATH "")
# ParvexMenu's scripts find our open, diskutil and the system's tools first.
set(PARVEX_TOOLS_PATH /usr/libexec/parvex:/usr/bin:/bin CACHE STRING "")
set(PARVEX_UDEV_RULES_DIR /usr/lib/udev/rules.d CACHE PATH "")
set(PARVEX_POLKIT_ACTIONS_DIR /usr/share/polkit-1/actions CACHE PATH "")
set(PARVEX_AUTOSTART_DIR /etc/xdg/autostart CACHE PATH "")
set(PARVEX_SUDOERS_DIR /etc/sudoers.d CACHE PATH "")
