#!/usr/bin/env bash
# A regular user installs the agent: the settings app's installer code, run as
# "nobody", is granted the blessing right by polkit and blesses through pkexec
# and the blessing tool; a user polkit refuses, and any user while polkit is
# not running, gets the denied status. Runs inside scripts/sandbox, whose
# system bus pkexec reaches, with a polkit daemon, actions and rules of its own.
# The blessing tool takes only the bundle where the installation puts it, and
# only where root alone could have changed it.
#   scripts/sandbox install_polkit_e2e.sh INSTALL_DRIVER BLESS_TOOL AGENT POLICY INSTALLED_BUNDLE
# The setting up stops at its first error; the checks are counted.
set -euo pipefail
. "$(dirname "$0")/support/harness.sh"

[ "${PARVEX_SANDBOX:-}" = inside ] || skip "runs only inside scripts/sandbox"
[ "$(id -u)" -eq 0 ] || skip "needs root"
for tool in /usr/lib/polkit-1/polkitd /usr/bin/pkexec /usr/bin/pkcheck /usr/bin/setpriv; do
  command -v "$tool" >/dev/null || skip "$tool missing"
done
id polkitd >/dev/null 2>&1 || skip "no polkitd user"

driver=$1 bless_tool=$2 agent=$3 policy=$4 app=$5
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

# The app bundle where the installation puts it (a folder of root's in this
# namespace alone), readable by everybody.
make_bundle() { # make_bundle FOLDER
  mkdir -p "$1/Contents/MacOS" "$1/Contents/Library/LaunchServices"
  cat > "$1/Contents/Info.plist" <<PLIST
<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict>
<key>CFBundleIdentifier</key><string>top.kestrova.macOS.Parvex</string>
<key>CFBundleExecutable</key><string>Parvex</string>
<key>SMPrivilegedExecutables</key><dict><key>$label</key><string>identifier "$label"</string></dict>
</dict></plist>
PLIST
  cp "$driver" "$1/Contents/MacOS/Parvex"
  cp "$agent" "$1/Contents/Library/LaunchServices/$label"
}
mkdir -p "$work/applications" "$(dirname "$app")"
mount --bind "$work/applications" "$(dirname "$app")"
make_bundle "$app"
chmod -R a+rX,go-w "$work"

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

set +e
as_user() {  # as_user NAME: runs the installer code as that user
  setpriv --reuid="$(id -u "$1")" --regid="$(id -g "$1")" --clear-groups "$app/Contents/MacOS/Parvex" >/dev/null
}

# What a user could hand the blessing tool (polkit does not bind its
# arguments), run as pkexec would run it: each is refused, nothing installed.
refused() {  # refused DESCRIPTION EXPECTED_MESSAGE BUNDLE
  local out status=0
  out=$("$bless_tool" "$3" "$label" 2>&1) || status=$?
  expect "$1 is refused: $out" test "$status" -ne 0
  expect "... saying so" grep -qF -- "$2" <<<"$out"
  expect "... and nothing is installed" test ! -e "$installed"
}
theirs=/tmp/theirs/Parvex.app
make_bundle "$theirs"
chown -R nobody /tmp/theirs
refused "a bundle of another user's" "only the installed Parvex ($app) can install its helper, not $theirs" "$theirs"
helper=$app/Contents/Library/LaunchServices/$label
chmod g+w "$app/Contents"
refused "a group-writable bundle" "$app/Contents can be changed by users other than root" "$app"
chmod g-w "$app/Contents"
chown nobody "$app/Contents/Library"
refused "a folder of another user's in the bundle" "$app/Contents/Library belongs to the user with id $(id -u nobody)" "$app"
chown root "$app/Contents/Library"
mv "$helper" "$work/helper.real"
ln -s "$theirs/Contents/Library/LaunchServices/$label" "$helper"
refused "a link to another user's helper" "$helper is a symbolic link" "$app"
rm "$helper"
mv "$work/helper.real" "$helper"

rm -f "$app_log"
status=0; as_user nobody || status=$?
expect "nobody, granted by polkit, blesses" test "$status" -eq 0
expect "one success logged" test "$(grep -c '^SMJobBless Success$' "$app_log")" -eq 1
expect "the tool belongs to root, mode 0755" test "$(stat -c '%u %a' "$installed" 2>/dev/null)" = "0 755"
for _ in $(seq 100); do grep -q "Running..." /tmp/ntfs_cmd.txt 2>/dev/null && break; sleep 0.1; done
pids=$(agent_pids)
expect "exactly one agent runs" test "$(echo "$pids" | grep -c .)" -eq 1
expect "the agent runs as root" test "$(stat -c %u "/proc/${pids%%$'\n'*}" 2>/dev/null)" = 0

rm -f "$app_log"
status=0; as_user daemon || status=$?
expect "a user polkit refuses is denied" test "$status" -eq 1
expect "the denied status is logged" grep -q '^Failed to copy AuthorizationRef, return code -60005$' "$app_log"

kill "$polkit_pid"; wait "$polkit_pid" 2>/dev/null || true
rm -f "$app_log"
status=0; as_user nobody || status=$?
expect "without polkit nobody is granted" test "$status" -eq 1
expect "and the denied status is logged" grep -q '^Failed to copy AuthorizationRef, return code -60005$' "$app_log"

[ "$failures" -eq 0 ] || { echo "--- polkitd"; cat "$work/polkitd.log"; echo "--- log"; cat "$app_log"; }
finish
