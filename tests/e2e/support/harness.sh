# Sourced first by every end-to-end script: how a script reports its checks
# and ends. Each check prints "ok   - ..." or "FAIL - ..." and the script
# goes on; finish prints the summary, and its status is the verdict. Exit
# status 77 tells ctest the script was skipped.
failures=0

skip() { echo "SKIP: $*"; exit 77; }
pass() { echo "ok   - $*"; }
fail() { echo "FAIL - $*"; failures=$((failures + 1)); }
# expect DESCRIPTION COMMAND...: the command's success is the check.
expect() { local description=$1; shift; if "$@"; then pass "$description"; else fail "$description"; fi; }
# The same for a check the rest of the script stands on: failing it ends the script.
require() { local description=$1; shift; if "$@"; then pass "$description"; else fail "$description"; finish; exit 1; fi; }
# Polls a command every 50 ms for up to $1 seconds.
wait_for() { local deadline=$((SECONDS + $1)); shift; until "$@"; do [ $SECONDS -lt $deadline ] || return 1; sleep 0.05; done; }
# The text $1 holds $2.
contains() { grep -qF -- "$2" <<<"$1"; }

finish() {
  echo
  if [ $failures -eq 0 ]; then echo "$(basename "$0"): all passed"; else echo "$(basename "$0"): $failures failed"; fi
  [ $failures -eq 0 ]
}
