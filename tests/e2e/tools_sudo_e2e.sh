#!/usr/bin/env bash
# End-to-end test of diskutil run by a regular user: with the sudo rule
# installed, `diskutil umount|mount diskNsM|NAME` runs itself as root through
# `sudo -n` and works on an attached image; options, paths, other devices and
# internal disks are refused even through sudo; without the rule, or for a
# user outside the sudo group, it says root is needed.
#   scripts/sandbox tools_sudo_e2e.sh BIN_DIR SUDOERS_FILE   (the tools; the rule for BIN_DIR/diskutil)
# The test users and the rule live only in the sandbox's copy of /etc.
set -uo pipefail
bin_dir=$(cd "${1:?usage: tools_sudo_e2e.sh BIN_DIR SUDOERS_FILE}" && pwd)
sudoers=$(realpath "${2:?usage: tools_sudo_e2e.sh BIN_DIR SUDOERS_FILE}")
needs="sudo visudo setpriv useradd"
. "$(dirname "$0")/support/harness.sh"
if command -v sudo >/dev/null && ! [ -u "$(command -v sudo)" ]; then
  skip "sudo is not setuid root"
fi
internal_nodes=()
cleanup_more() { for node in "${internal_nodes[@]}"; do rm -f "$node"; done; }
. "$(dirname "$0")/support/disk_checks.sh"

rule=/etc/sudoers.d/parvex-diskutil
install -m 0440 -o root -g root "$sudoers" "$rule"
useradd -M -N -s /bin/sh -G sudo -d "$work/home" parvex-e2e-admin || { echo "useradd failed"; exit 1; }
useradd -M -N -s /bin/sh parvex-e2e-other || { echo "useradd failed"; exit 1; }
# As the menu-bar app runs its scripts: the user's own PATH, no sudo around.
as() { # user, command...
  local user=$1; shift
  (cd / && setpriv --reuid="$(id -u "$user")" --regid="$(id -g "$user")" --init-groups \
     env -i PATH="$bin_dir:/usr/local/bin:/usr/bin:/bin" HOME=/ LANG=C "$@")
}
admin() { as parvex-e2e-admin "$@"; }
expect "the rule passes visudo" visudo -cf "$rule"
expect "the test user is in the sudo group" contains " $(admin id -Gn) " " sudo "

attach_image
expect "the image is attached and mounted at /Volumes/Data" mounted_at /Volumes/Data

# --- the user's round trip through sudo -------------------------------------
user_says() { # expected output, then the diskutil arguments; must succeed
  local expected=$1 out status; shift
  out=$(admin diskutil "$@" 2>&1); status=$?
  expect "user: $*: $out" test $status -eq 0 -a "$out" = "$expected"
}
user_says "Volume Data on $id unmounted" umount "$id"
expect "... the volume is unmounted and its folder gone" test ! -e /Volumes/Data
user_says "Volume Data on $id mounted" mount "$id"
expect "... mounted at /Volumes/Data" mounted_at /Volumes/Data
# The manual-mode answer: by volume name, after an fstab entry.
echo "LABEL=Data none ntfs rw,auto,nobrowse" >>/etc/fstab
user_says "Volume Data on $id unmounted" umount Data
user_says "Volume Data on $id mounted" mount Data
expect "... read-write by the fstab entry" has_option /Volumes/Data rw
: >/etc/fstab
# Automatic mode's eject: root's read-write mount in the user's folder.
desktop="$work/home/Desktop/Data"
mkdir -p "$desktop" && chown -R parvex-e2e-admin "$work/home"
diskutil umount "$id" >/dev/null
mount_ntfs -o rw,nobrowse "/dev/$id" "$desktop" >/dev/null 2>&1
expect "the desktop mount is there" mounted_at "$desktop"
out=$(admin diskutil unmount "$id" 2>&1); status=$?
expect "user: unmount $id takes the desktop mount down: $out" eval 'test $status -eq 0 && ! mounted_at "$desktop"'
admin diskutil mount "$id" >/dev/null 2>&1

# Root's own mount of the volume elsewhere (a backup's bind mount) is not the
# user's to take down: the unmount is refused whole, naming it.
elsewhere="$work/root-backup"
mkdir -p "$elsewhere"
mount --bind /Volumes/Data "$elsewhere"
out=$(admin diskutil umount "$id" 2>&1); status=$?
expect "user: umount with root's bind mount elsewhere is refused: $out" failed_with "mounted on $elsewhere, which is neither under /Volumes nor in your home folder"
expect "... the bind mount stays" mounted_at "$elsewhere"
expect "... and so does /Volumes/Data" mounted_at /Volumes/Data
umount "$elsewhere"

# --- refused, through diskutil and through sudo directly ---------------------
refused() { # description, then the command; it must fail and leave /Volumes/Data mounted
  local description=$1 out status; shift
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

# A sudo that keeps the caller's PATH (no secure_path: another distribution's
# default, or an administrator's choice) must not let the caller choose the
# ntfs-3g that diskutil runs as root.
evil="$work/evil"
mkdir -p "$evil"
for tool in ntfs-3g ntfs-3g.probe; do
  printf '#!/bin/sh\nid -u >"%s/ran-as"\nexit 1\n' "$work" >"$evil/$tool"
  chmod 755 "$evil/$tool"
done
echo 'Defaults !secure_path' >/etc/sudoers.d/zz-parvex-e2e-path
chmod 0440 /etc/sudoers.d/zz-parvex-e2e-path
diskutil umount "$id" >/dev/null
out=$(as parvex-e2e-admin env PATH="$evil:$bin_dir:/usr/local/bin:/usr/bin:/bin" diskutil mount "$id" 2>&1)
expect "user: mount with ntfs-3g of their own first on PATH: $out" test ! -e "$work/ran-as"
expect "... the system's ntfs-3g mounted it" mounted_at /Volumes/Data
rm -f /etc/sudoers.d/zz-parvex-e2e-path
mounted_at /Volumes/Data || diskutil mount "$id" >/dev/null

# The system's own disk, given an identifier as the udev rule gives every disk.
root_number=$(findmnt -n -o MAJ:MIN / | tr -d "[:space:]")
root_sys="/sys/dev/block/$root_number"
if [ -e "$root_sys" ] && ! [ -e "$root_sys/loop" ]; then
  disk_sys=$root_sys
  [ -e "$root_sys/partition" ] && disk_sys=$(realpath "$root_sys/..")
  if [ "$(cat "$disk_sys/removable")" = 0 ]; then
    number=97
    while [ -e "/dev/disk$number" ]; do number=$((number + 1)); done
    target="disk$number"
    internal_nodes+=("/dev/$target")
    mknod "/dev/$target" b $(tr ':' ' ' <"$disk_sys/dev")
    if [ -e "$root_sys/partition" ]; then
      target="${target}s$(cat "$root_sys/partition")"
      internal_nodes+=("/dev/$target")
      mknod "/dev/$target" b $(tr ':' ' ' <<<"$root_number")
    fi
    out=$(admin sudo -n "$diskutil_path" umount "$target" 2>&1); status=$?
    expect "sudo: umount of the system's disk ($target) is refused: $out" failed_with "internal disk"
    out=$(admin diskutil mount "$target" 2>&1); status=$?
    expect "user: mount of the system's disk is refused: $out" failed_with "internal disk"
    expect "/ is still mounted" mounted_at /
    cleanup_more
    internal_nodes=()
  fi
fi

# --- without the rule, or outside the sudo group -------------------------------
out=$(as parvex-e2e-other diskutil umount "$id" 2>&1); status=$?
expect "a user outside the sudo group is told root is needed: $out" failed_with "needs root privileges"
rm -f "$rule"
out=$(admin diskutil umount "$id" 2>&1); status=$?
expect "without the rule: $out" test $status -eq 1 -a "$out" = "Unmount of $id failed: diskutil: unmounting a volume needs root privileges; run it with sudo"
out=$(admin diskutil mount "$id" 2>&1); status=$?
expect "without the rule, mount says so too: $out" failed_with "mounting a volume needs root privileges"
expect "... /Volumes/Data is still mounted" mounted_at /Volumes/Data

detach_and_finish
