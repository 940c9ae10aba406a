#!/usr/bin/env bash
# ParvexMenu on a desktop, each scenario in a session of its own under Xvfb:
# its status item in a StatusNotifierItem panel (a watcher and a host) with
# the menu over dbusmenu, a panel that starts after the app, the X system
# tray (trayer) where no watcher runs, and the desktop notification of a mount
# that failed for a wrong password, through a stand-in notification daemon.
# Screenshots of the panels and the open menus go to SHOTS.
#   tray_e2e.sh TREE BUILD SHOTS NOTIFICATION_DAEMON
set -uo pipefail
tree=$1 build=$2 shots=$3 notification_daemon=$4
. "$(dirname "$0")/support/harness.sh"
. "$(dirname "$0")/support/desktop_session.sh"

echo "# StatusNotifierItem panel: the item, its menu, a mount, quitting"
start_session
start_watcher && start_sni_host
settings false secret
echo secret >"$state/password"
start_menu_app
expect "the item registers with the watcher" wait_for 20 registered
expect "nothing found: the note, a separator and the two fixed items" \
  test "$(menu_lines)" = "$(printf '%s\n' '没有发现NTFS卷 (disabled)' --- '打开 Parvex' '退出')"
plug disk4s1:A disk4s2:B
expect "the scan mounts both volumes (automatic mode)" wait_for 20 called "mount_ntfs -o rw,nobrowse /dev/disk4s2 $home/Desktop/B"
click_item "推出 [A]"
expect "an eject item's click unmounts its volume" wait_for 20 called "diskutil mount disk4s1"
expect "mounted B first, then A with a mount item, each block closed by a separator" \
  test "$(menu_lines)" = "$(printf '%s\n' '推出 [B]' '在Finder中打开 [B]' --- '挂载 [A]' --- '打开 Parvex' '退出')"
click_item "挂载 [A]"
expect "a mount item's click runs the mount" \
  wait_for 20 called_times "mount_ntfs -o rw,nobrowse /dev/disk4s1 $home/Desktop/A" 2
sleep 1.5  # the panel's request for the menu above has lapsed
screenshot sni-panel
# The host's icons sit at the left of its bar along the bottom edge. Each step
# waits for the screen to show its result: under load a fixed pause is not
# enough, and a click sent while the last menu is still up lands in it.
xdotool mousemove 14 466 click 1
wait_for 10 menu_on_screen 10 390
screenshot sni-menu
expect "a click on the icon opens the menu above the panel" menu_drawn "$shots/sni-menu.png" 10 390
xdotool key Escape
wait_for 10 menu_gone 10 390
click_item "退出"
expect "退出 quits the app" wait_for 30 sh -c "! kill -0 $menu_pid 2>/dev/null"
expect "quitting unmounted both volumes" eval "called 'diskutil umount disk4s1' && called 'diskutil umount disk4s2'"
stop_session

echo "# A panel that starts after the app"
start_session
settings true ""
start_menu_app
sleep 3
expect "with no panel at all the log says so once" test "$(grep -c "no panel to show the status item yet" "$menu_log")" -eq 1
start_watcher && start_sni_host
expect "the item appears without a restart" wait_for 20 registered
stop_session

echo "# X system tray (XEmbed) without a watcher"
start_session
settings true ""
start_trayer
start_menu_app
expect "the icon is embedded in the tray" wait_for 20 grep -q "embedded in the X system tray" "$menu_log"
sleep 0.5
screenshot xembed-panel
tray=$(xdotool search --onlyvisible --class trayer | head -1)
eval "$(xdotool getwindowgeometry --shell "$tray")"
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 1
wait_for 10 menu_on_screen "$((X + 10))" 390
screenshot xembed-menu
expect "a click on the icon opens the menu" menu_drawn "$shots/xembed-menu.png" "$((X + 10))" 390
# The menu takes the keyboard: End selects its last item, 退出.
xdotool key End Return
expect "a click opens the menu, and its 退出 quits the app" wait_for 20 sh -c "! kill -0 $menu_pid 2>/dev/null"
stop_session

echo "# Desktop notifications: a mount that fails for a wrong password is told once"
start_session
"$notification_daemon" "$session/notifications" &
daemon_pid=$!
started $daemon_pid
wait_for 10 bus_has org.freedesktop.Notifications
settings false "not the password"
echo secret >"$state/password"
start_menu_app
plug disk4s1:Data
expect "the failed mount gives the volume back to the system" wait_for 20 called "diskutil mount disk4s1"
expect "several scans later" wait_for 20 called_at_least "diskutil list" 5
expect "... the mount was tried once, not at every scan" called_times "diskutil umount disk4s1" 1
expect "the daemon got one notification, with the hint, one button to open the settings and a default action" \
  test "$(cat "$session/notifications" 2>/dev/null)" = "$(printf 'Parvex\t无法挂载「Data」\t登录密码错误或尚未设置。请打开 Parvex 设置正确的密码。\tdefault=|open=打开 Parvex')"
settings_app=$build/Parvex.app/Contents/MacOS/Parvex
kill -USR2 $daemon_pid
expect "a click on the notification itself opens the settings app" wait_for 20 pgrep -f "^$settings_app"
settings_pid=$(pgrep -f "^$settings_app" | head -1)
started "$settings_pid"
kill "$settings_pid"
wait_for 20 sh -c "! kill -0 $settings_pid 2>/dev/null"
kill -USR1 $daemon_pid
expect "and so does its button" wait_for 20 pgrep -f "^$settings_app"
started "$(pgrep -f "^$settings_app" | head -1)"
stop_session

finish
