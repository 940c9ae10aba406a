#!/usr/bin/env bash
# ParvexMenu's status item read over the session bus as a StatusNotifierItem
# panel reads it: the item says it is active (panels may hide a passive one),
# and a volume whose name holds underscores is labelled so that a panel shows
# them (dbusmenu takes a lone underscore for the mark of an access key).
#   status_item_e2e.sh TREE BUILD
set -uo pipefail
tree=$1 build=$2 shots=
. "$(dirname "$0")/support/harness.sh"
. "$(dirname "$0")/support/desktop_session.sh"

# A label as GTK's menus, and so most panels, draw it: "__" is one
# underscore; a lone one marks the next character and is not drawn.
drawn() { sed -E 's/_(.)/\1/g'; }
item_property() {
  gdbus call --session --dest "$item" --object-path /StatusNotifierItem \
    --method org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierItem "$1"
}

start_session
start_watcher
settings false secret
echo secret >"$state/password"
start_menu_app
expect "the item registers with the watcher" wait_for 20 registered
expect "the item's Status is Active" test "$(item_property Status)" = "(<'Active'>,)"
plug disk4s1:My_Disk disk4s2:A__B_C
expect "the scan mounts both volumes" wait_for 20 called "mount_ntfs -o rw,nobrowse /dev/disk4s2 $home/Desktop/A__B_C"
menu=$(menu_lines)
echo "$menu"
expect "a panel draws the first volume's name as it is" grep -qxF '推出 [My_Disk]' <<<"$(drawn <<<"$menu")"
expect "... and the second's, with its double and single underscores" \
  grep -qxF '在Finder中打开 [A__B_C]' <<<"$(drawn <<<"$menu")"
stop_session

finish
