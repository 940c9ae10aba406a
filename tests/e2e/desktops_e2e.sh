#!/usr/bin/env bash
# ParvexMenu and the settings window on the desktops people use, each in a
# session of its own with the real components, not our test panel:
#   xfce   xfwm4, xfce4-panel (StatusNotifierItem host and X tray) and
#          xfce4-notifyd
#   mate   mate-panel under openbox
#   lxde   lxpanel under openbox (X tray only)
#   tint2  tint2's dark and light panels under openbox (X tray only), dunst
#   sway   sway with waybar, headless Wayland, as a regular user
# Checked as a user meets them: the menu whole on its first opening, the icon
# standing out from the panel (contrast ratios read from screenshots), a left
# click, the settings window brought to the front, centred, matched to its
# desktop entry, one notification button, one ParvexMenu.
#   desktops_e2e.sh DESKTOP TREE BUILD SHOTS WAYLAND_POINTER
set -uo pipefail
desktop=$1 tree=$2 build=$3 shots=$4 wayland_pointer=$5
. "$(dirname "$0")/support/harness.sh"
. "$(dirname "$0")/support/desktop_session.sh"
export LC_ALL=C.UTF-8
measure() { /usr/bin/python3 "$tree/tests/e2e/support/shot_measure.py" "$@"; }
probe() { import -window root "$session/probe.png"; }

# The panel's own client library (libdbusmenu-glib, which many panels link)
# holds the menu as the panel would draw it before it asks for it again: its
# labels, one a line.
held_menu() {
  CHARSET=UTF-8 timeout 10 /usr/libexec/dbusmenu-dumper --dbus-name="$item" --dbus-object=/MenuBar 2>/dev/null \
    | grep -o '"label": .*' | sed -E "s/^\"label\": '(.*)',?$/\1/"
}
holds() { held_menu | grep -qxF -- "$1"; }

# The status icon's light (green in the icon that panels draw as it is) on
# the screen now, in the box X Y W H: "x y".
light_at() { probe && measure light "$session/probe.png" "$@"; }
# In the 20 x 20 box around an icon whose light is at x $1, y $2 of the
# screenshot $3: how many pixels stand out from the panel by a contrast ratio
# of 3:1 or more, and the highest ratio.
contrasting_pixels() { measure contrast "$3" $(($1 - 14)) $(($2 - 10)) 20 20; }
# The icon stands out ("pixels ratio" as measured): a frame's worth of pixels
# at the least.
stands_out() {
  local count=${1% *}
  echo "  ($count pixels stand out from the panel by 3:1 or more; the most, ${1#* }:1)"
  [ "$count" -ge 24 ]
}
# Height of the light menu whose left edge is at x $1, from y $2 down, now.
menu_height() { probe && measure height "$session/probe.png" "$1" "$2"; }
menu_up() { [ "$(menu_height "$@")" -ge 40 ]; }
menu_down() { ! menu_up "$@"; }
# Opens the menu with a click at x $1, y $2 and, once it is up at x $3 from
# y $4, says how tall it is; closes it again with Escape.
opened_height() {
  local height
  xdotool mousemove "$1" "$2" click "${5:-1}"
  wait_for 10 menu_up "$3" "$4" || { echo 0; return; }
  sleep 0.3
  height=$(menu_height "$3" "$4")
  xdotool key Escape
  wait_for 10 menu_down "$3" "$4"
  echo "$height"
}
# An X tray's icon window: "x y width height".
tray_icon_box() {
  xwininfo -root -tree | grep -F '"Parvex": ("ParvexMenu" "ParvexMenu")' | head -1 \
    | sed -E 's/.* ([0-9]+)x([0-9]+)\+-?[0-9]+\+-?[0-9]+ +\+(-?[0-9]+)\+(-?[0-9]+).*/\3 \4 \1 \2/'
}
embedded() { grep -qs "embedded in the X system tray" "$menu_log" && [ -n "$(tray_icon_box)" ]; }
# ParvexMenu's own popup menu, while it is up: "x y width height".
popup_box() {
  local window X Y WIDTH HEIGHT SCREEN
  for window in $(xdotool search --onlyvisible --class ParvexMenu 2>/dev/null); do
    eval "$(xdotool getwindowgeometry --shell "$window" 2>/dev/null)" || continue
    [ "$HEIGHT" -gt 40 ] && { echo "$X $Y $WIDTH $HEIGHT"; return 0; }
  done
  return 1
}
popup_up() { popup_box >/dev/null; }
# Where the screen's work area (the screen less the panels) begins, from the top.
work_area_top() { xprop -root _NET_WORKAREA | sed -E 's/.*= *[0-9]+, *([0-9]+),.*/\1/'; }
popup_gone() { ! popup_up; }
# The settings app's main window, and whether the window manager shows it active.
settings_window_active() { [ -n "$(parvex_window)" ] && [ "$(xdotool getactivewindow 2>/dev/null)" = "$(parvex_window)" ]; }
# A window is centred when its middle is within a title bar's height of the
# middle of the screen's work area (the screen less the panels); $1 the window.
centred() {
  [ -n "$1" ] || return 1
  local x y width height area
  read -r x y width height <<<"$(xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
    /^ *Width/ {w=$NF} /^ *Height/ {h=$NF} END {print x, y, w, h}')"
  area=($(xprop -root _NET_WORKAREA | grep -oE '[0-9]+' | head -4))
  echo "  (the window is ${width}x$height at $x,$y; the work area ${area[2]}x${area[3]} at ${area[0]},${area[1]})"
  [ $(( (x + width / 2 - area[0] - area[2] / 2) ** 2 )) -le 1600 ] \
    && [ $(( (y + height / 2 - area[1] - area[3] / 2) ** 2 )) -le 1600 ]
}
parvex_started() { pgrep -f "^$parvex" >/dev/null; }
# One ParvexMenu per user: a second start leaves at once, saying so, and the
# panel keeps one item.
second_copy_leaves() {
  PATH="$tree/tests/doubles/bin:$PATH" HOME=$home PARVEX_DOUBLES=$state "$menu_app" >"$session/second.out" 2>&1 &
  local second=$! status=running
  wait_for 10 sh -c "! kill -0 $second 2>/dev/null" && { wait $second; status=$?; }
  expect "a second ParvexMenu leaves at once, successfully (status: $status)" test "$status" = 0
  expect "... saying why in one entry" test "$(grep -c "ParvexMenu runs already" "$session/second.out")" -eq 1
  expect "the panel has one item" test "$(items_registered)" -eq 1
  kill $second 2>/dev/null
  wait $second 2>/dev/null
}
items_registered() {
  gdbus call --session --dest org.kde.StatusNotifierWatcher --object-path /StatusNotifierWatcher \
    --method org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierWatcher RegisteredStatusNotifierItems \
    2>/dev/null | grep -o 'StatusNotifierItem-[0-9]*' | sort -u | wc -l
}
start_openbox() { openbox --sm-disable >"$session/wm.log" 2>&1 & started $!; wait_for 10 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q window'; }

# The Xfce panel at the top: its StatusNotifierItem and X tray plugin, then
# the clock, from the settings xfconf keeps (read from the file as it starts).
xfce_panel_preset() {
  mkdir -p "$XDG_CONFIG_HOME/xfce4/xfconf/xfce-perchannel-xml"
  cat >"$XDG_CONFIG_HOME/xfce4/xfconf/xfce-perchannel-xml/xfce4-panel.xml" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-panel" version="1.0">
  <property name="configver" type="int" value="2"/>
  <property name="panels" type="array">
    <value type="int" value="1"/>
    <property name="panel-1" type="empty">
      <property name="position" type="string" value="p=6;x=0;y=0"/>
      <property name="length" type="uint" value="100"/>
      <property name="position-locked" type="bool" value="true"/>
      <property name="size" type="uint" value="28"/>
      <property name="icon-size" type="uint" value="16"/>
      <property name="plugin-ids" type="array">
        <value type="int" value="1"/>
        <value type="int" value="2"/>
      </property>
    </property>
  </property>
  <property name="plugins" type="empty">
    <property name="plugin-1" type="string" value="systray">
      <property name="square-icons" type="bool" value="true"/>
    </property>
    <property name="plugin-2" type="string" value="clock"/>
  </property>
</channel>
XML
}

xfce() {
  echo "# Xfce: xfwm4, xfce4-panel, xfce4-notifyd"
  local notifyd=/usr/lib/x86_64-linux-gnu/xfce4/notifyd/xfce4-notifyd
  for command in xfwm4 xfce4-panel "$notifyd" /usr/libexec/dbusmenu-dumper; do
    command -v "$command" >/dev/null || skip "$command is not installed (scripts/deps installs it)"
  done
  start_session 800x600
  xfce_panel_preset
  xfwm4 --compositor=off >"$session/wm.log" 2>&1 &
  started $!
  xfce4-panel >"$session/panel.log" 2>&1 &
  started $!
  "$notifyd" >"$session/notifyd.log" 2>&1 &
  started $!
  wait_for 20 bus_has org.kde.StatusNotifierWatcher || fail "xfce4-panel did not start its StatusNotifierWatcher"
  wait_for 10 bus_has org.freedesktop.Notifications || fail "xfce4-notifyd did not start"

  # Without a session bus ParvexMenu goes to the panel's X tray, which says
  # which colours its icons should have.
  settings false "not the password"
  echo secret >"$state/password"
  PATH="$tree/tests/doubles/bin:$PATH" HOME=$home PARVEX_DOUBLES=$state DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent \
    "$menu_app" >"$session/menu-x.out" 2>&1 &
  local lone=$!
  started $lone
  expect "with no session bus the icon goes to xfce4-panel's X tray" wait_for 20 embedded
  local x y width height
  # The tray draws the icon a moment after it embeds it: shots until it shows.
  local measured=""
  tray_icon_shown() {
    screenshot xfce-xtray && read -r x y width height <<<"$(tray_icon_box)" \
      && measured=$(contrasting_pixels $((x + width / 2 + 4)) $((y + height / 2)) "$shots/xfce-xtray.png") \
      && [ "${measured% *}" -ge 24 ]
  }
  wait_for 10 tray_icon_shown
  expect "... standing out from the panel" stands_out "$measured"
  expect "there, in the tray's own colours, the symbolic icon (no colours of its own)" \
    sh -c "! '$tree/tests/e2e/support/shot_measure.py' light '$shots/xfce-xtray.png' $x $y $width $height"
  kill $lone
  wait_for 20 sh -c "! kill -0 $lone 2>/dev/null"

  start_menu_app
  expect "with the bus, the item registers with the panel" wait_for 20 registered
  expect "before it is first opened the panel holds the whole menu" \
    wait_for 10 eval 'holds "没有发现NTFS卷" && holds "打开 Parvex"'
  plug disk4s1:Data

  # The failed mount's notice, as xfce4-notifyd draws it (for ten seconds).
  notifyd_shows() { /usr/bin/python3 "$tree/tests/e2e/support/atspi_client.py" xfce4-notifyd "$@"; }
  expect "the failed mount is told" wait_for 20 eval 'notifyd_shows find label "无法挂载「Data」" >/dev/null'
  screenshot xfce-notice
  expect "its notice has one button, 打开 Parvex" \
    test "$(notifyd_shows list | grep -c "^push button	打开 Parvex	showing")" -eq 1
  expect "the volume came: the panel was told at once, before anyone opened the menu" holds "挂载 [Data]"
  local centre
  centre=$(notifyd_shows find "push button" "打开 Parvex")
  xdotool mousemove $centre click 1
  expect "the button opens the settings app" wait_for 20 parvex_started
  started "$(pgrep -f "^$parvex" | head -1)"
  expect "its window shows" wait_for 30 eval '[ -n "$(parvex_window)" ]'
  local window
  window=$(parvex_window)
  sleep 0.5
  expect "xfwm4 puts it in the middle of the screen" centred "$window"
  screenshot xfce-window

  local light x y
  wait_for 10 eval 'light=$(light_at 0 0 200 28)'
  expect "the panel shows the icon (its light, the green pixels)" test -n "${light:-}"
  read -r x y <<<"${light:-0 0}"
  screenshot xfce-panel
  expect "the icon stands out from the light panel" stands_out "$(contrasting_pixels "$x" "$y" "$shots/xfce-panel.png")"
  local first second
  first=$(opened_height "$x" "$y" $((x - 8)) 30)
  xdotool mousemove "$x" "$y" click 1
  wait_for 10 menu_up $((x - 8)) 30
  screenshot xfce-menu
  expect "a left click opens the panel's own menu, not ours too (xfce4-panel honours ItemIsMenu)" popup_gone
  xdotool key Escape
  wait_for 10 menu_down $((x - 8)) 30
  second=$(opened_height "$x" "$y" $((x - 8)) 30)
  echo "  (the menu was $first pixels tall at its first opening, $second at the next)"
  expect "the first opening shows the whole menu, as tall as the next" test "$first" -gt 60 -a "$first" -eq "$second"

  xdotool windowminimize "$window"
  expect "minimised, the window is not active" wait_for 10 sh -c "[ \"\$(xdotool getactivewindow 2>/dev/null)\" != $window ]"
  xdotool mousemove "$x" "$y" click 1
  wait_for 10 menu_up $((x - 8)) 30
  # Up from nothing chosen is the last item, 退出; once more, 打开 Parvex.
  xdotool key Up Up Return
  expect "打开 Parvex in the panel's menu brings the running window to the front" wait_for 20 settings_window_active
  expect "... the same window: one settings app" test "$(pgrep -fc "^$parvex")" -eq 1

  # Saving the other mode relaunches ParvexMenu: the new copy starts once the
  # old one has gone, and the lock lets it run.
  local field
  for field in 输入Mac设备开机密码 再次输入Mac设备开机密码; do
    click_control "password text" "$field"
    wait_for 10 focused_is "password text" "$field"
    xdotool key ctrl+a BackSpace
    type_text secret
  done
  click_control "check box" 手动管理
  wait_for 10 shows "push button" "需要安装插件(点此安装)"
  click_control "push button" 保存
  expect "saving the manual mode says 已保存" wait_for 10 shows label 已保存
  expect "the old ParvexMenu quits" wait_for 30 sh -c "! kill -0 $menu_pid 2>/dev/null"
  relaunched() { [ "$(items_registered)" -eq 1 ] && ! registered && pgrep -f "^$menu_app" >/dev/null; }
  expect "a new one takes its place in the panel, alone" wait_for 30 relaunched
  expect "... and runs: it did not find the old one" sh -c "! grep -q 'runs already' '$menu_log'"

  second_copy_leaves
  stop_session
}

mate() {
  echo "# MATE: mate-panel"
  command -v mate-panel >/dev/null || skip "mate-panel is not installed (scripts/deps installs it)"
  start_session 640x480
  start_openbox
  mate-panel >"$session/panel.log" 2>&1 &
  started $!
  wait_for 20 bus_has org.kde.StatusNotifierWatcher || fail "mate-panel did not start its StatusNotifierWatcher"
  settings true ""
  start_menu_app
  expect "the item registers with mate-panel's watcher" wait_for 20 registered
  plug disk4s1:A disk4s2:B
  expect "the panel holds both volumes before it first opens the menu" \
    wait_for 20 eval 'holds "挂载 [A]" && holds "挂载 [B]"'
  local button x y width height
  button=$(/usr/bin/python3 "$tree/tests/e2e/support/atspi_client.py" mate-panel find "push button" ParvexMenu)
  expect "mate-panel shows the item as a button" test -n "$button"
  read -r x y <<<"$button"
  screenshot mate-panel
  expect "the icon stands out from the light panel" stands_out "$(measure contrast "$shots/mate-panel.png" $((x - 12)) 0 25 25)"

  # mate-panel may place its second (window list) panel at the top too, under
  # the first: menus then open below both, where the work area begins.
  local first second below
  below=$(($(work_area_top) + 5))
  first=$(opened_height "$x" "$y" $((x - 10)) "$below" 3)
  second=$(opened_height "$x" "$y" $((x - 10)) "$below" 3)
  echo "  (mate-panel's menu was $first pixels tall at its first opening, $second at the next)"
  expect "a right click: mate-panel's menu, whole at its first opening" test "$first" -gt 60 -a "$first" -eq "$second"

  # mate-panel sends Activate on a left click; the menu comes at the pointer.
  xdotool mousemove "$x" "$y" click 1
  expect "a left click shows the menu too" wait_for 10 popup_up
  sleep 0.3
  screenshot mate-left-click
  local box height
  box=$(popup_box)
  echo "  (the menu is ${box#* * } pixels, at ${box% * *})"
  local top left
  read -r left top _ height <<<"$box"
  expect "... at the pointer (below the panels), whole" \
    eval '[ $(( (left - x) ** 2 )) -le 900 ] && [ "$top" -ge "$y" ] && [ "$top" -le "$below" ] && [ "$height" -ge $((first * 9 / 10)) ]'
  xdotool key Return
  sleep 0.5
  expect "nothing in it is chosen before the user moves to it: Return alone chose nothing" \
    eval '! grep -q didChangeSelect "$menu_log" && popup_up'
  # Up from nothing chosen is the last item.
  xdotool key Up Return
  expect "its 退出 quits ParvexMenu" wait_for 20 sh -c "! kill -0 $menu_pid 2>/dev/null"
  ended_cleanly $menu_pid
  stop_session
}

# ParvexMenu in a panel's X tray under openbox; $1 the panel's command.
xtray_session() {
  start_session 640x480
  start_openbox
  env HOME="$home" "$@" >"$session/panel.log" 2>&1 &
  panel_pid=$!
  started $panel_pid
  settings true ""
  start_menu_app
}
icon_contrast() {
  local x y width height
  read -r x y width height <<<"$(tray_icon_box)"
  screenshot "$1"
  measure contrast "$shots/$1.png" "$x" "$y" "$width" "$height"
}

lxde() {
  echo "# LXDE: lxpanel's X tray"
  command -v lxpanel >/dev/null || skip "lxpanel is not installed (scripts/deps installs it)"
  xtray_session lxpanel
  expect "the icon is embedded in lxpanel's tray" wait_for 20 embedded
  sleep 0.5
  expect "it stands out from the panel" stands_out "$(icon_contrast lxpanel)"
  plug disk4s1:A
  wait_for 20 called "diskutil info disk4s1"
  local x y width height
  read -r x y width height <<<"$(tray_icon_box)"
  xdotool mousemove $((x + width / 2)) $((y + height / 2)) click 1
  expect "a click opens the menu" wait_for 10 popup_up
  sleep 0.3
  screenshot lxpanel-menu
  xdotool key Return
  sleep 0.5
  expect "no item is chosen before the user moves to one: Return alone mounted nothing" \
    eval '! grep -q didChangeSelect "$menu_log" && popup_up'
  xdotool key Down Return
  expect "the arrows reach it: Down and Return choose 挂载 [A]" wait_for 10 grep -q "didChangeSelect" "$menu_log"
  stop_session
}

tint2_desktop() {
  echo "# tint2's dark and light panels, dunst"
  for command in tint2 dunst dunstctl; do
    command -v "$command" >/dev/null || skip "$command is not installed (scripts/deps installs it)"
  done
  xtray_session tint2
  expect "the icon is embedded in tint2's tray" wait_for 20 embedded
  sleep 0.5
  expect "it stands out from tint2's dark panel" stands_out "$(icon_contrast tint2-dark)"
  # The same panel in light colours: the icon moves into its tray.
  sed -E 's/^background_color = #000000 60/background_color = #f0f0f0 100/; s/^clock_font_color = .*/clock_font_color = #202020 100/' \
    /etc/xdg/tint2/tint2rc >"$session/light.tint2rc"
  kill $panel_pid
  wait $panel_pid 2>/dev/null
  tint2 -c "$session/light.tint2rc" >"$session/panel-light.log" 2>&1 &
  started $!
  expect "tint2 in light colours takes the icon" \
    wait_for 20 sh -c "[ \$(grep -c 'embedded in the X system tray' '$menu_log') -ge 2 ]"
  sleep 0.5
  expect "it stands out from the light panel too" stands_out "$(icon_contrast tint2-light)"
  kill $menu_pid
  wait_for 20 sh -c "! kill -0 $menu_pid 2>/dev/null"

  # dunst draws no buttons: its actions are a menu (dmenu's; a recorder here)
  # and a middle click invokes the default one.
  cat >"$session/dmenu" <<SCRIPT
#!/bin/sh
cat >"$session/offered"
SCRIPT
  chmod +x "$session/dmenu"
  printf '[global]\ndmenu = %s\n' "$session/dmenu" >"$session/dunstrc"
  dunst -config "$session/dunstrc" >"$session/dunst.log" 2>&1 &
  started $!
  wait_for 10 bus_has org.freedesktop.Notifications
  settings false "not the password"
  echo secret >"$state/password"
  start_menu_app
  plug disk4s1:Data
  expect "the failed mount is told" wait_for 20 sh -c "dunstctl count displayed | grep -qx 1"
  screenshot dunst-notice
  dunstctl context
  wait_for 10 test -s "$session/offered"
  echo "  (dunst's menu of actions: $(tr '\n' '|' <"$session/offered"))"
  expect "dunst offers 打开 Parvex once" test "$(grep -c '打开 Parvex' "$session/offered")" -eq 1
  local window X Y WIDTH HEIGHT SCREEN
  window=$(xdotool search --onlyvisible --class Dunst | head -1)
  eval "$(xdotool getwindowgeometry --shell "$window")"
  xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 2
  expect "a middle click on the notice (its default action) opens the settings app" wait_for 20 parvex_started
  started "$(pgrep -f "^$parvex" | head -1)"
  stop_session
}

# sway refuses to run as root: the whole session is a regular user's.
sway_desktop() {
  echo "# sway with waybar (Wayland)"
  for command in sway swaymsg waybar grim setpriv; do
    command -v "$command" >/dev/null || skip "$command is not installed (scripts/deps installs it)"
  done
  local user=nobody screen_width=1024 screen_height=600
  session=$(mktemp -d /tmp/desktop-e2e.XXXXXX)
  state=$session/state home=$session/home
  mkdir -p "$session/run" "$state/info" "$home/Desktop" "$home/Library/Preferences" "$home/.config/sway" "$home/.config/waybar"
  chmod 700 "$session/run"
  touch "$state/real-mounts"
  echo "Filesystem     Size   Used  Avail Capacity  Mounted on" >"$state/df"
  : >"$state/list"
  cat >"$home/.config/sway/config" <<CONF
output HEADLESS-1 resolution ${screen_width}x$screen_height
xwayland disable
exec waybar >$session/waybar.log 2>&1
CONF
  cat >"$home/.config/waybar/config" <<'CONF'
{ "layer": "top", "position": "top", "height": 26, "modules-right": ["tray"], "tray": { "icon-size": 16, "spacing": 6 } }
CONF
  settings true ""
  chown -R "$user:" "$session"
  export HOME=$home XDG_RUNTIME_DIR=$session/run XDG_CONFIG_HOME=$home/.config XDG_CACHE_HOME=$home/.cache XDG_DATA_HOME=$home/.local/share
  # A command, not a function: started in the background it keeps its pid.
  local as_user=(setpriv --reuid="$(id -u $user)" --regid="$(id -g $user)" --clear-groups)
  # The user's session bus, which lets the test (root) in as well.
  cat >"$session/bus.conf" <<CONF
<busconfig>
  <type>session</type>
  <listen>unix:path=$session/bus.socket</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONF
  "${as_user[@]}" dbus-daemon --config-file="$session/bus.conf" --nofork --print-address=4 4>"$session/bus" 2>"$session/bus.log" &
  started $!
  wait_for 10 test -s "$session/bus" || { fail "the session bus did not start"; return; }
  export DBUS_SESSION_BUS_ADDRESS
  DBUS_SESSION_BUS_ADDRESS=$(head -1 "$session/bus")
  WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 "${as_user[@]}" sway >"$session/sway.log" 2>&1 &
  started $!
  wait_for 20 sh -c "ls '$session/run' | grep -q '^wayland-[0-9]*$'" || { fail "sway did not start"; return; }
  export WAYLAND_DISPLAY
  WAYLAND_DISPLAY=$(ls "$session/run" | grep -m1 '^wayland-[0-9]*$')
  export SWAYSOCK
  SWAYSOCK=$(ls "$session"/run/sway-ipc.*.sock | head -1)
  wait_for 20 bus_has org.kde.StatusNotifierWatcher \
    || { fail "waybar did not start its StatusNotifierWatcher"; tail -n 5 "$session/sway.log" "$session/waybar.log"; }
  mkfifo "$session/pointer"
  # Opened for reading too, so that it never waits for the pointer to start.
  exec 7<>"$session/pointer"
  "${as_user[@]}" "$wayland_pointer" "$screen_width" "$screen_height" <"$session/pointer" >"$session/pointer.out" 2>&1 &
  started $!
  click() { echo "click $*" >&7; }
  grab() { "${as_user[@]}" grim "$session/probe.png" && cp "$session/probe.png" "$shots/$1.png"; }
  # Heights read from a grim screenshot rather than X's.
  probe() { "${as_user[@]}" grim "$session/probe.png"; }

  "${as_user[@]}" env PATH="$tree/tests/doubles/bin:$PATH" PARVEX_DOUBLES=$state "$menu_app" >"$session/menu.out" 2>&1 &
  menu_pid=$!
  started $menu_pid
  item="org.kde.StatusNotifierItem-$menu_pid-1"
  expect "the item registers with waybar's watcher" wait_for 20 registered
  registered || cat "$session/menu.out"
  plug disk4s1:A disk4s2:B
  chown -R "$user:" "$state"
  expect "the panel holds both volumes before it first opens the menu" \
    wait_for 20 eval 'holds "挂载 [A]" && holds "挂载 [B]"'
  local light x y first second
  wait_for 10 eval 'light=$(probe && measure light "$session/probe.png" 0 0 $screen_width 26)'
  expect "waybar shows the icon (its light, the green pixels)" test -n "${light:-}"
  read -r x y <<<"${light:-0 0}"
  grab waybar
  expect "the icon stands out from waybar's dark bar" stands_out "$(contrasting_pixels "$x" "$y" "$shots/waybar.png")"
  click "$x" "$y"
  wait_for 10 menu_up $((x - 120)) 30
  sleep 0.3
  grab waybar-menu
  first=$(menu_height $((x - 120)) 30)
  click 500 300
  wait_for 10 menu_down $((x - 120)) 30
  click "$x" "$y"
  wait_for 10 menu_up $((x - 120)) 30
  sleep 0.3
  second=$(menu_height $((x - 120)) 30)
  click 500 300
  echo "  (waybar's menu was $first pixels tall at its first opening, $second at the next)"
  expect "the first opening shows the whole menu, as tall as the next" test "$first" -gt 60 -a "$first" -eq "$second"

  "${as_user[@]}" env GDK_BACKEND=wayland PATH="$tree/tests/doubles/bin:$PATH" PARVEX_DOUBLES=$state "$parvex" >"$session/parvex.out" 2>&1 &
  started $!
  app_id() { "${as_user[@]}" swaymsg -t get_tree | grep -o '"app_id": "[^"]*"' | grep -v ': "null"'; }
  expect "the settings window shows under sway" wait_for 30 sh -c "swaymsg -t get_tree | grep -q '\"name\": \"Parvex\"'"
  echo "  (sway lists $(app_id | tr '\n' ' '))"
  expect "its app_id is the desktop entry's name, top.kestrova.macOS.Parvex" \
    test "$(app_id)" = '"app_id": "top.kestrova.macOS.Parvex"'
  grab sway-window
  exec 7>&-
  stop_session
}

case $desktop in
xfce) xfce ;;
mate) mate ;;
lxde) lxde ;;
tint2) tint2_desktop ;;
sway) sway_desktop ;;
*) echo "unknown desktop $desktop" >&2; exit 2 ;;
esac
finish
