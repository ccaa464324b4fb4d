# Shared by the fault suites: each case runs a program against a hostile
# script, file or peer and checks that it ends by itself with a clear error:
# no signal, no sanitizer report, no hang, the expected exit status and text.
#
# The suites get the programs from the environment that CTest sets:
#   QORJS, QORREGSVR, QOR_SPREADSHEET_LIBRARY, and QOR_FIXTURE_MODULES, the
#   folder of the built fixture libraries
set -uo pipefail

fault_tmp=$(mktemp -d)
trap 'chmod -R u+w "$fault_tmp"; rm -rf "$fault_tmp"' EXIT
# No case reads or writes the user's own component registry.
export QOR_OLE_REGISTRY=$fault_tmp/ole-registry.json
failures=0
cases=0

# expect NAME STATUS PATTERN [SECONDS] -- COMMAND...
# STATUS is the exit status the command must end with; PATTERN an extended
# regular expression its stderr must match (empty: anything). SECONDS bounds
# the run (20 unless given).
expect() {
  local name=$1 status=$2 pattern=$3 seconds=20
  shift 3
  if [ "$1" != -- ]; then seconds=$1; shift; fi
  shift
  cases=$((cases + 1))
  local out=$fault_tmp/out err=$fault_tmp/err got
  timeout -k 5 "$seconds" "$@" >"$out" 2>"$err" </dev/null
  got=$?
  local why=
  if [ "$got" -eq 124 ] || [ "$got" -eq 137 ]; then why="hung (killed after ${seconds}s)"
  elif [ "$got" -gt 128 ]; then why="died of signal $((got - 128))"
  elif grep -qE 'ERROR: (Address|Leak)Sanitizer|runtime error:' "$err"; then why="sanitizer report"
  elif [ "$got" -ne "$status" ]; then why="exit status $got, expected $status"
  elif [ -n "$pattern" ] && ! grep -qE -- "$pattern" "$err"; then why="stderr does not match /$pattern/"
  fi
  if [ -n "$why" ]; then
    failures=$((failures + 1))
    echo "FAIL $name: $why"
    sed 's/^/  stderr: /' "$err" | head -20
  else
    echo "ok   $name"
  fi
}

# check NAME COMMAND...: what a case left behind (a file, its mode) is as it
# should be when COMMAND succeeds.
check() {
  local name=$1
  shift
  cases=$((cases + 1))
  if "$@"; then
    echo "ok   $name"
  else
    failures=$((failures + 1))
    echo "FAIL $name"
  fi
}

# Call last: the suite's verdict.
finish() {
  echo "$cases cases, $failures failed"
  [ "$failures" -eq 0 ]
}
