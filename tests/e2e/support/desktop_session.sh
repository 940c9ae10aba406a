# Sourced by the desktop end-to-end scripts: a desktop session of their own
# for each scenario (an Xvfb display, a session bus, an XDG_RUNTIME_DIR), the
# panels a user may have, the real ParvexMenu on the disk-tool doubles, and
# the checks. Every process started here is a child of the script and is
# stopped and waited for when its scenario ends.
# Before sourcing: harness.sh; tree (the source tree), build (the build tree).
for command in Xvfb dbus-daemon gdbus xdotool import status-notifier-watcher gtk-sni-tray-standalone trayer; do
  command -v "$command" >/dev/null || skip "$command is not installed (scripts/deps installs it)"
done
[ -n "${PARVEX_SANDBOX:-}" ] || skip "runs only inside scripts/sandbox"

menu_app=$build/Parvex.app/Contents/Library/LoginItems/ParvexMenu.app/Contents/MacOS/ParvexMenu
menu_log=/Users/tamsel/Parvex.txt
pids=()

started() { pids+=("$1"); }

# A fresh session: display, bus, runtime folder, disk-tool doubles, home;
# $1 is the screen's size (640x480 unless given).
start_session() {
  session=$(mktemp -d /tmp/desktop-e2e.XXXXXX)
  mkdir -m 700 "$session/run"
  export XDG_RUNTIME_DIR=$session/run
  # The desktop's own programs (and those the bus starts for them) keep their
  # settings and caches in the session, never in the machine's home.
  export XDG_CONFIG_HOME=$session/home/.config XDG_CACHE_HOME=$session/home/.cache XDG_DATA_HOME=$session/home/.local/share
  Xvfb -displayfd 3 -noreset -screen 0 "${1:-640x480}x24" 3>"$session/display" >"$session/xvfb.log" 2>&1 &
  started $!
  wait_for 10 test -s "$session/display" || { fail "Xvfb did not start"; return 1; }
  export DISPLAY=:$(cat "$session/display")
  dbus-daemon --session --nofork --print-address=4 4>"$session/bus" 2>"$session/bus.log" &
  started $!
  wait_for 10 test -s "$session/bus" || { fail "the session bus did not start"; return 1; }
  export DBUS_SESSION_BUS_ADDRESS
  DBUS_SESSION_BUS_ADDRESS=$(head -1 "$session/bus")
  state=$session/state
  home=$session/home
  mkdir -p "$state/info" "$home/Desktop" "$home/Library/Preferences"
  # ParvexMenu reads the kernel's mount table: the doubles mount for real.
  touch "$state/real-mounts"
  echo "Filesystem     Size   Used  Avail Capacity  Mounted on" >"$state/df"
  : >"$state/list"
}

stop_session() {
  local pid
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    pid=${pids[i]}
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  pids=()
  grep -F " $session/" /proc/self/mountinfo | cut -d' ' -f5 | sort -r | while read -r target; do
    umount "$(printf '%b' "$target")"
  done
  rm -rf "$session"
}
trap 'stop_session' EXIT

# The settings ParvexMenu reads: the mode (true = manual) and the password.
settings() {
  cat >"$home/Library/Preferences/top.kestrova.macOS.Parvex.Shared.plist" <<PLIST
<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict>
<key>Parvex.Manager.Style.Key</key><$1/>
<key>Parvex.Mac.PWD.Key</key><data>$(printf '%s' "$2" | base64)</data>
</dict></plist>
PLIST
}

# NTFS volumes on one disk, each "identifier:name", mounted by the system.
plug() {
  local list="/dev/disk4 (external, physical):
   #:                       TYPE NAME                    SIZE       IDENTIFIER
" volume identifier name
  for volume in "$@"; do
    identifier=${volume%%:*} name=${volume#*:}
    list+="   1:               Windows_NTFS $name                    500 MB     $identifier
"
    printf '   Device Identifier:         %s\n   Volume Name:               %s\n   Mounted:                   Yes\n   File System Personality:   NTFS\n' \
      "$identifier" "$name" >"$state/info/$identifier"
  done
  printf '%s\n' "$list" >"$state/list"
}

# The doubles' calls, one a line, fields joined by spaces, sudo's input left out.
calls() { [ -f "$state/calls" ] && tr '\0\036' ' \n' <"$state/calls" | sed -E 's/ (stdin|leaked):[^ ]*//g; s/ $//'; }
called() { calls | grep -qxF -- "$1"; }
called_times() { [ "$(calls | grep -cxF -- "$1")" -eq "$2" ]; }
called_at_least() { [ "$(calls | grep -cxF -- "$1")" -ge "$2" ]; }

start_menu_app() {
  PATH="$tree/tests/doubles/bin:$PATH" HOME=$home PARVEX_DOUBLES=$state "$menu_app" >"$session/menu.out" 2>&1 &
  menu_pid=$!
  started $menu_pid
  item="org.kde.StatusNotifierItem-$menu_pid-1"
}

start_watcher() { status-notifier-watcher >"$session/watcher.log" 2>&1 & started $!; wait_for 10 bus_has org.kde.StatusNotifierWatcher; }
# Started apart from the watcher: with --watcher it sometimes crashes at start.
start_sni_host() { gtk-sni-tray-standalone --bottom >"$session/host.log" 2>&1 & started $!; }
start_trayer() {
  trayer --edge bottom --align left --widthtype request --height 24 --SetDockType true --transparent true \
    --alpha 0 --tint 0x303030 >"$session/trayer.log" 2>&1 &
  started $!
}

bus_has() { gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
  --method org.freedesktop.DBus.NameHasOwner "$1" 2>/dev/null | grep -q true; }
registered() { gdbus call --session --dest org.kde.StatusNotifierWatcher --object-path /StatusNotifierWatcher \
  --method org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierWatcher RegisteredStatusNotifierItems \
  2>/dev/null | grep -qF "$item"; }
menu_call() { gdbus call --session --dest "$item" --object-path /MenuBar --method "com.canonical.dbusmenu.$1" -- "${@:2}"; }

# The menu as a panel shows it after asking for it: one line per item,
# "---" for a separator, " (disabled)" after a disabled item.
menu_lines() {
  menu_call AboutToShow 0 >/dev/null
  menu_call GetLayout 0 -1 '@as []' | grep -oE "<\([0-9]+, \{[^}]*\}" | sed -E "
    s/^<\([0-9]+, \{//
    s/.*'type': <'separator'>.*/---/
    s/.*'label': <'([^']*)'>(.*)/\1\2/
    s/, 'enabled': <false>/ (disabled)/
    s/, '[a-z-]+': <[^>]*>//g
    s/\}$//"
}
# The dbusmenu id of the item labelled $1.
menu_id() { menu_call GetLayout 0 -1 '@as []' | grep -oE "<\(([0-9]+), \{'label': <'$(printf '%s' "$1" | sed 's/[][]/\\&/g')'>" | grep -oE '[0-9]+' | head -1; }
# Clicked as a user would: the panel asks for the menu first.
click_item() { menu_call AboutToShow 0 >/dev/null; menu_call Event "$(menu_id "$1")" clicked '<"">' 0 >/dev/null 2>&1; }

# A light menu is drawn in the 100 x 40 pixels at x $2, y $3 of a screenshot
# of the otherwise dark screen.
menu_drawn() { [ "$(/usr/bin/convert "$1" -crop "100x40+$2+$3" -format '%[fx:mean>0.5]' info:)" = 1 ]; }
screenshot() { mkdir -p "$shots"; import -window root "$shots/$1.png"; }
# Whether a menu is on the screen now, at x $1, y $2 as for menu_drawn.
menu_on_screen() { import -window root "$session/probe.png" && menu_drawn "$session/probe.png" "$1" "$2"; }
menu_gone() { ! menu_on_screen "$@"; }

# The settings app, on the same doubles (the ParvexMenu it starts inherits
# them); extra environment as arguments ("GDK_SCALE=2").
parvex=$build/Parvex.app/Contents/MacOS/Parvex
start_parvex() {
  env PATH="$tree/tests/doubles/bin:$PATH" HOME=$home PARVEX_DOUBLES=$state "$@" "$parvex" >>"$session/parvex.out" 2>&1 &
  parvex_pid=$!
  started $parvex_pid
}
# Its controls over AT-SPI, as a screen reader finds them (role, name).
atspi() { /usr/bin/python3 "$tree/tests/e2e/support/atspi_client.py" Parvex "$@"; }
shows() { atspi find "$1" "$2" >/dev/null; }
hides() { ! shows "$@"; }
has_state() { atspi states "$1" "$2" | grep -qx "$3"; }
focused_is() { [ "$(atspi focused)" = "$(printf '%s\t%s' "$1" "$2")" ]; }
# The settings window's alert sheet shows the title $1.
alert_up() { shows label "$1"; }
# A real click of the mouse on the control's centre.
click_control() {
  local centre
  centre=$(atspi find "$1" "$2") || return 1
  xdotool mousemove $centre click 1
}
# A program of the test's that has quit ended with exit status 0 (under the
# sanitizers: nothing leaked); one still running has not.
ended_cleanly() {
  local status=1
  kill -0 "$1" 2>/dev/null || { wait "$1"; status=$?; }
  expect "and it ends cleanly: exit status 0, nothing leaked" test $status -eq 0
}
parvex_window() { xdotool search --onlyvisible --name '^Parvex$' | head -1; }
# Types any text reliably: each character gets a spare keycode of its own
# first, then the keys are pressed (xdotool's own remapping drops characters).
type_text() {
  local text=$1 i character keysym spare=() keysyms=()
  mapfile -t spare < <(xmodmap -pke | awk 'NF == 3 { print $2 }' | tail -60)
  for ((i = 0; i < ${#text}; i++)); do
    character=${text:i:1}
    keysym=$(printf 'U%04X' "'$character")
    xmodmap -e "keycode ${spare[i]} = $keysym"
    keysyms+=("$keysym")
  done
  xdotool key --delay 40 "${keysyms[@]}"
}
# A value of the shared settings as text (data as UTF-8, Booleans as True/False).
setting() {
  /usr/bin/python3 -c 'import plistlib, sys
value = plistlib.load(open(sys.argv[1], "rb")).get(sys.argv[2], "")
print(value.decode() if isinstance(value, bytes) else value)' \
    "$home/Library/Preferences/top.kestrova.macOS.Parvex.Shared.plist" "$1" 2>/dev/null
}
stored_password() { setting Parvex.Mac.PWD.Key; }
# The window as the screen shows it, with a sheet over it.
window_shot() {
  local X Y WIDTH HEIGHT SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$(parvex_window)")"
  mkdir -p "$shots"
  import -window root -crop "${WIDTH}x${HEIGHT}+$X+$Y" +repage "$shots/$1.png"
}
