# Sourced by the disk-tool end-to-end scripts, which run inside scripts/sandbox
# (its own copy of /etc, empty /Volumes, so the machine's /etc and mounts are
# never touched). Gives the checks (expect, contains, ...), an empty fstab, a
# 64 MiB image with one NTFS partition labelled Data (or $label), and the
# final "nothing left behind" checks.
# Before sourcing: harness.sh; bin_dir (the tools), needs (extra commands
# required), label (the volume's, if not Data).
# Exits 77 (skipped) where root, loop devices, FUSE or a command are missing.

[ "${PARVEX_SANDBOX:-}" = inside ] || skip "runs only inside scripts/sandbox"
[ "$(id -u)" -eq 0 ] || skip "needs root (loop devices, mounts, device nodes)"
[ -e /dev/loop-control ] || skip "no loop devices (/dev/loop-control missing)"
[ -e /dev/fuse ] || skip "no FUSE (/dev/fuse missing)"
export PATH="$PATH:/usr/sbin:/sbin"
for command in sfdisk mkntfs ntfs-3g losetup partx findmnt ${needs:-}; do
  command -v "$command" >/dev/null || skip "$command is not installed"
done

export PATH="$bin_dir:$PATH"
work=$(mktemp -d /tmp/disk-e2e.XXXXXX)
chmod 755 "$work"
image="$work/disk.img"
attached=""

# The last command ($status, $out) failed saying $1.
failed_with() { [ "$status" -ne 0 ] && contains "$out" "$1"; }
mounted_at() { findmnt -n "$1" >/dev/null 2>&1; }
# The topmost mount at $1 has option $2 (rw, ro).
has_option() { grep -qE "(^|,)$2(,|$)" <<<"$(findmnt -n -o OPTIONS -M "$1" 2>/dev/null | tail -1)"; }
# ... and every option after $1.
has_options() { local folder=$1 option; shift; for option; do has_option "$folder" "$option" || return 1; done; }
# Something is mounted read-write at $1.
writable_at() { mounted_at "$1" && has_option "$1" rw; }
# As nobody, writes FILE as Windows' Interix block-device file for DEVICE's
# numbers and marks it a system file, as any user of a writable volume can,
# then opens it for two seconds (the kernel caches what the file was for a
# moment): "device read" if it ever gave DEVICE's first bytes, $3.
plant_block_device() { # FILE DEVICE MARKER
  local numbers
  numbers=$(stat -c '%t %T' "$2")
  setpriv --reuid=65534 --regid=65534 --clear-groups /usr/bin/python3 - "$1" $numbers "$3" <<'PLANT'
import os, struct, sys, time
path, major, minor, marker = sys.argv[1], int(sys.argv[2], 16), int(sys.argv[3], 16), sys.argv[4].encode()
with open(path, "wb") as f:
    f.write(b"IntxBLK\0" + struct.pack("<QQ", major, minor))
outcome = "never the device"
try:
    os.setxattr(path, "system.ntfs_attrib_be", struct.pack(">I", 4))
except OSError as error:
    outcome += ", system attribute: " + error.strerror
for attempt in range(10):
    try:
        with open(path, "rb") as f:
            if f.read(len(marker)) == marker:
                outcome = "device read"
                break
    except OSError as error:
        outcome = "never the device, open: " + error.strerror
    time.sleep(0.2)
print(outcome)
PLANT
}
cleanup() {
  cd /
  declare -F cleanup_more >/dev/null && cleanup_more
  for target in $(findmnt -n -l -o TARGET | grep -E "^(/Volumes/|$work)" | sort -r); do
    umount -l "$target" 2>/dev/null
  done
  [ -n "$attached" ] && [ -e "/dev/$attached" ] && hdiutil detach "$attached" >/dev/null 2>&1
  for loop in $(losetup -j "$image" -O NAME -n 2>/dev/null); do
    partx -d "$loop" 2>/dev/null; losetup -d "$loop" 2>/dev/null
  done
  rm -rf "$work"
}
trap cleanup EXIT

: >/etc/fstab
"$(dirname "${BASH_SOURCE[0]}")/../../../scripts/ntfs-image" "$image" "${label:-Data}" || { echo "could not make the NTFS image"; exit 1; }

# Sets output, attached (diskN) and id (diskNs1).
attach_image() {
  output=$(hdiutil attach "$image" 2>&1) || { echo "attach failed: $output"; exit 1; }
  attached=$(awk 'NR==1 {sub("/dev/", "", $1); print $1}' <<<"$output")
  id="${attached}s1"
}

# Detaches the image, even while mounted, and expects nothing of it left; then
# the summary and the exit status.
detach_and_finish() {
  local loop_name detached out
  loop_name=$(basename "$(losetup -j "$image" -n -O NAME)")
  expect "the image is on a loop device" test -n "$loop_name"
  out=$(hdiutil detach "$attached" 2>&1)
  expect "detach: $out" test "$out" = "\"$attached\" ejected."
  detached="$attached"; attached=""
  sleep 0.5
  expect "no mount of the image is left" sh -c "! findmnt -n -l -o SOURCE | grep -qE '^/dev/($detached|$loop_name)'"
  expect "no /dev/$detached nodes are left" sh -c "! ls /dev/${detached} /dev/${detached}s* 2>/dev/null | grep -q ."
  expect "the loop device is released" test -z "$(losetup -j "$image" -n)"
  expect "no partition of the loop device is left" test ! -e "/sys/class/block/${loop_name}p1"
  expect "no /Volumes folder is left" test -z "$(ls -A /Volumes)"
  finish
  exit
}
