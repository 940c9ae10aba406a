#!/usr/bin/env bash
# End-to-end test of the disk tools on a real NTFS image: attach, list, info,
# unmount, mount, read-write by fstab entry, mount_ntfs on a desktop folder,
# refusal of a hibernated volume, a disk in use that is not detached (unless
# forced) nor attached twice, detach, and nothing left behind.
#   scripts/sandbox tools_e2e.sh BIN_DIR   (the folder holding diskutil, hdiutil, mount_ntfs, open)
set -uo pipefail
bin_dir=$(cd "${1:?usage: tools_e2e.sh BIN_DIR}" && pwd)
needs="ntfs-3g.probe setpriv /usr/bin/python3"
. "$(dirname "$0")/support/harness.sh"
. "$(dirname "$0")/support/disk_checks.sh"

# --- attach: identifiers, nodes, read-only system mount --------------------
attach_image
echo "$output"
expect "attach names a whole disk diskN (N >= 2)" grep -qE '^disk([2-9]|[1-9][0-9]+)$' <<<"$attached"
expect "attach line of the disk" contains "$output" "$(printf '%-20s\t%-31s\t' "/dev/$attached" FDisk_partition_scheme)"
expect "attach line of the partition, with its mount point" grep -qxF "$(printf '%-20s\t%-31s\t%s' "/dev/$id" Windows_NTFS /Volumes/Data)" <<<"$output"
expect "/dev/$id is a block device" test -b "/dev/$id"
expect "the system mount is read-only" has_option /Volumes/Data ro
expect "the system mount is nosuid,nodev" has_options /Volumes/Data nosuid nodev
expect "df -h reports /dev/$id as the first word" grep -qE "^/dev/$id " <<<"$(df -h)"

# --- list and info ------------------------------------------------------------
list=$(diskutil list)
echo "$list"
expect "list shows the disk header" contains "$list" "/dev/$attached (disk image):"
expect "list shows the column header" contains "$list" "   #:                       TYPE NAME                    SIZE       IDENTIFIER"
expect "list row of the whole disk" grep -qE "^   0:     FDisk_partition_scheme +\*67\.1 MB +$attached\$" <<<"$list"
expect "list row of the partition" grep -qE "^   1:               Windows_NTFS Data +66\.1 MB +$id\$" <<<"$list"
info=$(diskutil info "$id")
echo "$info"
expect "info: Volume Name with exactly 15 blanks" grep -qxF "   Volume Name:               Data" <<<"$info"
expect "info: Mounted Yes" grep -qE '^   Mounted: +Yes$' <<<"$info"
expect "info: personality NTFS" grep -qE '^   File System Personality: +NTFS$' <<<"$info"
expect "info: mount point" grep -qE '^   Mount Point: +/Volumes/Data$' <<<"$info"
whole=$(diskutil info "$attached")
expect "info of the whole disk: no file system" contains "$whole" "   Volume Name:               Not applicable (no file system)"
expect "info of the whole disk: no personality" sh -c '! grep -q "File System Personality:"' <<<"$whole"
out=$(diskutil info disk999 2>"$work/err"); status=$?
expect "info of an unknown disk fails, silent on stdout" test $status -eq 1 -a -z "$out"
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
expect "mounted read-only without an fstab entry" has_option /Volumes/Data ro
out=$(diskutil mount NoSuchVolume 2>&1 >/dev/null); status=$?
expect "mount of an unknown name fails on stderr: $out" test $status -ne 0 -a -n "$out"

# --- fstab entry: the system mounts it read-write ----------------------------
echo "LABEL=Data none ntfs rw,auto,nobrowse" >>/etc/fstab
expect "umount by name" diskutil umount Data
out=$(diskutil mount Data 2>&1)
expect "mount with fstab entry: $out" test "$out" = "Volume Data on $id mounted"
expect "mounted read-write by the fstab entry" has_option /Volumes/Data rw
expect "the fstab entry's mount is nosuid,nodev" has_options /Volumes/Data nosuid nodev
expect "the read-write volume takes a file" sh -c 'echo hello >/Volumes/Data/fstab.txt'
# ntfs-3g shows an Interix system file as a device node; anyone may write one
# on this volume, so a device must never open through it.
printf 'root-only scratch device' >"$work/scratch.img"
truncate -s 1M "$work/scratch.img"
scratch=$(losetup -f --show "$work/scratch.img")
out=$(plant_block_device /Volumes/Data/device "$scratch" 'root-only scratch device')
expect "a user's Interix device file never reaches the device: $out" contains "$out" "never the device"
losetup -d "$scratch"
rm -f /Volumes/Data/device
cd /Volumes/Data || exit 1
out=$(diskutil umount Data 2>&1 >/dev/null); status=$?
expect "a busy volume is not unmounted: $out" test $status -ne 0 \
  -a "$out" = "$(printf 'Unmount of %s failed: at least one volume could not be unmounted\n/Volumes/Data: Device or resource busy (a program is using it)' "$id")"
cd / || exit 1
expect "umount after the volume is free" diskutil umount Data
: >/etc/fstab

# --- mount_ntfs on a desktop folder (the automatic-mode script) --------------
desktop="$work/Desktop/Data"
mkdir -p "$desktop"
expect "mount_ntfs -o rw,nobrowse" mount_ntfs -o rw,nobrowse "/dev/$id" "$desktop"
expect "the desktop mount is read-write" has_option "$desktop" rw
expect "the desktop mount is nosuid,nodev" has_options "$desktop" nosuid nodev
out=$(mount_ntfs -o rw,dev,suid "/dev/$id" "$work" 2>&1); status=$?
expect "mount_ntfs refuses to be asked for devices or set-user-ID: $out" failed_with "unsupported option dev"
# A file that holds an NTFS volume is no disk: through sudo, a user's own
# file would become a volume that root mounted.
mkdir -p "$work/loose"
truncate -s 8M "$work/volume.ntfs"
mkntfs -q -F -f -L Loose "$work/volume.ntfs" >/dev/null 2>&1
out=$(mount_ntfs -o rw,nobrowse "$work/volume.ntfs" "$work/loose" 2>&1); status=$?
expect "mount_ntfs refuses a regular file where a block device is asked for: $out" failed_with "not a block device"
expect "... and mounts nothing" sh -c "! findmnt -n '$work/loose' >/dev/null"
umount "$work/loose" 2>/dev/null
expect "df -h shows the desktop mount through /dev/$id" grep -qE "^/dev/$id .*$desktop\$" <<<"$(df -h)"
expect "a file can be written on the desktop mount" sh -c "echo written >'$desktop/hello.txt'"
expect "info names the desktop mount point" grep -qE "^   Mount Point: +$desktop\$" <<<"$(diskutil info "$id")"
out=$(diskutil umount "$id" 2>&1)
expect "umount by identifier takes down the desktop mount: $out" test "$out" = "Volume Data on $id unmounted"
expect "the desktop folder stays (the volume code removes it)" test -d "$desktop"
expect "the written file survived" sh -c "diskutil mount $id >/dev/null && grep -q written /Volumes/Data/hello.txt"

# --- mount_ntfs takes over the system's read-only mount ----------------------
# (the volume script's "diskutil umount" runs unprivileged and cannot do it)
expect "mount_ntfs over the system's read-only mount" mount_ntfs -o rw,nobrowse "/dev/$id" "$desktop"
expect "... gives a read-write desktop mount" has_option "$desktop" rw
expect "... and the system mount and its folder are gone" test ! -e /Volumes/Data
expect "unmount the desktop mount" diskutil umount "$id"

# --- a disk in use is not detached, and one image is attached once ------------
diskutil umount "$id" >/dev/null
expect "mount_ntfs on the desktop again" mount_ntfs -o rw,nobrowse "/dev/$id" "$desktop"
head -c 2300000 /dev/urandom >"$work/payload"
exec 7>"$desktop/held.bin"
cat "$work/payload" >&7
loop_name=$(basename "$(losetup -j "$image" -n -O NAME)")
out=$(hdiutil detach "$attached" 2>&1); status=$?
echo "$out"
expect "detach of a disk in use fails, naming the busy mount" failed_with "$desktop: Device or resource busy"
expect "... and never says it was ejected" eval '! contains "$out" ejected'
expect "... the volume stays mounted read-write, the disk attached" \
  eval 'has_option "$desktop" rw && test -b "/dev/$id" && test -n "$(losetup -j "$image" -n)"'
out=$(hdiutil attach "$image" 2>&1); status=$?
expect "a second attach of the same image is refused, naming its disk: $out" failed_with "is attached already as $attached"
expect "... and makes no second loop device" test "$(losetup -j "$image" -n | wc -l)" -eq 1
out=$(hdiutil detach -force "$attached" 2>&1); status=$?
expect "detach -force goes ahead and says the release is pending: $out" \
  eval 'test $status -eq 0 && contains "$out" "release is pending until the last file on it closes"'
expect "... the disk's nodes are gone, its loop device stays until then" \
  eval 'test ! -e "/dev/$id" && test -n "$(losetup -j "$image" -n)"'
out=$(hdiutil attach "$image" 2>&1); status=$?
expect "an attach meanwhile is refused, naming the device still held: $out" failed_with "still attached at /dev/$loop_name"
# The file written through the detached mount goes to the disk once closed.
cat "$work/payload" >&7
exec 7>&-
expect "closing the last file releases the loop device" wait_for 20 sh -c "test -z \"\$(losetup -j '$image' -n)\""
attach_image
expect "attached again, the volume has the whole file written while it was held" \
  sh -c "cat '$work/payload' '$work/payload' | cmp -s - /Volumes/Data/held.bin"
diskutil umount "$id" >/dev/null

# --- a hibernated Windows volume is refused read-write -----------------------
mkdir -p "$work/raw"
ntfs-3g -o rw "/dev/$id" "$work/raw" && { printf 'hibr'; head -c 4092 /dev/zero; } >"$work/raw/hiberfil.sys"
umount "$work/raw"
sleep 1
out=$(mount_ntfs -o rw,nobrowse "/dev/$id" "$desktop" 2>&1); status=$?
echo "$out"
expect "mount_ntfs refuses a hibernated volume, telling to shut Windows down fully" failed_with "shut it down fully"
expect "nothing is mounted on the desktop folder" sh -c "! findmnt -n '$desktop' >/dev/null"
echo "LABEL=Data none ntfs rw,auto,nobrowse" >>/etc/fstab
out=$(diskutil mount "$id" 2>"$work/err")
expect "diskutil mount still mounts it: $out" test "$out" = "Volume Data on $id mounted"
expect "... read-only" has_option /Volumes/Data ro
expect "... and says why on stderr" grep -q "Windows is hibernated" "$work/err"
out=$(mount_ntfs -o rw,nobrowse "/dev/$id" "$desktop" 2>&1); status=$?
expect "mount_ntfs refuses it over the system mount too" test $status -ne 0
expect "... and gives the system its read-only mount back" has_option /Volumes/Data ro
: >/etc/fstab

# --- as a regular user ----------------------------------------------------------
if command -v setpriv >/dev/null; then
  as_user() { setpriv --reuid=65534 --regid=65534 --clear-groups "$@"; }
  expect "a user lists the disk" contains "$(as_user diskutil list 2>&1)" "$id"
  expect "a user sees the volume name" grep -qxF "   Volume Name:               Data" <<<"$(as_user diskutil info "$id" 2>&1)"
  out=$(as_user diskutil umount "$id" 2>&1); status=$?
  expect "a user cannot unmount, and is told why: $out" failed_with "root"
  out=$(as_user mount_ntfs -o rw "/dev/$id" "$desktop" 2>&1); status=$?
  expect "a user cannot run mount_ntfs: $out" failed_with "root"
fi

# --- open -------------------------------------------------------------------
out=$(env -u DISPLAY -u WAYLAND_DISPLAY open /Volumes/Nothing 2>&1); status=$?
expect "open of a missing path: $out" test $status -eq 1 -a "$out" = "The file /Volumes/Nothing does not exist."
out=$(env -u DISPLAY -u WAYLAND_DISPLAY open /Volumes/Data 2>&1); status=$?
expect "open without a desktop says so: $out" failed_with "no desktop session"

# --- unplug while mounted on the desktop ------------------------------------
diskutil umount "$id" >/dev/null
mount_ntfs -o rw,nobrowse "/dev/$id" "$desktop" 2>/dev/null || ntfs-3g -o ro "/dev/$id" "$desktop"
detach_and_finish
