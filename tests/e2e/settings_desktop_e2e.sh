#!/usr/bin/env bash
# The settings app on a desktop, each scenario in a session of its own under
# Xvfb: a person's use of the window with the mouse and the keyboard, found
# over AT-SPI as a screen reader finds it (HiDPI, GDK_SCALE=2), the save
# button's hover look, screenshots compared with their references, a sheet
# that keeps the mouse from its window, Chinese typed through an input method
# (ibus, pinyin), saves that cannot be written (a full disk, a read-only one,
# no permission) saying why, the desktop's dark preference switched while it
# runs (the settings portal, then GTK's own setting), and a second start
# bringing the running window to the front.
#   settings_desktop_e2e.sh TREE BUILD SHOTS SETTINGS_PORTAL CLOSE_WINDOW SCREENSHOT_MATCHES
set -uo pipefail
tree=$1 build=$2 shots=$3 settings_portal=$4 close_window=$5 screenshot_matches=$6
. "$(dirname "$0")/support/harness.sh"
. "$(dirname "$0")/support/desktop_session.sh"
export LC_ALL=C.UTF-8
for command in xmodmap ibus-daemon xsettingsd xlogo; do
  command -v "$command" >/dev/null || skip "$command is not installed (scripts/deps installs it)"
done
/usr/bin/python3 -c 'import gi; gi.require_version("Atspi", "2.0")' 2>/dev/null || skip "no AT-SPI for /usr/bin/python3 (gir1.2-atspi-2.0)"
matches() { "$screenshot_matches" "$shots/$1.png" "$1" >"$session/compare-$1.log" 2>&1 || { cat "$session/compare-$1.log"; false; }; }
save_failed_with() { alert_up 保存失败 && shows label "$1"; }
# Clicks into each password field and types $1.
type_passwords() {
  local field
  for field in 输入Mac设备开机密码 再次输入Mac设备开机密码; do
    click_control "password text" "$field"
    wait_for 10 focused_is "password text" "$field"
    type_text "$1"
  done
}
setting_is() { [ "$(setting "$1")" = "$2" ]; }
alert_gone() { hides push\ button 好的; }
answer_alert() { click_control "push button" 好的 && wait_for 10 alert_gone; }
# The save button's colour (hex) as the screen shows it, left of its title.
save_colour() {
  local x y
  read -r x y <<<"$(atspi find "push button" 保存)" || return 1
  import -window root -crop "1x1+$((x - 70))+$y" +repage "$session/pixel.png" \
    && /usr/bin/convert "$session/pixel.png" -format '%[hex:p{0,0}]' info:
}
save_colour_is() { [ "$(save_colour)" = "$1" ]; }

echo "# The window with the mouse and the keyboard, at two pixels per point"
start_session 1280x800
start_parvex GDK_SCALE=2
export PARVEX_SCREEN_SCALE=2
expect "the window shows its controls to AT-SPI" wait_for 30 shows "push button" 保存
expect "the password fields are masked entries named by their placeholders" \
  eval 'shows "password text" 输入Mac设备开机密码 && shows "password text" 再次输入Mac设备开机密码'
expect "the automatic mode's box is checked, the manual one's not" \
  wait_for 10 eval 'has_state "check box" 自动管理 checked && ! has_state "check box" 手动管理 checked'
# Read from what the app printed: the log file is ParvexMenu's to clear at its
# start, which comes a second after this app's, maybe before this check.
expect "the log says where the windows are" grep -q "windows on the display" "$session/parvex.out"
expect "the window's class is the desktop entry's StartupWMClass, so docks match them" \
  test "$(xdotool search --onlyvisible --class '^top\.kestrova\.macOS\.Parvex$')" = "$(parvex_window)"
window_shot settings-automatic
expect "the window looks as its reference (automatic mode)" matches settings-automatic
expect "the app starts ParvexMenu within about a second" wait_for 10 pgrep -f "$menu_app"
expect "the save button has its colour" save_colour_is 1E64C8
xdotool mousemove $(atspi find "push button" 保存)
expect "the mouse over it gives it the hover look" wait_for 10 save_colour_is 1E5AB4
xdotool mousemove 900 100
expect "and the mouse leaving takes the look away" wait_for 10 save_colour_is 1E64C8

click_control "password text" 输入Mac设备开机密码
expect "a click puts the focus in the password field" wait_for 10 focused_is "password text" 输入Mac设备开机密码
type_text abc
xdotool key Tab
expect "tab moves to the second field" wait_for 10 focused_is "password text" 再次输入Mac设备开机密码
type_text abc
xdotool key Return
expect "return saves: a 3-character password is refused" wait_for 10 alert_up 请输入Mac设备开机密码
expect "nothing was stored" test -z "$(stored_password)"
expect "the alert's button closes it" answer_alert

click_control "password text" 输入Mac设备开机密码
xdotool key ctrl+a BackSpace
type_text "密码ü1"
click_control "password text" 再次输入Mac设备开机密码
xdotool key ctrl+a BackSpace
type_text "密码ü1"
xdotool key Tab
expect "tab goes on from the last field to the save button" wait_for 10 focused_is "push button" 保存
xdotool key space
expect "space clicks the focused button: the sheet 已保存 comes over the window" wait_for 10 alert_up 已保存
expect "the sheet's label carries the hint" shows label 首次设置或者管理模式变动后需重启电脑，其他情况不用重启电脑
window_shot settings-saved
expect "the window with its sheet looks as its reference" matches settings-saved
expect "the settings file holds the password as typed" test "$(stored_password)" = "密码ü1"
expect "the sheet's button closes it" answer_alert

xdotool key shift+Tab
expect "back tab goes back to the second field" wait_for 10 focused_is "password text" 再次输入Mac设备开机密码
for key in shift+Tab shift+Tab shift+Tab shift+Tab; do xdotool key $key; done
expect "four more back tabs reach the login-item box" wait_for 10 focused_is "check box" 开机启动
xdotool key space
expect "space toggles the box" wait_for 10 has_state "check box" 开机启动 checked
expect "and the login item is switched on" wait_for 10 setting_is Parvex.Helper.Login.Item.Enabled.Key True
click_control "check box" 手动管理
expect "a click on 手动管理 switches the mode: the fields go, the plug-in button comes" \
  wait_for 10 eval 'shows "push button" "需要安装插件(点此安装)" && hides "password text" 输入Mac设备开机密码'
xdotool mousemove 0 0
sleep 0.3
window_shot settings-manual
expect "the window looks as its reference (manual mode)" matches settings-manual

"$close_window" "$(parvex_window)"
expect "closing the window quits the app" wait_for 20 sh -c "! kill -0 $parvex_pid 2>/dev/null"
ended_cleanly $parvex_pid
unset PARVEX_SCREEN_SCALE
stop_session

echo "# Chinese through an input method (ibus, pinyin)"
start_session
mkdir -p "$home/.config/ibus"
HOME=$home ibus-daemon --panel=disable --config=/usr/libexec/ibus-memconf --replace >"$session/ibus.log" 2>&1 &
started $!
pinyin() { HOME=$home ibus engine libpinyin >/dev/null 2>&1; [ "$(HOME=$home ibus engine 2>/dev/null)" = libpinyin ]; }
expect "the input method daemon runs with pinyin" wait_for 20 pinyin
start_parvex GTK_IM_MODULE=ibus
wait_for 30 shows "password text" 输入Mac设备开机密码
for field in 输入Mac设备开机密码 再次输入Mac设备开机密码; do
  click_control "password text" "$field"
  wait_for 10 focused_is "password text" "$field"
  xdotool type --delay 60 mima
  xdotool key space
  xdotool type --delay 60 mima
  xdotool key space
done
xdotool key Return
expect "saving what the input method committed: 已保存" wait_for 10 alert_up 已保存
expect "the model received the committed characters 密码密码" test "$(stored_password)" = "密码密码"
click_control "push button" 保存
expect "the sheet's button closes it" answer_alert
sleep 0.5
expect "the window under the sheet took no click on 保存 meanwhile: no second sheet" hides label 已保存
"$close_window" "$(parvex_window)"
expect "closing the window after its sheet quits the app" wait_for 20 sh -c "! kill -0 $parvex_pid 2>/dev/null"
ended_cleanly $parvex_pid
stop_session

echo "# A save that cannot be written says why, in the window's language"
start_session
prefs=$home/Library/Preferences
mount -t tmpfs -o size=64k,mode=0755 tmpfs "$prefs"
# Filled to the last block: the settings file finds no room.
dd if=/dev/zero of="$prefs/filler" bs=4k 2>/dev/null
start_parvex
wait_for 30 shows "password text" 输入Mac设备开机密码
type_passwords 密码1234
xdotool key Return
expect "a full disk: 保存失败, for want of space" wait_for 10 save_failed_with 磁盘空间不足，设置未能写入
expect "the log has the system's own words" wait_for 10 grep -q "No space left on device" "$session/parvex.out"
answer_alert
rm "$prefs/filler"
mount -o remount,ro "$prefs"
xdotool key Return
expect "a read-only disk: 保存失败, the disk can only be read" wait_for 10 save_failed_with 设置文件所在的磁盘是只读的
expect "the log has the system's own words" wait_for 10 grep -q "Read-only file system" "$session/parvex.out"
answer_alert
"$close_window" "$(parvex_window)"
wait_for 20 sh -c "! kill -0 $parvex_pid 2>/dev/null"
ended_cleanly $parvex_pid
stop_session
# A folder the user may not write to: root without its power over file modes.
start_session
chmod 0555 "$home/Library/Preferences"
start_parvex setpriv --bounding-set=-dac_override,-dac_read_search
wait_for 30 shows "password text" 输入Mac设备开机密码
type_passwords 密码1234
xdotool key Return
expect "no permission: 保存失败, the file may not be written" wait_for 10 save_failed_with 没有写入设置文件的权限
expect "the log has the system's own words" wait_for 10 grep -q "Permission denied" "$session/parvex.out"
answer_alert
expect "nothing was stored meanwhile" test -z "$(stored_password)"
stop_session

echo "# The desktop's dark preference while the app runs"
start_session
dbus-monitor --system "type='signal',member='Notification'" >"$session/system-bus" 2>&1 &
started $!
echo 2 >"$session/color-scheme"
"$settings_portal" "$session/color-scheme" &
portal=$!
started $portal
wait_for 10 bus_has org.freedesktop.portal.Desktop
start_parvex
wait_for 30 shows "push button" 保存
# What isLight reads: the global domain's style key.
style() { /usr/bin/python3 -c 'import plistlib, sys
print(plistlib.load(open(sys.argv[1], "rb")).get("AppleInterfaceStyle", ""))' \
  "$home/Library/Preferences/.GlobalPreferences.plist" 2>/dev/null; }
style_is() { [ "$(style)" = "$1" ]; }
expect "the portal says light: no AppleInterfaceStyle" test -z "$(style)"
echo 1 >"$session/color-scheme"
kill -USR1 $portal
expect "dark switched on: AppleInterfaceStyle = Dark, so isLight answers false" wait_for 10 style_is Dark
expect "and AppleInterfaceThemeChangedNotification went out" \
  wait_for 10 grep -q "AppleInterfaceThemeChangedNotification" "$session/system-bus"
echo 2 >"$session/color-scheme"
kill -USR1 $portal
expect "light again: the key is removed" wait_for 10 style_is ""
stop_session

echo "# Without a portal, GTK's own setting (a settings daemon's theme)"
start_session
printf 'Net/ThemeName "Adwaita"\n' >"$session/xsettings"
xsettingsd -c "$session/xsettings" >"$session/xsettingsd.log" 2>&1 &
xsettings=$!
started $xsettings
start_parvex
wait_for 30 shows "push button" 保存
printf 'Net/ThemeName "Adwaita-dark"\n' >"$session/xsettings"
kill -HUP $xsettings
expect "a dark theme: AppleInterfaceStyle = Dark" wait_for 10 style_is Dark
stop_session

echo "# A second start brings the running window to the front"
start_session
start_parvex
wait_for 30 shows "push button" 保存
first=$(parvex_window)
xlogo >/dev/null 2>&1 &
started $!
wait_for 10 sh -c 'xdotool search --onlyvisible --class xlogo >/dev/null'
xdotool windowfocus "$(xdotool search --onlyvisible --class xlogo | head -1)"
expect "the focus is elsewhere" wait_for 10 sh -c "[ \"\$(xdotool getwindowfocus)\" != $first ]"
# Bounded: a second copy that failed to find the first would run on, and the
# test must fail, not wait.
timeout 60 env HOME=$home "$parvex" >"$session/second.out" 2>&1
second=$?
expect "the second start leaves at once, successfully" test $second -eq 0
[ $second -eq 0 ] || { echo "# the second start ended with status $second, saying:"; cat "$session/second.out"; }
expect "it says so in the log" grep -q "runs already: asked it to show its window" "$session/second.out"
expect "the running window has the focus again" wait_for 10 sh -c "[ \"\$(xdotool getwindowfocus)\" = $first ]"
expect "one window still" test "$(xdotool search --onlyvisible --name '^Parvex$' | wc -l)" -eq 1
stop_session

finish
