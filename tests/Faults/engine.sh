#!/usr/bin/env bash
# What a run reports besides its own error. Promise rejections nobody
# handled: qorjs reports each once when the run ends, the oldest first after
# the run's own error, located where the promise was rejected, and exits 1; one
# handled before the run ends is no error. Include: each file runs once, and
# bad arguments throw.
source "$(dirname "$0")/common.bash"
cd "$fault_tmp"

quiet() { check "$1: stderr empty" test ! -s "$fault_tmp/err"; }
write() { mkdir -p "$(dirname "$1")" && printf '%b' "$2" >"$1"; }
prints() { check "$1: stdout" test "$(cat "$fault_tmp/out")" = "$2"; }
# lacks NAME TEXT: the last case did not report TEXT.
lacks() { check "$1: no $2" bash -c "! grep -q -- '$2' '$fault_tmp/err'"; }

expect "a reason that is no error, where rejected" 1 '^3:[0-9]+: Uncaught 42$' -- "$QORJS" -e $'1;\n\nPromise.reject(42);'

write lib.js "var fromLib = 1;\nPromise.reject(new Error('in lib'));\n"
write includes.js "Include('lib.js'); fromLib;\n"
expect "a rejection in an included file" 1 'lib\.js:2:[0-9]+: Uncaught Error: in lib$' -- "$QORJS" includes.js

expect "a handler attached later in the run" 0 '' -- \
  "$QORJS" -e $'const p = Promise.reject(new Error(\'x\'));\np.catch(e => {});'
quiet "a handler attached later in the run"
expect "a handler attached by a promise job of the run" 0 '' -- "$QORJS" -e "const p = Promise.reject(new Error('x'));
Promise.resolve().then(() => Promise.resolve()).then(() => p.catch(() => {}));"
quiet "a handler attached by a promise job of the run"

expect "only the rejections still unhandled" 1 'Uncaught Error: b$' -- \
  "$QORJS" -e "const a = Promise.reject(new Error('a')); Promise.reject(new Error('b')); a.catch(() => {});"
lacks "only the rejections still unhandled" 'Error: a'
expect "the oldest rejection" 1 'Uncaught Error: first$' -- \
  "$QORJS" -e "Promise.reject(new Error('first')); Promise.reject(new Error('second'));"
lacks "the oldest rejection" 'Error: second'
expect "the run's own error and a rejection" 1 'Uncaught Error: rejected$' -- \
  "$QORJS" -e $'Promise.reject(new Error(\'rejected\'));\nthrow new Error(\'thrown\');'
check "the run's own error comes first" bash -c \
  "grep -o 'Uncaught Error: [a-z]*' '$fault_tmp/err' | paste -sd, - | grep -qx 'Uncaught Error: thrown,Uncaught Error: rejected'"

write drops.mjs "export const a = 1;\nPromise.reject(new Error('in module'));\n"
expect "a module dropping a promise" 1 'drops\.mjs:2:[0-9]+: Uncaught Error: in module$' -- "$QORJS" -m drops.mjs
write slow.mjs "await null; throw new Error('imported');\n"
write imports-slow.mjs "import './slow.mjs';\n"
expect "an imported module failing after its await" 1 'Uncaught Error: imported$' -- "$QORJS" -m imports-slow.mjs
write bad.mjs "export let = 1;\n"
write catches.js "import('./bad.mjs').catch(() => {});\n"
expect "an import that fails, caught" 0 '' -- "$QORJS" catches.js
quiet "an import that fails, caught"

write once.js "var loads = (typeof loads === 'number' ? loads : 0) + 1;\n"
expect "Include runs a file once" 0 '' -- \
  "$QORJS" -e "Include('once.js'); Include('once.js'); console.log(loads, String(Include('once.js')), loads)"
prints "Include runs a file once" '1 undefined 1'
expect "Include's bad arguments" 0 '' -- "$QORJS" -e "for (const f of [() => Include(), () => Include('a', 'b'),
  () => Include(Symbol('x'))]) try { f(); } catch (e) { console.log(typeof e + ':' + e); }"
prints "Include's bad arguments" "object:TypeError: Incorrect number of arguments passed to Include().
object:TypeError: Incorrect number of arguments passed to Include().
object:TypeError: Cannot convert a Symbol value to a string"
expect "a missing Include throws once" 1 '^Not able to find module: nope\.js$' -- \
  "$QORJS" -e "for (let i = 0; i < 2; ++i) try { Include('nope.js'); console.log('none'); } catch (e) { console.log(String(e)); }"
prints "a missing Include throws once" 'Error: Could not find included file: `nope.js`
none'

finish
