#!/usr/bin/env bash
# The udev rule for physical disks, run by a real systemd-udevd on real
# kernel events, inside scripts/sandbox: a loop-backed NTFS image is plugged
# in as a disk (its disk "add" event replayed with udevadm trigger, its
# partition's "add" the kernel's own), gets its diskN nodes and its
# read-only mount under /Volumes, and loses both when it is pulled out
# (the "remove" events replayed). No USB or SCSI device can be made on these
# machines (no kernel modules for usb gadgets or scsi_debug), so a test copy
# of the rule also matches this one loop device; the ntfs-3g daemon is
# started with setsid where systemd-run needs a running systemd.
#   udev_e2e.sh TOOLS_BIN TEST_RULE
# Each step stands on the one before: the first check that fails ends it.
set -euo pipefail
tools=$1
rule=$2
. "$(dirname "$0")/support/harness.sh"

[ "${PARVEX_SANDBOX:-}" = inside ] || skip "runs only inside scripts/sandbox"
[ "$(id -u)" -eq 0 ] || skip "needs root"
udevd=$(command -v systemd-udevd || echo /lib/systemd/systemd-udevd)
[ -x "$udevd" ] && command -v udevadm >/dev/null || skip "systemd-udevd is not installed (package udev)"
[ -e /dev/loop-control ] && [ -e /dev/fuse ] || skip "no loop devices or FUSE"
for command in losetup partx mkntfs ntfs-3g setsid; do
  command -v "$command" >/dev/null || skip "$command is not installed"
done
export PATH="$tools:$PATH"

cleanup() {
  if [ -n "${udevd_pid:-}" ]; then
    udevadm control --exit 2>/dev/null || kill "$udevd_pid" 2>/dev/null || true
    wait "$udevd_pid" 2>/dev/null || true
  fi
  umount -l /Volumes/USB 2>/dev/null || true
  for device in "${loop:-}" "${internal:-}"; do
    [ -n "$device" ] || continue
    partx -d "$device" 2>/dev/null || true
    losetup -d "$device" 2>/dev/null || true
  done
  if [ -n "${disk:-}" ] && [ -b "/dev/$disk" ]; then
    rm -f "/dev/$disk" "/dev/$disk"s*
  fi
  umount /run/udev 2>/dev/null || true
  [ -z "${made_run_udev:-}" ] || rmdir /run/udev 2>/dev/null || true
}
trap cleanup EXIT

# udevd's database and control socket, and the rules it reads, are the
# sandbox's own: only the test copy of our rule acts, on our device alone.
work=/tmp/udev-e2e
mkdir -p "$work/no-rules"
made_run_udev=
if [ ! -d /run/udev ]; then
  mkdir /run/udev
  made_run_udev=yes
fi
mount -t tmpfs sandbox-udev /run/udev
for rules in /lib/udev/rules.d /usr/lib/udev/rules.d; do
  [ -d "$rules" ] && mount --bind "$work/no-rules" "$rules"
done
mkdir -p /etc/udev/rules.d
rm -f /etc/udev/rules.d/*

image="$work/usb.img"
"$(dirname "$0")/../../scripts/ntfs-image" "$image" USB >/dev/null
loop=$(losetup -f --show "$image")
name=${loop#/dev/}
# A second disk beside it that is neither USB nor removable, as an internal
# disk is: it must get no identifier and no mount.
internal_image="$work/internal.img"
"$(dirname "$0")/../../scripts/ntfs-image" "$internal_image" Internal >/dev/null
internal=$(losetup -f --show "$internal_image")
internal_name=${internal#/dev/}
# The installed rule, but for loop devices, of which only the first image's
# counts as on a USB bus.
sed -e 's|KERNEL!="[^"]*"|KERNEL!="loop*"|' \
    -e "s|SUBSYSTEMS==\"usb\"|ATTRS{loop/backing_file}==\"$image\"|" \
    -e 's|/usr/bin/systemd-run --no-block --collect|/usr/bin/setsid -f|' \
    -e "s|^ACTION==\"remove\", SUBSYSTEM==\"block\",|ACTION==\"remove\", SUBSYSTEM==\"block\", KERNEL==\"$name\|${name}p[0-9]*\",|" \
    "$rule" > /etc/udev/rules.d/90-parvex-disks.rules
require "the test copy of the rule matches the loop device" grep -q "backing_file" /etc/udev/rules.d/90-parvex-disks.rules

"$udevd" --resolve-names=never 2>"$work/udevd.log" &
udevd_pid=$!
wait_for 10 test -S /run/udev/control || cat "$work/udevd.log"
require "systemd-udevd starts" test -S /run/udev/control

# Plugged in: the disks' "add", then the partitions the kernel adds.
udevadm trigger --action=add --settle "/sys/class/block/$name" "/sys/class/block/$internal_name"
partx -a "$loop"
partx -a "$internal"
udevadm settle --timeout=30
disk=
# Sets disk: the identifier diskutil lists, once its partition's node is there.
disk_appeared() { disk=$(diskutil list | sed -n "s|^/dev/\(disk[0-9]*\) .*|\1|p" | head -1); [ -n "$disk" ] && [ -b "/dev/${disk}s1" ]; }
same_device() { [ "$(stat -c %t:%T "$1")" = "$(stat -c %t:%T "$2")" ]; }
wait_for 10 disk_appeared || echo "/dev holds $(ls /dev | grep '^disk' || true); udevd: $(cat "$work/udevd.log")"
require "the disk gets its diskN nodes" disk_appeared
require "/dev/$disk is $loop" same_device "/dev/$disk" "$loop"
require "/dev/${disk}s1 is ${loop}p1" same_device "/dev/${disk}s1" "${loop}p1"
require "diskutil lists it" eval 'diskutil list | grep -q "Windows_NTFS USB .*${disk}s1$"'
require "the volume is mounted under /Volumes" wait_for 10 eval 'findmnt -n /Volumes/USB >/dev/null'
require "... from /dev/${disk}s1" test "$(findmnt -n -o SOURCE /Volumes/USB)" = "/dev/${disk}s1"
require "... read-only without an fstab entry" eval "findmnt -n -o OPTIONS /Volumes/USB | grep -q '^ro'"
require "... nosuid,nodev: $(findmnt -n -o OPTIONS /Volumes/USB)" eval "findmnt -n -o OPTIONS /Volumes/USB | grep -q 'nosuid,nodev'"
internal_has_no_node() { local node; for node in /dev/disk*; do ! same_device "$node" "$internal" || return 1; done; }
require "the internal disk gets no node" internal_has_no_node
require "the internal disk's volume is not mounted" eval '! findmnt -n -S "${internal}p1" >/dev/null'
require "... and has no folder under /Volumes" test ! -e /Volumes/Internal
require "diskutil info sees the mount" eval 'diskutil info "${disk}s1" | grep -q "Mounted: *Yes"'

# Pulled out: the partition's "remove", then the disk's.
udevadm trigger --action=remove --settle "/sys/class/block/${name}p1"
udevadm trigger --action=remove --settle "/sys/class/block/$name"
udevadm settle --timeout=30
require "the mount goes with the disk" wait_for 10 eval '! findmnt /Volumes/USB >/dev/null'
require "... and so does the emptied /Volumes/USB folder" test ! -e /Volumes/USB
require "... and the nodes" eval '[ ! -e "/dev/$disk" ] && [ ! -e "/dev/${disk}s1" ]'
echo "# $loop came as $disk with /dev/${disk}s1 mounted read-only at /Volumes/USB, and went with both;" \
  "$internal (not removable) stayed unmounted"
finish
