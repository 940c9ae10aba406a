#!/usr/bin/env bash
# The Debian package as a user's machine gets it, in a world of this test's
# own: dpkg writes into overlays of /usr and /var (this mount namespace
# alone; the sandbox's /etc is a copy already), and its maintainer scripts
# really run. It is installed twice; the helper is blessed as the settings
# app's plug-in button does; a regular user in the sudo group logs in, the
# installed autostart entry's command starts ParvexMenu (with a desktop PATH
# that holds other tools named diskutil and open, and not /usr/bin), a real
# NTFS image is attached and becomes writable on the desktop, the user
# writes a file, the session ends; then dpkg -r (twice) and dpkg --purge,
# and nothing of the package is left under /usr, /etc or /Library.
#   scripts/sandbox unshare --pid --fork --mount-proc package_e2e.sh PACKAGE_DIR
set -uo pipefail
package_dir=$1
bin_dir=/usr/bin
label=PkgVolume
needs="dpkg setpriv useradd chpasswd visudo start-stop-daemon"
cleanup_more() {
  local pid
  for pid in $(pgrep -x ParvexMenu); do kill -TERM "$pid" 2>/dev/null; done
  for pid in $(pgrep -x ParvexMenu); do wait_gone 20 "$pid"; done
  # Once the package is gone, so is hdiutil: the disk's nodes go by hand.
  if [ -n "$attached" ] && ! command -v hdiutil >/dev/null; then
    findmnt -n -l -o TARGET | grep -E "^(/Volumes/|$work)" | sort -r | xargs -r -n1 umount -l
    rm -f "/dev/$attached" "/dev/${attached}"s*
    attached=""
  fi
}
. "$(dirname "$0")/support/harness.sh"
. "$(dirname "$0")/support/disk_checks.sh"
deb=$(ls "$package_dir"/parvex_*.deb 2>/dev/null | head -1)
[ -n "$deb" ] || skip "no package in $package_dir (scripts/package makes it)"

user=parvex-pkg-user
password="pkg login password"
home=$work/home
bundle=/usr/lib/parvex/Parvex.app
menu_app=$bundle/Contents/Library/LoginItems/ParvexMenu.app/Contents/MacOS/ParvexMenu
agent_label=top.kestrova.macOS.Parvex.Agent
login_item=Auto.top.kestrova.macOS.Parvex.Helper.plist
desktop_folder=$home/Desktop/$label
ms() { echo $(($(date +%s%N) / 1000000)); }
wait_gone() { # seconds, pid: ended (a zombie of this namespace counts as ended)
  local deadline=$((SECONDS + $1))
  while [ -e "/proc/$2" ] && ! grep -q '^State:.*Z' "/proc/$2/status" 2>/dev/null; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.05
  done
}
as_user() { setpriv --reuid="$(id -u $user)" --regid="$(id -g $user)" --init-groups "$@"; }
# Paths that this namespace's overlay holds and the machine's /usr does not:
# after the purge there must be none (whiteouts are the machine's files deleted).
overlay_changes() {
  (cd "$layers/usr/upper" && find . -mindepth 1 | sed 's|^\.||' | while read -r path; do
    if [ -c "$layers/usr/upper$path" ] && [ ! -e "$layers/usr/lower$path" ]; then :
    elif [ -c "$layers/usr/upper$path" ]; then echo "deleted /usr$path"
    elif [ ! -e "$layers/usr/lower$path" ] && [ ! -L "$layers/usr/lower$path" ]; then echo "/usr$path"
    fi
  done)
}

# ---------------------------------------------------------------- the world
layers=$work/layers
for dir in usr var; do
  mkdir -p "$layers/$dir/upper" "$layers/$dir/work" "$layers/$dir/lower"
  mount --bind "/$dir" "$layers/$dir/lower"
  mount -t overlay "package-e2e-$dir" -o "lowerdir=/$dir,upperdir=$layers/$dir/upper,workdir=$layers/$dir/work" "/$dir" \
    || skip "no overlay file system"
done
# sudo's timestamps and udev's control socket are the machine's.
mount -t tmpfs package-e2e-sudo /run/sudo 2>/dev/null || { mkdir -p /run/sudo && mount -t tmpfs package-e2e-sudo /run/sudo; }
[ -d /run/udev ] && mount -t tmpfs package-e2e-udev /run/udev
echo "LABEL=Kept none ntfs-3g ro 0 0" >/etc/fstab
mkdir -p /etc/systemd/system/multi-user.target.wants
useradd -M -N -s /bin/sh -G sudo -d "$home" "$user" && printf '%s:%s\n' "$user" "$password" | chpasswd \
  || { echo "cannot make the user"; exit 1; }
find /etc /Library | sort >"$work/before"

# ---------------------------------------------------------------- install
echo "# dpkg -i $(basename "$deb") ($(du -k "$deb" | cut -f1) KiB)"
installing_at=$(ms)
out=$(dpkg -i "$deb" 2>&1); status=$?
installed_at=$(ms)
expect "dpkg -i installs it, its maintainer scripts running ($((installed_at - installing_at)) ms)" test $status -eq 0
[ $status -eq 0 ] || { echo "$out"; exit 1; }
out=$(dpkg -i "$deb" 2>&1); status=$?
expect "a second dpkg -i (an upgrade from the same version) runs them again" test $status -eq 0
[ $status -eq 0 ] || echo "$out"
info_version() { sed -n "/<key>$1<\/key>/{n;s|.*<string>\(.*\)</string>.*|\1|p}" "$2"; }
version=$(dpkg-query -W -f='${Version}' parvex)
expect "the package's version $version is the bundle's CFBundleShortVersionString and CFBundleVersion" \
  test "$version" = "$(info_version CFBundleShortVersionString $bundle/Contents/Info.plist)" \
  -a "$version" = "$(info_version CFBundleVersion $bundle/Contents/Info.plist)"
expect "nothing under /usr/local" sh -c "! dpkg -L parvex | grep -q '^/usr/local'"
expect "/usr/bin/open is ours, through the alternatives" test "$(readlink -f /usr/bin/open)" = /usr/libexec/parvex/open
expect "sudo still reads its whole configuration, the rule in it" visudo -c
expect "the rule is root's, mode 0440" test "$(stat -c %U:%a /etc/sudoers.d/parvex-diskutil)" = root:440
expect "both files in /etc are conffiles" \
  test "$(dpkg-query -W -f='${Conffiles}' parvex | awk 'NF {print $1}' | sort | tr '\n' ' ')" \
  = "/etc/sudoers.d/parvex-diskutil /etc/xdg/autostart/parvex-login-hook.desktop "
# Every program that the installed files name is installed, and none names
# the paths of an install under /usr/local.
named=$( (sed -n 's/^Exec=//p' /etc/xdg/autostart/parvex-login-hook.desktop /usr/share/applications/*Parvex.desktop
  sed -n 's|.*policykit.exec.path">\(.*\)</annotate>.*|\1|p' /usr/share/polkit-1/actions/top.kestrova.macos.parvex.policy
  grep -o '/usr/libexec/parvex/[a-z-]*' /usr/lib/udev/rules.d/90-parvex-disks.rules
  awk '/^Cmnd_Alias/ {print $4}' /etc/sudoers.d/parvex-diskutil) | sort -u)
for program in $named; do expect "named and installed: $program" test -x "$program"; done
local_paths=$(dpkg -L parvex | xargs -d '\n' grep -lE '/usr/local/(lib|libexec|bin/(diskutil|open))' 2>/dev/null)
expect "the entries, the rule, the policy and the programs name no /usr/local path: ${local_paths//$'\n'/ }" \
  test -z "$local_paths"

# ---------------------------------------------------------------- the plug-in, as the settings app installs it
/usr/libexec/parvex/parvex-bless "$bundle" "$agent_label"
expect "the blessing tool installs the helper from the installed bundle" test -x "/Library/PrivilegedHelperTools/$agent_label"
agent_pid=""
wait_for 10 eval 'agent_pid=$(pgrep -x "${agent_label:0:15}")'
expect "the helper runs" test -n "$agent_pid"
# Where systemd runs, blessing leaves a unit (enabled) that remove must take away.
printf '[Service]\nExecStart=/Library/PrivilegedHelperTools/%s\n' "$agent_label" >"/etc/systemd/system/$agent_label.service"
ln -sf "../$agent_label.service" "/etc/systemd/system/multi-user.target.wants/$agent_label.service"
echo "LABEL=Manual none ntfs rw,auto,nobrowse" >>/etc/fstab
# The login item: an administrator's settings app writes the system's, a
# user's their own; both start the installed ParvexMenu.
mkdir -p /Library/LaunchAgents "$home/Library/LaunchAgents" "$home/Library/Preferences" "$home/Desktop" "$home/bin" "$work/run"
sed "s|/Applications/Parvex.app|$bundle|" "$bundle/Contents/Resources/$login_item" >"/Library/LaunchAgents/$login_item"
cp "/Library/LaunchAgents/$login_item" "$home/Library/LaunchAgents/$login_item"
cat >"$home/Library/Preferences/top.kestrova.macOS.Parvex.Shared.plist" <<PLIST
<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict>
<key>Parvex.Manager.Style.Key</key><false/>
<key>Parvex.Mac.PWD.Key</key><data>$(printf '%s' "$password" | base64)</data>
</dict></plist>
PLIST
# Other programs of those names, first on the desktop's PATH.
for tool in diskutil open mount_ntfs; do
  printf '#!/bin/sh\necho "%s $*" >>%s/decoys\nexit 1\n' "$tool" "$work" >"$home/bin/$tool"
  chmod 755 "$home/bin/$tool"
done
chmod 700 "$work/run"
chown -R "$user:" "$home" "$work/run"
chmod 777 /Users/tamsel

# ---------------------------------------------------------------- the user's session
hook=$(sed -n 's/^Exec=//p' /etc/xdg/autostart/parvex-login-hook.desktop)
as_user env -i HOME="$home" USER=$user LOGNAME=$user LANG=C.UTF-8 XDG_RUNTIME_DIR="$work/run" \
  PATH="$home/bin:/usr/local/bin:/usr/games" DBUS_SYSTEM_BUS_ADDRESS="$DBUS_SYSTEM_BUS_ADDRESS" \
  $hook >"$work/hook.out" 2>&1
expect "the autostart entry's command ($hook) starts the login item: $(head -1 "$work/hook.out")" \
  grep -q "started $menu_app" "$work/hook.out"
menu_pid=""
wait_for 10 eval 'menu_pid=$(pgrep -x ParvexMenu)'
expect "ParvexMenu runs as the user" test "$(stat -c %u "/proc/${menu_pid:-1}")" = "$(id -u $user)"
attaching_at=$(ms)
attach_image
expect "the attached disk is mounted read-only by the system" mounted_at "/Volumes/$label"
wait_for 30 writable_at "$desktop_folder"
became_writable_at=$(ms)
expect "ParvexMenu makes it writable on the desktop" writable_at "$desktop_folder" || tail -40 /Users/tamsel/Parvex.txt
expect "the user writes a file to it" as_user sh -c "echo from the package >'$desktop_folder/written.txt'"
expect "no other diskutil, open or mount_ntfs ran" test ! -e "$work/decoys"
kill -TERM "$menu_pid"
expect "the session's end quits ParvexMenu" wait_gone 30 "$menu_pid"
expect "it gives the volume back: no desktop mount" sh -c "! findmnt -n '$desktop_folder' >/dev/null"
expect "the system has it again, read-only, with the file" \
  wait_for 20 eval "has_option /Volumes/$label ro && grep -qx 'from the package' /Volumes/$label/written.txt"
loop_name=$(basename "$(losetup -j "$image" -n -O NAME)")
out=$(hdiutil detach "$attached" 2>&1)
expect "detach: $out" test "$out" = "\"$attached\" ejected."
expect "no /dev/$attached nodes are left" sh -c "! ls /dev/$attached /dev/${attached}s* 2>/dev/null | grep -q ."
expect "the loop device is released" test -z "$(losetup -j "$image" -n)"
attached=""

# ---------------------------------------------------------------- remove and purge
out=$(dpkg -r parvex 2>&1); status=$?
expect "dpkg -r removes it" test $status -eq 0
[ $status -eq 0 ] || echo "$out"
expect "the helper is stopped" wait_gone 10 "${agent_pid:-0}"
expect "its files and unit are gone" sh -c "! ls /Library/PrivilegedHelperTools/* /Library/LaunchDaemons/* /etc/systemd/system/*$agent_label* /etc/systemd/system/*/*$agent_label* 2>/dev/null | grep -q ."
expect "/usr/bin/open is xdg-open again" test "$(readlink -f /usr/bin/open)" = "$(readlink -f /usr/bin/xdg-open)"
expect "the login items are left to their users" test -f "/Library/LaunchAgents/$login_item" -a -f "$home/Library/LaunchAgents/$login_item"
expect "the conffiles stay until the purge" test -f /etc/sudoers.d/parvex-diskutil
out=$(dpkg -r parvex 2>&1); status=$?
expect "a second dpkg -r does no harm" test $status -eq 0
out=$(dpkg --purge parvex 2>&1); status=$?
expect "dpkg --purge purges it" test $status -eq 0
[ $status -eq 0 ] || echo "$out"
expect "the helper's fstab entry went, the other line stayed" test "$(cat /etc/fstab)" = "LABEL=Kept none ntfs-3g ro 0 0"
find /etc /Library | sort >"$work/after"
left=$( (comm -13 "$work/before" "$work/after"; comm -23 "$work/before" "$work/after" | sed 's/^/deleted /'; overlay_changes) \
  | grep -vE '^/usr/share/(icons/hicolor/icon-theme.cache|applications/mimeinfo.cache)$')
echo "left under /usr, /etc, /Library:"; printf '%s\n' "${left:-(nothing)}" | sed 's/^/    /'
expect "nothing of the package is left" test -z "$left"
echo "# from dpkg -i to the volume writable on the desktop: $((became_writable_at - installing_at)) ms" \
  "(attach to writable: $((became_writable_at - attaching_at)) ms)"
finish
