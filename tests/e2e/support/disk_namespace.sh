# Sourced by the disk-tool end-to-end scripts. Re-runs the script as root in a
# private mount namespace with its own copy of /etc (empty fstab) and an empty
# /Volumes, so the machine's /etc and mounts are never touched; gives the
# checks (expect, contains, ...), a 64 MiB image with one NTFS partition
# labelled Data, and the final "nothing left behind" checks.
# Before sourcing: bin_dir (the tools), needs (extra commands required).
# Exits 77 (skipped) where root, loop devices, FUSE or a command are missing.
skip() { echo "SKIP: $*"; exit 77; }

if [ -z "${DISK_NAMESPACE_INSIDE:-}" ]; then
  [ "$(id -u)" -eq 0 ] || skip "needs root (loop devices, mounts, device nodes)"
  [ -e /dev/loop-control ] || skip "no loop devices (/dev/loop-control missing)"
  [ -e /dev/fuse ] || skip "no FUSE (/dev/fuse missing)"
  export PATH="$PATH:/usr/sbin:/sbin"
  for command in unshare sfdisk mkntfs ntfs-3g losetup partx findmnt ${needs:-}; do
    command -v "$command" >/dev/null || skip "$command is not installed"
  done
  mkdir -p /Volumes  # the private tmpfs needs its mount point
  DISK_NAMESPACE_INSIDE=1 exec unshare -m --propagation private "$0" "$@"
fi

export PATH="$bin_dir:$PATH"
work=$(mktemp -d /tmp/disk-e2e.XXXXXX)
chmod 755 "$work"
image="$work/disk.img"
failures=0
attached=""

pass() { echo "ok   - $*"; }
fail() { echo "FAIL - $*"; failures=$((failures + 1)); }
expect() { local description=$1; shift; if "$@"; then pass "$description"; else fail "$description"; fi; }
contains() { grep -qF -- "$2" <<<"$1"; }
# The last command ($status, $out) failed saying $1.
failed_with() { [ "$status" -ne 0 ] && contains "$out" "$1"; }
mounted_at() { findmnt -n "$1" >/dev/null 2>&1; }
# The topmost mount at $1 has option $2 (rw, ro).
has_option() { grep -qE "(^|,)$2(,|$)" <<<"$(findmnt -n -o OPTIONS -M "$1" 2>/dev/null | tail -1)"; }

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
  umount -l /etc /Volumes 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/etc"
cp -a /etc/. "$work/etc/"
mount --bind "$work/etc" /etc
mount -t tmpfs tmpfs /Volumes
: >/etc/fstab

# The image as Windows leaves a USB disk: MBR, one partition of type 7.
truncate -s 64M "$image"
printf 'label: dos\n,,7\n' | sfdisk -q "$image" || { echo "sfdisk failed"; exit 1; }
loop=$(losetup -f --show "$image") && partx -a "$loop" && mkntfs -Q -L Data "${loop}p1" >/dev/null 2>&1
made=$?
partx -d "$loop"; losetup -d "$loop"
[ $made -eq 0 ] || { echo "could not make the NTFS image"; exit 1; }

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
  echo
  if [ $failures -eq 0 ]; then echo "$(basename "$0"): all passed"; else echo "$(basename "$0"): $failures failed"; fi
  [ $failures -eq 0 ]
  exit
}
