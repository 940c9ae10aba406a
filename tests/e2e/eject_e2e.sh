#!/usr/bin/env bash
# A volume in use on the desktop, with the real tools on a real NTFS image and
# ParvexMenu's item on a StatusNotifierWatcher: its eject item, 退出 and
# SIGTERM each leave the volume mounted with its data, and the user hears so
# in one desktop notification per attempt (a stand-in daemon records them);
# it stays listed with its eject item, and a later ParvexMenu ejects it once
# it is free.
#   eject_e2e.sh TREE BUILD NOTIFICATION_DAEMON
set -uo pipefail
tree=$1 build=$2 notification_daemon=$3
bin_dir=$build/Tools/bin
label=Busy
. "$(dirname "$0")/support/harness.sh"
. "$(dirname "$0")/support/desktop_session.sh"
. "$(dirname "$0")/support/disk_checks.sh"
trap 'exec 7>&-; stop_session; cleanup' EXIT
export LC_ALL=C.UTF-8
# sudo finds our mount_ntfs, as an installed one in /usr/local/bin.
printf 'Defaults secure_path="%s:/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin"\n' "$bin_dir" >/etc/sudoers.d/parvex-eject
chmod 0440 /etc/sudoers.d/parvex-eject

folder() { printf '%s' "$home/Desktop/$label"; }
notices() { if [ -f "$session/notifications" ]; then wc -l <"$session/notifications"; else echo 0; fi; }
notice() { sed -n "${1}p" "$session/notifications"; }
has_notices() { [ "$(notices)" -eq "$1" ]; }
# The real tools, not the doubles.
start_real_menu_app() {
  env PATH="$bin_dir:$PATH" HOME=$home "$menu_app" >>"$session/menu.out" 2>&1 &
  menu_pid=$!
  started $menu_pid
  item="org.kde.StatusNotifierItem-$menu_pid-1"
}
listed_mounted="$(printf '%s\n' "推出 [$label]" "在Finder中打开 [$label]" --- '打开 Parvex' '退出')"
in_use="$(printf 'Parvex\t无法推出「%s」\t有程序正在使用它。请关闭正在使用它的文件或程序，然后再推出。\t' "$label")"
kept="$(printf 'Parvex\t「%s」仍挂载在桌面上\t有程序正在使用它，所以退出时没有推出它，其中的数据是安全的。请关闭使用它的程序，然后打开 Parvex 推出它。\t' "$label")"

start_session
"$notification_daemon" "$session/notifications" &
started $!
wait_for 10 bus_has org.freedesktop.Notifications
start_watcher
settings false secret
attach_image
expect "the system mounts the disk read-only" wait_for 20 findmnt -n "/Volumes/$label"
start_real_menu_app
expect "ParvexMenu makes it writable on the desktop" wait_for 30 writable_at "$(folder)"
expect "its item is registered" wait_for 20 registered
expect "and says so" wait_for 20 has_notices 1
head -c 2300000 /dev/urandom >"$session/payload"
# A program (this script) has a file open on the volume.
exec 7>"$(folder)/held.bin"
cat "$session/payload" >&7

echo "# Eject while a program has a file open on it"
click_item "推出 [$label]"
expect "the user is told why it cannot be ejected" wait_for 20 has_notices 2
expect "... naming the volume and the program using it: $(notice 2)" test "$(notice 2)" = "$in_use"
sleep 1
expect "... once" has_notices 2
expect "it stays mounted read-write" writable_at "$(folder)"
expect "and listed with its eject item" test "$(menu_lines)" = "$listed_mounted"

echo "# 退出 while it is still in use"
click_item "退出"
expect "ParvexMenu quits" wait_for 30 sh -c "! kill -0 $menu_pid 2>/dev/null"
ended_cleanly $menu_pid
expect "the user is told it stays mounted and its data is safe: $(notice 3)" test "$(notice 3)" = "$kept"
expect "... once" has_notices 3
expect "it is still mounted read-write, with what was written" \
  eval 'writable_at "$(folder)" && cmp -s "$session/payload" "$(folder)/held.bin"'

echo "# Freed, the next ParvexMenu ejects it"
cat "$session/payload" >&7
exec 7>&-
start_real_menu_app
expect "its item is registered" wait_for 20 registered
expect "the volume is listed with its eject item" wait_for 20 eval 'test "$(menu_lines)" = "$listed_mounted"'
click_item "推出 [$label]"
expect "eject unmounts it from the desktop" wait_for 30 sh -c "! findmnt -n '$(folder)' >/dev/null"
expect "the system has it again, read-only, with the whole file" \
  wait_for 30 sh -c "cat '$session/payload' '$session/payload' | cmp -s - '/Volumes/$label/held.bin'"
expect "no word to the user this time" has_notices 3

echo "# SIGTERM while it is in use"
click_item "挂载 [$label]"
expect "mounted on the desktop again" wait_for 30 writable_at "$(folder)"
expect "and said so" wait_for 20 has_notices 4
exec 7>>"$(folder)/held.bin"
kill -TERM $menu_pid
expect "ParvexMenu ends" wait_for 30 sh -c "! kill -0 $menu_pid 2>/dev/null"
ended_cleanly $menu_pid
expect "the user is told it stays mounted: $(notice 5)" test "$(notice 5)" = "$kept"
expect "... once" has_notices 5
expect "it is still mounted read-write" writable_at "$(folder)"
exec 7>&-
stop_session
detach_and_finish
