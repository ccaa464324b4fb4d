#!/usr/bin/env bash
# Scripts that would run forever or fill their memory: each ends with an error
# saying why, and qorjs exits 1 by itself instead of hanging or aborting.
source "$(dirname "$0")/common.bash"

heap='heap reached the limit of'
expect "runaway loop under --timeout" 1 'time limit of 0\.5 s' -- "$QORJS" --timeout 0.5 -e 'for (;;) {}'
expect "runaway --call under --timeout" 1 'time limit of 0\.5 s' -- \
  "$QORJS" --timeout 0.5 -e 'function spin() { for (;;) {} }' --call spin
# The limit is each run's: the script and --call together may take longer.
expect "two runs each under --timeout" 0 '' -- "$QORJS" --timeout 1 \
  -e 'function spin() { const end = Date.now() + 600; while (Date.now() < end); } spin()' --call spin
# A call into COM that blocks outlives the limit: the script ends as the call
# returns, before it runs on, however straight on it runs.
expect "blocking COM call under --timeout" 1 'time limit of 1 s' -- "$QORJS" --timeout 1 --host "$QOR_TOOL_HOST" \
  -e 'Tool.Sleep(1500); console.log("ran on"); Tool.Mark(); "finished"'
check "blocking COM call under --timeout: nothing after it ran" test ! -s "$fault_tmp/out"
# The run ends with the call, which still ends it with the limit's error.
expect "blocking COM call ending the script under --timeout" 1 'time limit of 1 s' -- \
  "$QORJS" --timeout 1 --host "$QOR_TOOL_HOST" -e 'Tool.Sleep(1500)'
expect "heap filled by arrays" 1 "$heap 16 MB" -- \
  "$QORJS" --max-heap 16 -e 'const a = []; for (;;) a.push(new Array(100).fill(0.5));'
expect "heap filled by objects" 1 "$heap 16 MB" -- \
  "$QORJS" --max-heap 16 -e 'const a = []; for (let i = 0;; i++) a.push({ index: i, name: "n" + i });'
expect "heap filled by strings" 1 "$heap 16 MB" -- \
  "$QORJS" --max-heap 16 -e 'let s = ""; for (let i = 0;; i++) s += String(i);'
# Without --max-heap: qorjs's own limit, far below what V8 would abort at.
expect "heap filled under the default limit" 1 "$heap 1024 MB" 120 -- \
  "$QORJS" -e 'const a = []; for (;;) a.push(new Array(1 << 20).fill(0.5));'
expect "ArrayBuffers past their bound" 1 'RangeError: Array buffer allocation failed' -- \
  "$QORJS" --max-heap 16 -e 'const kept = []; for (;;) kept.push(new ArrayBuffer(1 << 20));'

# A cycle links back along its import path; one that reads a binding before
# its module ran fails where it reads it.
cat >"$fault_tmp/one.mjs" <<'JS'
import { two } from './two.mjs';
export const one = 1;
JS
cat >"$fault_tmp/two.mjs" <<'JS'
import { one } from './one.mjs';
export const two = one + 1;
JS
echo "import './one.mjs';" >"$fault_tmp/main.mjs"
expect "module import cycle reading too early" 1 "two\.mjs:2:.*ReferenceError: Cannot access 'one' before initialization" -- \
  "$QORJS" --module "$fault_tmp/main.mjs"
cat >"$fault_tmp/self.mjs" <<'JS'
import * as me from './self.mjs';
export const name = 'self';
console.log(me.name);
JS
expect "module importing itself" 0 '' -- "$QORJS" --module "$fault_tmp/self.mjs"

finish
