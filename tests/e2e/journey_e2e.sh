#!/usr/bin/env bash
# The whole journey on a desktop under Xvfb with the real tools on a real
# NTFS image: the user starts Parvex; ParvexMenu comes up in the panel; the
# user sets the password in automatic mode and saves; a disk is plugged in and
# becomes writable on the desktop; the tray menu lists it with eject and open;
# the user ejects it, quits ParvexMenu from its menu and closes the settings
# window.
#   journey_e2e.sh TREE BUILD SHOTS CLOSE_WINDOW
set -uo pipefail
tree=$1 build=$2 shots=$3 close_window=$4
bin_dir=$build/Tools/bin
. "$(dirname "$0")/support/harness.sh"
. "$(dirname "$0")/support/desktop_session.sh"
/usr/bin/python3 -c 'import gi; gi.require_version("Atspi", "2.0")' 2>/dev/null || skip "no AT-SPI for /usr/bin/python3 (gir1.2-atspi-2.0)"
command -v xmodmap >/dev/null || skip "xmodmap is not installed (scripts/deps installs it)"
. "$(dirname "$0")/support/disk_checks.sh"
trap 'stop_session; cleanup' EXIT
export LC_ALL=C.UTF-8
# sudo finds our mount_ntfs, as an installed one in /usr/local/bin.
printf 'Defaults secure_path="%s:/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin"\n' "$bin_dir" >/etc/sudoers.d/parvex-journey
chmod 0440 /etc/sudoers.d/parvex-journey
menu_app_pid() { pgrep -f "$menu_app" | head -1; }
any_registered() { gdbus call --session --dest org.kde.StatusNotifierWatcher --object-path /StatusNotifierWatcher \
  --method org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierWatcher RegisteredStatusNotifierItems \
  2>/dev/null | grep -q "org.kde.StatusNotifierItem-$(menu_app_pid)-1"; }

start_session
start_watcher && start_sni_host
started_at=$(date +%s%N)
# The real tools, not the doubles.
env PATH="$bin_dir:$PATH" HOME=$home "$parvex" >"$session/parvex.out" 2>&1 &
parvex_pid=$!
started $parvex_pid
expect "the settings window shows" wait_for 30 shows "push button" 保存
expect "ParvexMenu comes up in the panel" wait_for 20 any_registered
echo "  (the item was registered $(( ($(date +%s%N) - started_at) / 1000000 )) ms after Parvex started; it waits a second first)"
item="org.kde.StatusNotifierItem-$(menu_app_pid)-1"

for field in 输入Mac设备开机密码 再次输入Mac设备开机密码; do
  click_control "password text" "$field"
  wait_for 10 focused_is "password text" "$field"
  type_text "secret"
done
xdotool key Return
expect "saving in automatic mode says 已保存" wait_for 10 alert_up 已保存
click_control "push button" 好的
expect "the sheet goes" wait_for 10 sh -c "! /usr/bin/python3 $tree/tests/e2e/support/atspi_client.py Parvex find 'push button' 好的 >/dev/null"

attach_image
expect "the plugged-in disk is mounted read-only by the system" wait_for 20 findmnt -n /Volumes/Data
expect "it becomes writable on the desktop" wait_for 30 writable_at "$home/Desktop/Data"
expect "a file can be written to it" sh -c "echo journey >'$home/Desktop/Data/journey.txt'"
expect "the tray menu lists it with eject and open" \
  test "$(menu_lines)" = "$(printf '%s\n' '推出 [Data]' '在Finder中打开 [Data]' --- '打开 Parvex' '退出')"
click_item "推出 [Data]"
expect "eject unmounts it from the desktop" wait_for 30 sh -c "! findmnt -n '$home/Desktop/Data' >/dev/null"
expect "and leaves no folder there" wait_for 10 test ! -e "$home/Desktop/Data"
expect "the system has it again, read-only, with the file written on the desktop" \
  wait_for 30 test -f /Volumes/Data/journey.txt
menu_pid=$(menu_app_pid)
click_item "退出"
expect "退出 quits ParvexMenu" wait_for 30 sh -c "! kill -0 $menu_pid 2>/dev/null"
expect "the settings window stays" test -n "$(parvex_window)"
"$close_window" "$(parvex_window)"
expect "closing the settings window quits Parvex" wait_for 20 sh -c "! kill -0 $parvex_pid 2>/dev/null"
ended_cleanly $parvex_pid
stop_session
detach_and_finish
