#!/usr/bin/env bash
# End-to-end test of diskutil run by a regular user: with the sudo rule
# installed, `diskutil umount|mount diskNsM|NAME` runs itself as root through
# `sudo -n` and works on an attached image; options, paths, other devices and
# internal disks are refused even through sudo; without the rule, or for a
# user outside the sudo group, it says root is needed.
#
# Usage: tools_sudo_e2e.sh BIN_DIR SUDOERS_FILE
#   BIN_DIR       the folder holding diskutil, hdiutil, mount_ntfs
#   SUDOERS_FILE  the sudo rule configured for BIN_DIR/diskutil
# Runs as root inside a private mount namespace with its own copy of /etc (the
# test users and the rule live only there) and an empty /Volumes.
# Exits 77 (skipped) where root, loop devices, FUSE or sudo are missing.
set -uo pipefail

bin_dir=$(cd "${1:?usage: tools_sudo_e2e.sh BIN_DIR SUDOERS_FILE}" && pwd)
sudoers=$(realpath "${2:?usage: tools_sudo_e2e.sh BIN_DIR SUDOERS_FILE}")

skip() { echo "SKIP: $*"; exit 77; }

if [ -z "${TOOLS_SUDO_E2E_INSIDE:-}" ]; then
  [ "$(id -u)" -eq 0 ] || skip "needs root (loop devices, mounts, device nodes)"
  [ -e /dev/loop-control ] || skip "no loop devices (/dev/loop-control missing)"
  [ -e /dev/fuse ] || skip "no FUSE (/dev/fuse missing)"
  export PATH="$PATH:/usr/sbin:/sbin"
  for command in unshare sfdisk mkntfs ntfs-3g losetup partx sudo visudo setpriv useradd findmnt; do
    command -v "$command" >/dev/null || skip "$command is not installed"
  done
  [ -u "$(command -v sudo)" ] || skip "sudo is not setuid root"
  mkdir -p /Volumes
  TOOLS_SUDO_E2E_INSIDE=1 exec unshare -m --propagation private "$0" "$bin_dir" "$sudoers"
fi

work=$(mktemp -d /tmp/tools-sudo-e2e.XXXXXX)
chmod 755 "$work"
failures=0
attached=""
internal_nodes=()

pass() { echo "ok   - $*"; }
fail() { echo "FAIL - $*"; failures=$((failures + 1)); }
expect() { local description=$1; shift; if "$@"; then pass "$description"; else fail "$description"; fi; }
contains() { grep -qF -- "$2" <<<"$1"; }
mounted_at() { findmnt -n "$1" >/dev/null 2>&1; }

cleanup() {
  cd /
  for node in "${internal_nodes[@]}"; do rm -f "$node"; done
  for target in $(findmnt -n -l -o TARGET | grep -E "^(/Volumes/|$work)" | sort -r); do
    umount -l "$target" 2>/dev/null
  done
  if [ -n "$attached" ] && [ -e "/dev/$attached" ]; then
    "$bin_dir/hdiutil" detach "$attached" >/dev/null 2>&1
  fi
  for loop in $(losetup -j "$work/disk.img" -O NAME -n 2>/dev/null); do
    partx -d "$loop" 2>/dev/null; losetup -d "$loop" 2>/dev/null
  done
  umount -l /etc /Volumes 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# Private copies: the users, the sudo rule and the fstab exist only here.
mkdir -p "$work/etc"
cp -a /etc/. "$work/etc/"
mount --bind "$work/etc" /etc
mount -t tmpfs tmpfs /Volumes
: >/etc/fstab
rm -f /etc/sudoers.d/parvex-diskutil

useradd -M -N -s /bin/sh -G sudo parvex-e2e-admin || { echo "useradd failed"; exit 1; }
useradd -M -N -s /bin/sh parvex-e2e-other || { echo "useradd failed"; exit 1; }
# As the menu-bar app runs its scripts: the user's own PATH, no sudo around.
as() { # user, command...
  local user=$1; shift
  (cd / && setpriv --reuid="$(id -u "$user")" --regid="$(id -g "$user")" --init-groups \
     env -i PATH="$bin_dir:/usr/local/bin:/usr/bin:/bin" HOME=/ LANG=C "$@")
}
admin() { as parvex-e2e-admin "$@"; }
install_rule() { install -m 0440 -o root -g root "$sudoers" /etc/sudoers.d/parvex-diskutil; }

install_rule
expect "the rule passes visudo" visudo -cf /etc/sudoers.d/parvex-diskutil
expect "the rule is mode 0440" test "$(stat -c %a /etc/sudoers.d/parvex-diskutil)" = 440
expect "the test user is in the sudo group" contains " $(as parvex-e2e-admin id -Gn) " " sudo "

# A 64 MiB disk image with one NTFS partition labelled Data.
image="$work/disk.img"
truncate -s 64M "$image"
printf 'label: dos\n,,7\n' | sfdisk -q "$image" || { echo "sfdisk failed"; exit 1; }
loop=$(losetup -f --show "$image") && partx -a "$loop" && mkntfs -Q -L Data "${loop}p1" >/dev/null 2>&1
made=$?
partx -d "$loop"; losetup -d "$loop"
[ $made -eq 0 ] || { echo "could not make the NTFS image"; exit 1; }

output=$("$bin_dir/hdiutil" attach "$image" 2>&1) || { echo "attach failed: $output"; exit 1; }
attached=$(awk 'NR==1 {sub("/dev/", "", $1); print $1}' <<<"$output")
id="${attached}s1"
expect "the image is attached and mounted at /Volumes/Data" mounted_at /Volumes/Data

# --- the user's round trip through sudo -------------------------------------
out=$(admin diskutil umount "$id" 2>&1); status=$?
expect "user: umount $id: $out" test $status -eq 0 -a "$out" = "Volume Data on $id unmounted"
expect "... the volume is unmounted and its folder gone" test ! -e /Volumes/Data
out=$(admin diskutil mount "$id" 2>&1); status=$?
expect "user: mount $id: $out" test $status -eq 0 -a "$out" = "Volume Data on $id mounted"
expect "... mounted at /Volumes/Data" mounted_at /Volumes/Data
# The manual-mode answer: by volume name, after an fstab entry.
echo "LABEL=Data none ntfs rw,auto,nobrowse" >>/etc/fstab
out=$(admin diskutil umount Data 2>&1); status=$?
expect "user: umount Data: $out" test $status -eq 0 -a "$out" = "Volume Data on $id unmounted"
out=$(admin diskutil mount Data 2>&1); status=$?
expect "user: mount Data: $out" test $status -eq 0 -a "$out" = "Volume Data on $id mounted"
expect "... read-write by the fstab entry" grep -qE '(^|,)rw(,|$)' <<<"$(findmnt -n -o OPTIONS /Volumes/Data)"
: >/etc/fstab
# Automatic mode's eject: root's read-write mount in the user's folder.
home="$work/home"
mkdir -p "$home/Desktop/Data" && chown -R parvex-e2e-admin "$home"
"$bin_dir/diskutil" umount "$id" >/dev/null
"$bin_dir/mount_ntfs" -o rw,nobrowse "/dev/$id" "$home/Desktop/Data" >/dev/null 2>&1
expect "the desktop mount is there" mounted_at "$home/Desktop/Data"
out=$(admin diskutil unmount "$id" 2>&1); status=$?
expect "user: unmount $id takes the desktop mount down: $out" test $status -eq 0 && ! mounted_at "$home/Desktop/Data"
admin diskutil mount "$id" >/dev/null 2>&1

# --- refused, through diskutil and through sudo directly ---------------------
refused() { # description, then the command; it must fail and leave /Volumes/Data mounted
  local description=$1; shift
  local out status
  out=$("$@" 2>&1); status=$?
  expect "$description: $out" test $status -ne 0 -a -n "$out"
  expect "... /Volumes/Data is still mounted" mounted_at /Volumes/Data
}
diskutil_path="$bin_dir/diskutil"
refused "user: umount /dev/sda" admin diskutil umount /dev/sda
refused "user: umount -f" admin diskutil umount -f
refused "user: umount a mount point" admin diskutil umount /Volumes/Data
refused "sudo: umount /dev/sda" admin sudo -n "$diskutil_path" umount /dev/sda
refused "sudo: umount -f" admin sudo -n "$diskutil_path" umount -f
refused "sudo: unmount force -f" admin sudo -n "$diskutil_path" unmount force -f
refused "sudo: umount a mount point" admin sudo -n "$diskutil_path" umount /Volumes/Data
refused "sudo: mount a path" admin sudo -n "$diskutil_path" mount /etc
refused "sudo: another verb" admin sudo -n "$diskutil_path" list
refused "sudo: another tool" admin sudo -n "$bin_dir/hdiutil" detach "$attached"

# The system's own disk, given an identifier as the udev rule gives every disk.
root_number=$(findmnt -n -o MAJ:MIN / | tr -d "[:space:]")
root_sys="/sys/dev/block/$root_number"
if [ -e "$root_sys" ] && ! [ -e "$root_sys/loop" ]; then
  disk_sys=$root_sys
  [ -e "$root_sys/partition" ] && disk_sys=$(realpath "$root_sys/..")
  if [ "$(cat "$disk_sys/removable")" = 0 ]; then
    number=97
    while [ -e "/dev/disk$number" ]; do number=$((number + 1)); done
    internal="disk$number"
    internal_nodes+=("/dev/$internal")
    mknod "/dev/$internal" b $(tr ':' ' ' <"$disk_sys/dev")
    target=$internal
    if [ -e "$root_sys/partition" ]; then
      target="${internal}s$(cat "$root_sys/partition")"
      internal_nodes+=("/dev/$target")
      mknod "/dev/$target" b $(tr ':' ' ' <<<"$root_number")
    fi
    out=$(admin sudo -n "$diskutil_path" umount "$target" 2>&1); status=$?
    expect "sudo: umount of the system's disk ($target) is refused: $out" test $status -ne 0 && contains "$out" "internal disk"
    out=$(admin diskutil mount "$target" 2>&1); status=$?
    expect "user: mount of the system's disk is refused: $out" test $status -ne 0 && contains "$out" "internal disk"
    expect "/ is still mounted" mounted_at /
    for node in "${internal_nodes[@]}"; do rm -f "$node"; done
    internal_nodes=()
  fi
fi

# --- without the rule, or outside the sudo group -------------------------------
out=$(as parvex-e2e-other diskutil umount "$id" 2>&1); status=$?
expect "a user outside the sudo group is told root is needed: $out" test $status -eq 1 && contains "$out" "needs root privileges"
rm -f /etc/sudoers.d/parvex-diskutil
out=$(admin diskutil umount "$id" 2>&1); status=$?
expect "without the rule: $out" test $status -eq 1 -a "$out" = "Unmount of $id failed: diskutil: unmounting a volume needs root privileges; run it with sudo"
out=$(admin diskutil mount "$id" 2>&1); status=$?
expect "without the rule, mount says so too: $out" test $status -eq 1 && contains "$out" "mounting a volume needs root privileges"
expect "... /Volumes/Data is still mounted" mounted_at /Volumes/Data

# --- detach: nothing left behind ---------------------------------------------
loop_name=$(basename "$(losetup -j "$image" -n -O NAME)")
out=$("$bin_dir/hdiutil" detach "$attached" 2>&1)
expect "detach: $out" test "$out" = "\"$attached\" ejected."
detached="$attached"; attached=""
expect "no /dev/$detached nodes are left" sh -c "! ls /dev/${detached} /dev/${detached}s* 2>/dev/null | grep -q ."
expect "the loop device is released" test -z "$(losetup -j "$image" -n)"
expect "no partition of the loop device is left" test ! -e "/sys/class/block/${loop_name}p1"
expect "no /Volumes folder is left" test -z "$(ls -A /Volumes)"

echo
if [ $failures -eq 0 ]; then echo "tools sudo e2e: all passed"; else echo "tools sudo e2e: $failures failed"; fi
[ $failures -eq 0 ]
