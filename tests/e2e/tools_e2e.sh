#!/usr/bin/env bash
# End-to-end test of the disk tools on a real NTFS image: attach, list, info,
# unmount, mount, read-write by fstab entry, mount_ntfs on a desktop folder,
# refusal of a hibernated volume, detach, and nothing left behind.
#
# Usage: tools_e2e.sh BIN_DIR   (the folder holding diskutil, hdiutil, mount_ntfs, open)
# Runs as root inside a private mount namespace with its own copy of /etc and
# an empty /Volumes, so the machine's /etc/fstab and mounts are never touched.
# Exits 77 (skipped) where root, loop devices or FUSE are missing.
set -uo pipefail

bin_dir=$(cd "${1:?usage: tools_e2e.sh BIN_DIR}" && pwd)

skip() { echo "SKIP: $*"; exit 77; }

if [ -z "${TOOLS_E2E_INSIDE:-}" ]; then
  [ "$(id -u)" -eq 0 ] || skip "needs root (loop devices, mounts, device nodes)"
  [ -e /dev/loop-control ] || skip "no loop devices (/dev/loop-control missing)"
  [ -e /dev/fuse ] || skip "no FUSE (/dev/fuse missing)"
  for command in unshare sfdisk mkntfs ntfs-3g ntfs-3g.probe losetup partx; do
    command -v "$command" >/dev/null || skip "$command is not installed"
  done
  # /Volumes is the mount point of the private tmpfs; it must exist first.
  mkdir -p /Volumes
  TOOLS_E2E_INSIDE=1 exec unshare -m --propagation private "$0" "$bin_dir"
fi

export PATH="$bin_dir:$PATH"
work=$(mktemp -d /tmp/tools-e2e.XXXXXX)
failures=0
attached=""

pass() { echo "ok   - $*"; }
fail() { echo "FAIL - $*"; failures=$((failures + 1)); }
expect() { # description, then a command that must succeed
  local description=$1; shift
  if "$@"; then pass "$description"; else fail "$description"; fi
}
contains() { grep -qF -- "$2" <<<"$1"; }
lacks() { ! grep -qF -- "$2" <<<"$1"; }
mount_options() { findmnt -n -o OPTIONS --target "$1" 2>/dev/null | head -1; }
mounted_at() { findmnt -n "$1" >/dev/null 2>&1; }

cleanup() {
  for target in $(findmnt -n -l -o TARGET | grep -E "^(/Volumes/|$work)" | sort -r); do
    umount -l "$target" 2>/dev/null
  done
  if [ -n "$attached" ] && [ -e "/dev/$attached" ]; then
    hdiutil detach "$attached" >/dev/null 2>&1
  fi
  for loop in $(losetup -j "$work/disk.img" -O NAME -n 2>/dev/null); do
    partx -d "$loop" 2>/dev/null; losetup -d "$loop" 2>/dev/null
  done
  umount -l /etc /Volumes 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# Private copies: the tools read /etc/fstab and mount under /Volumes.
mkdir -p "$work/etc"
cp -a /etc/. "$work/etc/"
mount --bind "$work/etc" /etc
mount -t tmpfs tmpfs /Volumes
: >/etc/fstab

# A 64 MiB disk with one MBR partition of type 7 holding NTFS labelled Data.
image="$work/disk.img"
truncate -s 64M "$image"
printf 'label: dos\n,,7\n' | sfdisk -q "$image" || { echo "sfdisk failed"; exit 1; }
loop=$(losetup -f --show "$image") && partx -a "$loop" && mkntfs -Q -L Data "${loop}p1" >/dev/null 2>&1
made=$?
partx -d "$loop"; losetup -d "$loop"
[ $made -eq 0 ] || { echo "could not make the NTFS image"; exit 1; }

# --- attach: identifiers, nodes, read-only system mount --------------------
output=$(hdiutil attach "$image" 2>"$work/err")
status=$?
expect "hdiutil attach succeeds" test $status -eq 0
echo "$output"
attached=$(awk 'NR==1 {sub("/dev/", "", $1); print $1}' <<<"$output")
id="${attached}s1"
expect "attach names a whole disk diskN (N >= 2)" grep -qE '^disk([2-9]|[1-9][0-9]+)$' <<<"$attached"
expect "attach line of the disk" contains "$output" "$(printf '%-20s\t%-31s\t' "/dev/$attached" FDisk_partition_scheme)"
expect "attach line of the partition, with its mount point" grep -qxF "$(printf '%-20s\t%-31s\t%s' "/dev/$id" Windows_NTFS /Volumes/Data)" <<<"$output"
expect "/dev/$id is a block device" test -b "/dev/$id"
expect "/Volumes/Data is mounted" mounted_at /Volumes/Data
expect "the system mount is read-only" grep -qE '(^|,)ro(,|$)' <<<"$(mount_options /Volumes/Data)"
expect "df -h reports /dev/$id as the first word" grep -qE "^/dev/$id " <<<"$(df -h)"

# --- list ---------------------------------------------------------------------
list=$(diskutil list)
echo "$list"
expect "list shows the disk header" contains "$list" "/dev/$attached (disk image):"
expect "list shows the column header" contains "$list" "   #:                       TYPE NAME                    SIZE       IDENTIFIER"
expect "list row of the whole disk" grep -qE "^   0:     FDisk_partition_scheme +\*67\.1 MB +$attached\$" <<<"$list"
expect "list row of the partition" grep -qE "^   1:               Windows_NTFS Data +66\.1 MB +$id\$" <<<"$list"
words=$(diskutil list | grep -v 'APFS' | awk 'NF {print $NF}' | grep '^disk' | tr '\n' ' ')
expect "the last words of the list are the identifiers" contains "$words" "$attached $id "

# --- info ---------------------------------------------------------------------
info=$(diskutil info "$id")
echo "$info"
expect "info: Volume Name with exactly 15 blanks" grep -qxF "   Volume Name:               Data" <<<"$info"
expect "info: Mounted Yes" grep -qE '^   Mounted: +Yes$' <<<"$info"
expect "info: personality NTFS" grep -qE '^   File System Personality: +NTFS$' <<<"$info"
expect "info: mount point" grep -qE '^   Mount Point: +/Volumes/Data$' <<<"$info"
whole=$(diskutil info "$attached")
expect "info of the whole disk: no file system" grep -qF "   Volume Name:               Not applicable (no file system)" <<<"$whole"
expect "info of the whole disk: no personality" lacks "$whole" "File System Personality:"
unknown_out=$(diskutil info disk999 2>"$work/err"); status=$?
expect "info of an unknown disk fails" test $status -eq 1
expect "info of an unknown disk prints nothing on stdout" test -z "$unknown_out"
expect "info of an unknown disk says so on stderr" grep -qxF "Could not find disk: disk999" "$work/err"

# --- unmount and mount by identifier and by name ---------------------------
out=$(diskutil umount "$id" 2>&1)
expect "umount by identifier: $out" test "$out" = "Volume Data on $id unmounted"
expect "umount removes the /Volumes folder" test ! -e /Volumes/Data
expect "info says Mounted: No" grep -qE '^   Mounted: +No$' <<<"$(diskutil info "$id")"
out=$(diskutil umount "$id" 2>&1 >/dev/null); status=$?
expect "umount of an unmounted volume fails on stderr: $out" test $status -ne 0 -a -n "$out"
out=$(diskutil mount Data 2>&1)
expect "mount by name: $out" test "$out" = "Volume Data on $id mounted"
expect "mounted read-only without an fstab entry" grep -qE '(^|,)ro(,|$)' <<<"$(mount_options /Volumes/Data)"
out=$(diskutil mount NoSuchVolume 2>&1 >/dev/null); status=$?
expect "mount of an unknown name fails on stderr: $out" test $status -ne 0 -a -n "$out"

# --- fstab entry: the system mounts it read-write ----------------------------
echo "LABEL=Data none ntfs rw,auto,nobrowse" >>/etc/fstab
expect "umount by name" diskutil umount Data
out=$(diskutil mount Data 2>&1)
expect "mount with fstab entry: $out" test "$out" = "Volume Data on $id mounted"
expect "mounted read-write by the fstab entry" grep -qE '(^|,)rw(,|$)' <<<"$(mount_options /Volumes/Data)"
expect "the read-write volume takes a file" sh -c 'echo hello >/Volumes/Data/fstab.txt'
cd /Volumes/Data || exit 1
out=$(diskutil umount Data 2>&1 >/dev/null); status=$?
expect "a busy volume is not unmounted: $out" test $status -ne 0 -a "$out" = "Unmount of $id failed: at least one volume could not be unmounted"
cd / || exit 1
expect "umount after the volume is free" diskutil umount Data
: >/etc/fstab

# --- mount_ntfs on a desktop folder (the automatic-mode script) --------------
desktop="$work/Desktop/Data"
mkdir -p "$desktop"
expect "mount_ntfs -o rw,nobrowse" mount_ntfs -o rw,nobrowse "/dev/$id" "$desktop"
expect "the desktop mount is read-write" grep -qE '(^|,)rw(,|$)' <<<"$(mount_options "$desktop")"
expect "df -h shows the desktop mount through /dev/$id" grep -qE "^/dev/$id .*$desktop\$" <<<"$(df -h)"
expect "a file can be written on the desktop mount" sh -c "echo written >'$desktop/hello.txt'"
expect "info names the desktop mount point" grep -qE "^   Mount Point: +$desktop\$" <<<"$(diskutil info "$id")"
out=$(diskutil umount "$id" 2>&1)
expect "umount by identifier takes down the desktop mount: $out" test "$out" = "Volume Data on $id unmounted"
expect "the desktop folder stays (the volume code removes it)" test -d "$desktop"
expect "the written file survived" sh -c "diskutil mount $id >/dev/null && grep -q written /Volumes/Data/hello.txt"

# --- mount_ntfs takes over the system's read-only mount ----------------------
# (the volume script's "diskutil umount" runs unprivileged and cannot do it)
expect "the system mount is there" mounted_at /Volumes/Data
expect "mount_ntfs over the system's read-only mount" mount_ntfs -o rw,nobrowse "/dev/$id" "$desktop"
expect "... gives a read-write desktop mount" grep -qE '(^|,)rw(,|$)' <<<"$(mount_options "$desktop")"
expect "... and the system mount and its folder are gone" test ! -e /Volumes/Data
expect "unmount the desktop mount" diskutil umount "$id"

# --- a hibernated Windows volume is refused read-write -----------------------
mkdir -p "$work/raw"
ntfs-3g -o rw "/dev/$id" "$work/raw" && { printf 'hibr'; head -c 4092 /dev/zero; } >"$work/raw/hiberfil.sys"
umount "$work/raw"
sleep 1
out=$(mount_ntfs -o rw,nobrowse "/dev/$id" "$desktop" 2>&1); status=$?
echo "$out"
expect "mount_ntfs refuses a hibernated volume" test $status -ne 0
expect "the refusal tells the user to shut Windows down fully" contains "$out" "shut it down fully"
expect "nothing is mounted on the desktop folder" sh -c "! findmnt -n '$desktop' >/dev/null"
echo "LABEL=Data none ntfs rw,auto,nobrowse" >>/etc/fstab
out=$(diskutil mount "$id" 2>"$work/err")
expect "diskutil mount still mounts it: $out" test "$out" = "Volume Data on $id mounted"
expect "... read-only" grep -qE '(^|,)ro(,|$)' <<<"$(mount_options /Volumes/Data)"
expect "... and says why on stderr" grep -q "Windows is hibernated" "$work/err"
out=$(mount_ntfs -o rw,nobrowse "/dev/$id" "$desktop" 2>&1); status=$?
expect "mount_ntfs refuses it over the system mount too" test $status -ne 0
expect "... and gives the system its read-only mount back" grep -qE '(^|,)ro(,|$)' <<<"$(mount_options /Volumes/Data)"
: >/etc/fstab

# --- as a regular user ----------------------------------------------------------
if command -v setpriv >/dev/null; then
  as_user() { setpriv --reuid=65534 --regid=65534 --clear-groups "$@"; }
  list=$(as_user diskutil list 2>&1)
  expect "a user lists the disk" contains "$list" "$id"
  expect "a user sees the volume name" grep -qxF "   Volume Name:               Data" <<<"$(as_user diskutil info "$id" 2>&1)"
  out=$(as_user diskutil umount "$id" 2>&1); status=$?
  expect "a user cannot unmount, and is told why: $out" test $status -ne 0 && contains "$out" "root"
  out=$(as_user mount_ntfs -o rw "/dev/$id" "$desktop" 2>&1); status=$?
  expect "a user cannot run mount_ntfs: $out" test $status -ne 0 && contains "$out" "root"
fi

# --- open -------------------------------------------------------------------
out=$(env -u DISPLAY -u WAYLAND_DISPLAY open /Volumes/Nothing 2>&1); status=$?
expect "open of a missing path: $out" test $status -eq 1 -a "$out" = "The file /Volumes/Nothing does not exist."
out=$(env -u DISPLAY -u WAYLAND_DISPLAY open /Volumes/Data 2>&1); status=$?
expect "open without a desktop says so: $out" test $status -ne 0 && contains "$out" "no desktop session"

# --- unplug while mounted on the desktop ------------------------------------
diskutil umount "$id" >/dev/null
mount_ntfs -o rw,nobrowse "/dev/$id" "$desktop" 2>/dev/null || ntfs-3g -o ro "/dev/$id" "$desktop"
loop_name=$(basename "$(losetup -j "$image" -n -O NAME)")
expect "the image is on a loop device" test -n "$loop_name"
out=$(hdiutil detach "$attached" 2>&1)
expect "detach while mounted on the desktop: $out" test "$out" = "\"$attached\" ejected."
detached="$attached"; attached=""
sleep 0.5
expect "no mount of the image is left" sh -c "! findmnt -n -l -o SOURCE | grep -qE '^/dev/($detached|$loop_name)'"
expect "no /dev/$detached nodes are left" sh -c "! ls /dev/${detached} /dev/${detached}s* 2>/dev/null | grep -q ."
expect "the loop device is released" test -z "$(losetup -j "$image" -n)"
expect "no partition of the loop device is left" test ! -e "/sys/class/block/${loop_name}p1"
expect "no /Volumes folder is left" test -z "$(ls -A /Volumes)"

echo
if [ $failures -eq 0 ]; then echo "tools e2e: all passed"; else echo "tools e2e: $failures failed"; fi
[ $failures -eq 0 ]
