#!/usr/bin/env bash
# A regular user installs the agent: the settings app's installer code, run as
# "nobody", is granted the blessing right by polkit and blesses through pkexec
# and the blessing tool; a user polkit refuses, and any user while polkit is
# not running, gets the denied status. Runs inside scripts/sandbox, whose
# system bus pkexec reaches, with a polkit daemon, actions and rules of its own.
#   scripts/sandbox InstallPolkit.sh INSTALL_DRIVER BLESS_TOOL AGENT POLICY
set -euo pipefail

[ "${PARVEX_SANDBOX:-}" = inside ] || { echo "runs only inside scripts/sandbox; skipped" >&2; exit 77; }
[ "$(id -u)" -eq 0 ] || { echo "needs root; skipped" >&2; exit 77; }
for tool in /usr/lib/polkit-1/polkitd /usr/bin/pkexec /usr/bin/pkcheck /usr/bin/setpriv; do
  command -v "$tool" >/dev/null || { echo "$tool missing; skipped" >&2; exit 77; }
done
id polkitd >/dev/null 2>&1 || { echo "no polkitd user; skipped" >&2; exit 77; }

driver=$1 bless_tool=$2 agent=$3 policy=$4
label=top.kestrova.macOS.Parvex.Agent
installed=/Library/PrivilegedHelperTools/$label
app_log=/Users/tamsel/Parvex.txt
exec_path=$(sed -n 's|.*org.freedesktop.policykit.exec.path">\(.*\)</annotate>.*|\1|p' "$policy")
chmod 777 /Users/tamsel

work=/tmp/work
mkdir -p "$work/actions" "$work/rules" "$work/libexec"
cp /usr/share/polkit-1/actions/* "$policy" "$work/actions/"
mount --bind "$work/actions" /usr/share/polkit-1/actions
cat > "$work/rules/10-parvex-test.rules" <<'RULES'
polkit.addRule(function(action, subject) {
    if (action.id == "top.kestrova.macos.parvex.blesshelper")
        return subject.user == "nobody" ? polkit.Result.YES : polkit.Result.NO;
});
RULES
mount --bind "$work/rules" /etc/polkit-1/rules.d
mkdir -p "$(dirname "$exec_path")" "$work/exec"
cp "$bless_tool" "$work/exec/"
mount --bind "$work/exec" "$(dirname "$exec_path")"

# The app bundle, readable by everybody.
app=$work/Parvex.app
mkdir -p "$app/Contents/MacOS" "$app/Contents/Library/LaunchServices"
cat > "$app/Contents/Info.plist" <<PLIST
<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict>
<key>CFBundleIdentifier</key><string>top.kestrova.macOS.Parvex</string>
<key>CFBundleExecutable</key><string>Parvex</string>
<key>SMPrivilegedExecutables</key><dict><key>$label</key><string>identifier "$label"</string></dict>
</dict></plist>
PLIST
cp "$driver" "$app/Contents/MacOS/Parvex"
cp "$agent" "$app/Contents/Library/LaunchServices/$label"
chmod -R a+rX "$work"

# polkit's daemon switches to its own user, whom the bus lets take its name.
/usr/lib/polkit-1/polkitd --no-debug >"$work/polkitd.log" 2>&1 &
polkit_pid=$!

agent_pids() {
  for entry in /proc/[0-9]*; do
    [ "$(readlink "$entry/exe" 2>/dev/null)" = "$installed" ] && echo "${entry#/proc/}"
  done
  return 0
}
cleanup() {
  for pid in $(agent_pids); do kill -9 "$pid" 2>/dev/null || true; done
  kill "$polkit_pid" 2>/dev/null || true
}
trap cleanup EXIT

for _ in $(seq 100); do
  pkaction --action-id top.kestrova.macos.parvex.blesshelper >/dev/null 2>&1 && break
  sleep 0.1
done

passes=0 failures=0
check() {  # check DESCRIPTION COMMAND...
  if "${@:2}"; then echo "ok: $1"; passes=$((passes + 1)); else echo "FAILED: $1"; failures=$((failures + 1)); fi
}
as_user() {  # as_user NAME: runs the installer code as that user
  setpriv --reuid="$(id -u "$1")" --regid="$(id -g "$1")" --clear-groups "$app/Contents/MacOS/Parvex" >/dev/null
}

rm -f "$app_log"
status=0; as_user nobody || status=$?
check "nobody, granted by polkit, blesses" test "$status" -eq 0
check "one success logged" test "$(grep -c '^SMJobBless Success$' "$app_log")" -eq 1
check "the tool belongs to root, mode 0755" test "$(stat -c '%u %a' "$installed" 2>/dev/null)" = "0 755"
for _ in $(seq 100); do grep -q "Running..." /tmp/ntfs_cmd.txt 2>/dev/null && break; sleep 0.1; done
pids=$(agent_pids)
check "exactly one agent runs" test "$(echo "$pids" | grep -c .)" -eq 1
check "the agent runs as root" test "$(stat -c %u "/proc/${pids%%$'\n'*}" 2>/dev/null)" = 0

rm -f "$app_log"
status=0; as_user daemon || status=$?
check "a user polkit refuses is denied" test "$status" -eq 1
check "the denied status is logged" grep -q '^Failed to copy AuthorizationRef, return code -60005$' "$app_log"

kill "$polkit_pid"; wait "$polkit_pid" 2>/dev/null || true
rm -f "$app_log"
status=0; as_user nobody || status=$?
check "without polkit nobody is granted" test "$status" -eq 1
check "and the denied status is logged" grep -q '^Failed to copy AuthorizationRef, return code -60005$' "$app_log"

[ "$failures" -eq 0 ] || { echo "--- polkitd"; cat "$work/polkitd.log"; echo "--- log"; cat "$app_log"; }
echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
