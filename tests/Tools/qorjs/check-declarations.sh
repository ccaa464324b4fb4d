#!/usr/bin/env bash
# TypeScript checks scripts against the declarations of qorjs --dts and of
# its console and process: the checked example passes; a script that
# misspells a member or an event, takes a 64-bit result for a number or ends
# with a text for its status, fails on exactly those lines. One tsc run for
# both.
# Exits 77 (skipped) when there is no tsc: scripts/setup installs one into
# .deps/node_modules.
#   check-declarations.sh QORJS QORREGSVR SPREADSHEET_LIBRARY
set -uo pipefail
[ $# -eq 3 ] || { echo "usage: $0 QORJS QORREGSVR SPREADSHEET_LIBRARY" >&2; exit 2; }
qorjs=$1 qorregsvr=$2 library=$3
root=$(cd "$(dirname "$0")/../../.." && pwd)
tsc=${QOR_TSC:-$root/.deps/node_modules/.bin/tsc}
[ -x "$tsc" ] || tsc=$(command -v tsc) || { echo "no tsc: skipped"; exit 77; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Registered, so that the declarations type the ProgIDs.
export QOR_OLE_REGISTRY=$work/registry.json
"$qorregsvr" "$library" >/dev/null || exit 1
"$qorjs" --com-extensions --host "$library" --dts >"$work/spreadsheet.d.ts" || exit 1

cat >"$work/wrong.js" <<'EOF'
// @ts-check
const app = new ActiveXObject('QorSpreadsheet.Application');
app.ActiveWorkbook.Nmae = 'Plan';
const next = app.Factorial(5) + 1;
app.ActiveWorkbook.ActiveSheet.addEventListener('Changd', () => {});
process.exit('done');
EOF
# The example keeps the checked files' own paths in tsc's messages.
cd "$root"
"$tsc" --noEmit --allowJs --checkJs --strict --target es2022 --lib es2022,scripthost \
  "$work/spreadsheet.d.ts" tools/qorjs/qorjs-console.d.ts examples/checked.js "$work/wrong.js" >"$work/out"
status=$?
failed=0
expect() { # PATTERN WHY
  grep -qE -- "$1" "$work/out" || { echo "FAIL: $2"; failed=1; }
}
[ "$status" -ne 0 ] || { echo "FAIL: tsc passes a misspelled member"; failed=1; }
if grep -q 'checked\.js' "$work/out"; then echo "FAIL: the checked example does not pass"; failed=1; fi
expect "wrong\.js\(3,20\): error TS2339: Property 'Nmae' does not exist" "the misspelled member is not named"
expect "wrong\.js\(4,14\): error TS2365: .*'bigint'" "a 64-bit result passes for a number"
expect "wrong\.js\(5,49\): error TS2345: Argument of type '\"Changd\"'" "an event the sheet does not have passes"
expect "wrong\.js\(6,14\): error TS2345: Argument of type 'string'" "a text passes for process.exit's status"
[ "$(grep -c 'wrong\.js([0-9]*,[0-9]*): error TS' "$work/out")" -eq 4 ] ||
  { echo "FAIL: errors other than the four expected"; failed=1; }
[ "$failed" -eq 0 ] || { sed 's/^/  tsc: /' "$work/out"; exit 1; }
echo "ok: the example passes; the misspelled member and event, the BigInt and the status are caught"
