# Shared by the tool doubles: where the scenario lives and how a call is kept.
# A scenario folder ($PARVEX_DOUBLES) holds what the tools print:
#   list           what "diskutil list" prints
#   info/ID        what "diskutil info ID" prints (missing: unknown disk)
#   df             what "df -h" prints
#   password       if present, the only password the sudo double accepts
#   mountinfo      the mounts the doubles made, as the kernel lists them
#   real-mounts    if present, mounts are real (see mount_ntfs)
#   busy/ID        if present, the volume is in use: "diskutil umount ID" fails
#   hang/NAME      if present, the call NAME ("sudo", "diskutil-umount", ...)
#                  never ends, as a sudo whose authentication never answers;
#                  it writes its process id to hang/NAME.pid first
# and the calls they received, in "calls": one record per call, its fields
# (tool, arguments..., and for sudo "stdin:" + the line it read) each ended by
# NUL, the record ended by the byte 0x1e.
state=${PARVEX_DOUBLES:?the tool doubles need PARVEX_DOUBLES}
record() {
  { printf '%s\0' "$@"; printf '\036'; } >> "$state/calls"
}
hang_if_asked() {
  if [ -f "$state/hang/$1" ]; then
    echo $$ > "$state/hang/$1.pid"
    exec sleep 600
  fi
}
