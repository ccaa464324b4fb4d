#!/usr/bin/env bash
# qorjs as a user runs it: what it prints, how it reports a script's errors,
# --call, modules, Include and --list-classes; --host with the sample spreadsheet library and
# the host libraries it must refuse; the sample registered by qorregsvr and
# created with new ActiveXObject; the sample's scripts against their .out files.
source "$(dirname "$0")/common.bash"

scripts=$(cd "$(dirname "$0")/../Examples/Spreadsheet/Scripts" && pwd)
sample=$QOR_SPREADSHEET_LIBRARY
cd "$fault_tmp"

# prints NAME TEXT: the last case wrote TEXT (trailing newlines aside) to stdout.
prints() { check "$1: stdout" test "$(cat "$fault_tmp/out")" = "$2"; }
# quiet NAME: the last case wrote nothing to stderr.
quiet() { check "$1: stderr empty" test ! -s "$fault_tmp/err"; }
write() { mkdir -p "$(dirname "$1")" && printf '%b' "$2" >"$1"; }

# What a script prints and how it ends.
expect "completion value" 0 '' -- "$QORJS" -e '6*7'
prints "completion value" 42
quiet "completion value"
expect "UTF-8 text" 0 '' -- "$QORJS" -e $'\'caf\xC3\xA9\''
prints "UTF-8 text" $'caf\xC3\xA9'
for args in "-e undefined" "--quiet -e 1"; do
  expect "nothing printed for $args" 0 '' -- "$QORJS" $args
  prints "nothing printed for $args" ''
done
expect "a completion value as console.log shows it" 0 '' -- "$QORJS" -e "[1, 'two', 3n, { four: [4] }]"
prints "a completion value as console.log shows it" "[ 1, 'two', 3n, { four: [ 4 ] } ]"
cat >strings.js <<'EOF'
['a\nb', "it's", '\u{1F600}x', '\ud800', '\x7f\\', '\'"`']
EOF
expect "strings quoted and escaped as Node's" 0 '' -- "$QORJS" strings.js
prints "strings quoted and escaped as Node's" "$(cat <<'EOF'
[ 'a\nb', "it's", '😀x', '\ud800', '\x7F\\', '\'"`' ]
EOF
)"
# console.* as Node's console prints (console.out and console.err are what
# Node 20 prints for console.js, but for the prefix of its warnings).
console_tests=$(cd "$(dirname "$0")/../Tools/qorjs" && pwd)
expect "console" 0 '' -- "$QORJS" "$console_tests/console.js"
check "console: stdout as Node's" cmp -s "$fault_tmp/out" "$console_tests/console.out"
check "console: stderr as Node's" cmp -s "$fault_tmp/err" "$console_tests/console.err"
expect "what cannot be formatted says why, and the line is kept" 0 '' -- "$QORJS" -e "console.log('%j|%s|%d', \
  { toJSON() { throw new Error('no JSON'); } }, { toString() { throw new Error('no text'); } }, Symbol('s'), 'end')"
prints "what cannot be formatted" '<Inspection threw (no JSON)>|<Inspection threw (no text)>|NaN end'

write bad.js 'var x = 1;\nnotDefined();\n'
expect "an error with its location and source line" 1 \
  "^$fault_tmp/bad.js:2:1: Uncaught ReferenceError: notDefined is not defined$" -- "$QORJS" "$fault_tmp/bad.js"
check "the source line follows" grep -qx 'notDefined();' "$fault_tmp/err"
write broken.js 'var a = 1;\nvar = 2;\n'
expect "a syntax error with its location" 1 "^$fault_tmp/broken.js:2:5: Uncaught SyntaxError: " -- "$QORJS" "$fault_tmp/broken.js"
check "its source line follows" grep -qx 'var = 2;' "$fault_tmp/err"
expect "an error thrown in a function, with its stack" 1 '^    at f \(<anonymous>:1:' \
  -- "$QORJS" -e $'function f() { throw new TypeError(\'bad\'); }\nf();'
expect "a missing Include, reported after the run" 1 '^Not able to find module: nope.js$' \
  -- "$QORJS" -e "try { Include('nope.js') } catch (e) { console.log(String(e)) }; 'after'"
prints "a missing Include" $'Error: Could not find included file: `nope.js`\nafter'
expect "a rejection nobody handled" 1 '^1:16: Uncaught Error: x$' -- "$QORJS" -e "Promise.reject(new Error('x')); 1"
prints "a rejection nobody handled" 1
write late.js "async function work() {\n  throw new Error('late');\n}\nwork(); 'ran'\n"
expect "a rejection of an async function" 1 "at work \\($fault_tmp/late.js:2:9\\)" -- "$QORJS" "$fault_tmp/late.js"
check "its location" grep -q "^$fault_tmp/late.js:2:9: Uncaught Error: late" "$fault_tmp/err"
expect "a handled rejection" 0 '' -- "$QORJS" -e "Promise.reject(new Error('x')).catch(() => {}); 1"
quiet "a handled rejection"

# Modules and Include find their files beside the script, wherever qorjs runs.
write app/main.mjs "import { a } from './a.mjs';\nconsole.log('a =', a);\n"
write app/a.mjs "import { b } from './b.mjs';\nimport { y } from '../lib/y.js';\nexport const a = b + y;\n"
write app/b.mjs 'export const b = 40;\n'
write lib/y.js 'export const y = 2;\n'
expect "a module run from elsewhere" 0 '' -- bash -c 'cd / && "$0" --module "$1"' "$QORJS" "$fault_tmp/app/main.mjs"
prints "a module run from elsewhere" 'a = 42'
expect "a module by a relative path" 0 '' -- "$QORJS" -m app/main.mjs
prints "a module by a relative path" 'a = 42'
# Each import of a module gets an instance of its own.
write counter.mjs 'let n = 0; export function next() { return ++n; }\n'
write one.mjs "import { next } from './counter.mjs'; export const one = next();\n"
write two.mjs "import { next } from './counter.mjs'; export const two = next();\n"
write both.mjs "import { one } from './one.mjs'; import { two } from './two.mjs'; console.log(one, two);\n"
expect "a module imported twice" 0 '' -- "$QORJS" -m both.mjs
prints "a module imported twice" '1 1'
# import() fulfils with the namespace, even of a module that throws (its error
# reported after the run), unless the text does not compile or link.
write dyn.mjs "export const value = 'dynamic';\n"
write nocompile.mjs 'export let = 1;\n'
write nolink.mjs "import { nothing } from './empty.mjs';\n"
write empty.mjs ''
write late-throw.mjs "export const early = 1;\nthrow new Error('in import');\n"
write dynamic.mjs "const names = ['./dyn.mjs', './nocompile.mjs', './nolink.mjs', './late-throw.mjs'];
console.log((await Promise.all(names.map(name => import(name).then(ns => ns.value ?? Object.keys(ns).length,
  e => e.name)))).join());\n"
expect "import()" 1 '^late-throw.mjs:2:7: Uncaught Error: in import$' -- "$QORJS" -m dynamic.mjs
prints "import()" 'dynamic,SyntaxError,SyntaxError,1'
# The kind is what qorjs is told, whatever the file's name.
write looks.mjs 'console.log(String(this === globalThis))\n'
expect "an .mjs file run as a classic script" 0 '' -- "$QORJS" looks.mjs
prints "an .mjs file run as a classic script" true
write plain.js 'console.log(String(this))\n'
expect "a .js file run as a module" 0 '' -- "$QORJS" -m plain.js
prints "a .js file run as a module" undefined
write missing.mjs "import { x } from './x.mjs';\n"
expect "a missing import" 1 '^Not able to find module: ./x.mjs$' -- "$QORJS" --module missing.mjs
write side.mjs "import './nope.mjs';\nconsole.log('ran anyway');\n"
expect "a missing import of no name, reported after the run" 1 '^Not able to find module: ./nope.mjs$' \
  -- "$QORJS" -m side.mjs
prints "a missing import of no name" 'ran anyway'
write broken.mjs 'const a = 1;\nexport const = 2;\n'
expect "a module's syntax error" 1 "^$fault_tmp/broken.mjs:2:14: Uncaught SyntaxError: " -- "$QORJS" -m "$fault_tmp/broken.mjs"
write bad.mjs '\nlet = = 1;\n'
write imports-bad.mjs "import './bad.mjs';\n"
expect "an imported module's syntax error" 1 '^./bad.mjs:2:1: Uncaught SyntaxError: ' -- "$QORJS" -m imports-bad.mjs
write throws.mjs "let x = 1;\nthrow new Error('boom');\n"
expect "a module that throws" 1 "^$fault_tmp/throws.mjs:2:7: Uncaught Error: boom$" -- "$QORJS" -m "$fault_tmp/throws.mjs"
check "its caret under the throw" grep -qx '      ^' "$fault_tmp/err"
write awaits.mjs "await null;\nthrow new Error('after await');\n"
expect "a module that throws after its await" 1 "^$fault_tmp/awaits.mjs:2:[0-9]+: Uncaught Error: after await$" \
  -- "$QORJS" -m "$fault_tmp/awaits.mjs"

# Timers and tasks: qorjs runs them until none is pending, as Node does.
expect "a timer awaited at top level" 0 '' -- "$QORJS" -m \
  -e 'const t = Date.now(); await new Promise(r => setTimeout(r, 50)); console.log("done", Date.now() - t >= 45)'
prints "a timer awaited at top level" 'done true'
expect "an unsettled top-level await" 13 '^Warning: Detected unsettled top-level await in the script$' \
  -- "$QORJS" -m -e 'await new Promise(r => {}); console.log("y")'
prints "an unsettled top-level await" ''
expect "a timer that throws ends the loop" 1 'Uncaught Error: boom$' \
  -- "$QORJS" -e 'setTimeout(() => { throw new Error("boom"); }, 1); setTimeout(() => console.log("never"), 30); undefined'
prints "a timer that throws ends the loop" ''
# Even when the next timer is due in the same round, as a slow start makes it.
for ending in '1 throw new Error("boom")' '3 process.exit(3)'; do
  status=${ending%% *} ending=${ending#* }
  expect "a timer's $ending ends the round" "$status" '' -- "$QORJS" -e "setTimeout(() => { $ending; }, 1);
    setTimeout(() => console.log('never'), 30); const t = Date.now(); while (Date.now() - t < 60); undefined"
  prints "a timer's $ending ends the round" ''
done
expect "--timeout counts the timers and the waits" 1 '^Script terminated: it ran longer than its time limit of 0.3 s$' \
  -- "$QORJS" --timeout 0.3 -e 'setInterval(() => {}, 10); undefined'
expect "--timeout ends a timer that runs on" 1 '^Script terminated: it ran longer than its time limit of 0.3 s$' \
  -- "$QORJS" --timeout 0.3 -e 'setTimeout(() => { for (;;); }, 100); undefined'
# Ctrl-C, while waiting and while running; 130 said on stdout, which the
# harness would take for a death by signal. A background job of a shell
# starts with SIGINT ignored until qorjs takes it: the signal goes once the
# script has said it runs, however slow the start.
for script in 'setInterval(() => {}, 1000); undefined' 'for (;;);'; do
  expect "Ctrl-C: $script" 0 '^qorjs: interrupted \(Ctrl-C\); the script was terminated$' \
    -- bash -c '"$0" -e "console.log(\"running\"); $1" >"$2" & until grep -q running "$2"; do sleep 0.05; done
                kill -INT $!; wait $!; echo "status $?"' "$QORJS" "$script" "$fault_tmp/running"
  prints "Ctrl-C: $script" 'status 130'
done

write lib.js "var fromLib = 'included';\r\n"
write main.js "Include('lib.js');\r\nfromLib + ' ' + \`a\r\nb\`.length\r\n"
expect "Include beside the script, CRLF lines" 0 '' -- bash -c 'cd / && "$0" "$1"' "$QORJS" "$fault_tmp/main.js"
prints "Include beside the script" 'included 3'
write include.mjs "try { Include('lib.js'); } catch (e) { console.log(String(e)); }\n"
expect "Include in a module" 0 '' -- "$QORJS" -m include.mjs
prints "Include in a module" 'Error: Include() is not allowed from javascript modules (mjs files).'

# --call: a function of the script after its run, with the rest as arguments.
expect "--call" 0 '' -- "$QORJS" -e "function add(a, b) { return a + b; } 'completion'" --call add 40 2
prints "--call" 42
expect "--call of a method" 0 '' \
  -- "$QORJS" -e "var Sheet = { Greet(n, loud) { return 'hi ' + n + (loud ? '!' : ''); } }" --call Sheet.Greet Bob true
prints "--call of a method" 'hi Bob!'
expect "--call of nothing" 1 'no function nothing' -- "$QORJS" -e 1 --call nothing
expect "--call of a function that throws" 1 'Uncaught Error: bad' \
  -- "$QORJS" -e "function fail() { throw new Error('bad'); }" --call fail
write m.mjs 'export function twice(x) { return 2 * x; }\nexport function fail() { throw new Error("bad"); }\n'
expect "--call of a module's export" 0 '' -- "$QORJS" --module m.mjs --call twice 21
prints "--call of a module's export" 42
expect "--call of no export" 1 '^qorjs: the module has no function thrice$' -- "$QORJS" --module m.mjs --call thrice
expect "--call of an export that throws" 1 'Uncaught Error: bad' -- "$QORJS" --module m.mjs --call fail

# Usage errors and unreadable files exit with 2, saying what is wrong.
expect "an unknown option" 2 '^qorjs: unknown option --bogus; see qorjs --help$' -- "$QORJS" --bogus x.js
while IFS='|' read -r message arguments; do
  # shellcheck disable=SC2086 # the arguments are words
  expect "usage: qorjs $arguments" 2 "^qorjs: $message" -- "$QORJS" $arguments
done <<'USAGE'
--host needs a host library|--host
-e needs the script text|-e
no script given: --call takes the rest of the command line, so FILE goes before it|--call f a.js
|-e 1 --call
|--inspect= a.js
|--inspect=0 a.js
|--inspect=65536 a.js
|--inspect=9x a.js
|--inspector a.js
USAGE
for bad in 0 -1 x 1s nan inf 1e9; do
  expect "usage: --timeout $bad" 2 '--timeout needs a number of seconds above 0, up to a day' \
    -- "$QORJS" --timeout "$bad" a.js
done
for bad in 0 -5 1.5 lots 99999999999; do
  expect "usage: --max-heap $bad" 2 '--max-heap needs a whole number of megabytes above 0' \
    -- "$QORJS" --max-heap "$bad" a.js
done
expect "a missing script" 2 'none\.js cannot be read' -- "$QORJS" "$fault_tmp/none.js" -e 1
# Without a script, or with "-", the script is standard input, as Node reads it.
expect "a script on standard input, with arguments" 0 '' \
  -- bash -c 'printf "console.log(process.argv.slice(1).join())\r\n" | "$0" - a b' "$QORJS"
prints "a script on standard input, with arguments" '-,a,b'
expect "no script and nothing on standard input" 0 '' -- "$QORJS"
prints "no script and nothing on standard input" ''

# What follows FILE (or -e CODE and its options) is the script's, in
# process.argv; the script chooses the exit status.
write args.js 'console.log(process.argv.slice(2).join(" "));\nprocess.exitCode = Number(process.argv[2]);\nundefined\n'
expect "a script's arguments and exitCode" 3 '' -- "$QORJS" args.js 3 -x --host --
prints "a script's arguments" '3 -x --host --'
check "process.argv has the script's full path" "$QORJS" -e "process.argv[1] === '$fault_tmp/args.js' || process.exit(1)" \
  -- "$fault_tmp/args.js"
expect "-e CODE, options, then arguments; -- ends the options" 0 '' \
  -- "$QORJS" -e 'console.log(process.argv.slice(1).join())' -q -- -e --call x
prints "-e CODE, options, then arguments" '-e,--call,x'
expect "--call after FILE and its arguments" 0 '' -- "$QORJS" args.js 0 --call Number 42
prints "--call after FILE and its arguments" $'0\n42'
expect "process.exit ends the script at once, finally blocks too" 4 '' \
  -- "$QORJS" -e 'try { process.exit(4) } finally { console.log("finally") }; console.log("after")'
prints "process.exit ends the script at once" ''
quiet "process.exit ends the script at once"
expect "process.exit in a --call" 5 '' -- "$QORJS" -e 'function stop(code) { process.exit(code); return 1; }' --call stop 5
prints "process.exit in a --call" ''
expect "process.exit's status in eight bits, an uncaught error before it" 1 'Uncaught Error: first' \
  -- "$QORJS" -e 'Promise.reject(new Error("first")); process.exitCode = 257'
expect "process.exit of what is no integer" 1 'exit code must be an integer' -- "$QORJS" -e 'process.exit("1")'
expect "process.stdin.readLine" 0 '' -- bash -c 'printf "one\ntwo\r\n\nlast" | "$0" -e "
  let line; const lines = []; while ((line = process.stdin.readLine()) !== null) lines.push(line);
  process.stdout.write(JSON.stringify(lines)); undefined"' "$QORJS"
prints "process.stdin.readLine" '["one","two","","last"]'
expect "--version" 0 '' -- "$QORJS" --version
check "--version names the library and V8" grep -qE '^QorJavaScriptCom [0-9.]+\+[0-9a-f]+, V8 [0-9.]+' "$fault_tmp/out"

# -i: the interactive session reads the lines of a pipe as well; the
# terminal's own sessions are tests/Tools/qorjs/repl-sessions.sh.
expect "-i over a pipe" 3 '' -- bash -c 'printf "let x = 6\nx *\n7\nnope\nprocess.exit(3)\n1\n" | "$0" -i' "$QORJS"
check "-i over a pipe: values, a statement over two lines, errors, the exit" bash -c '[ "$(tail -n +3 "$0")" = "$1" ]' \
  "$fault_tmp/out" $'> undefined\n> ... 42\n> Uncaught ReferenceError: nope is not defined\n> '
expect "--help" 0 '' -- "$QORJS" --help
check "--help names --module" grep -q -- --module "$fault_tmp/out"
expect "assertion reports hidden" 0 '' -- "$QORJS" -e 'try { new Enumerator(5) } catch (e) { console.log(e) }'
quiet "assertion reports hidden"
expect "assertion reports when verbose" 0 'assertion in' \
  -- "$QORJS" --verbose -e 'try { new Enumerator(5) } catch (e) { console.log(e) }'

# --list-classes: a library that cannot be loaded is named; the option
# needs --typelib and nothing to run.
tlb=$QOR_TYPELIB_FIXTURES/QorFixture.tlb
expect "--list-classes of a missing library" 1 "$fault_tmp/missing\.tlb" \
  -- "$QORJS" --typelib "$tlb" --typelib "$fault_tmp/missing.tlb" --list-classes
prints "--list-classes of a missing library" ''
expect "--list-classes without --typelib" 2 '--typelib' -- "$QORJS" --list-classes
expect "--list-classes with a script" 2 '' -- "$QORJS" --typelib "$tlb" --list-classes -e 1
expect "--typelib without a library" 2 '' -- "$QORJS" --list-classes --typelib
expect "--list-classes with --dts" 2 '' -- "$QORJS" --typelib "$tlb" --list-classes --dts
expect "--typelib with neither" 2 '' -- "$QORJS" --typelib "$tlb"
expect "--list-classes with --com-extensions" 2 '' -- "$QORJS" --typelib "$tlb" --list-classes --com-extensions
expect "--dts with a script" 2 '--dts runs no script' -- "$QORJS" --dts -e 1

# --list-classes prints, as JSON, the classes of every library given, files
# and a module's resource alike, with their members as the IDL declares them.
expect "--list-classes" 0 '' -- "$QORJS" --typelib "$tlb" --list-classes
check "--list-classes: classes, members, parameters" python3 - "$fault_tmp/out" <<'EOF'
import json, sys
classes = {c["name"]: c for c in json.load(open(sys.argv[1]))}
def member(cls, name): return next(f for f in classes[cls]["functions"] if f["name"] == name)
assert classes["Calculator"]["guid"] == "{5A0C4F1E-7D1B-4C2E-9A53-0F6D2B8E1C07}"
assert classes["Colour"]["functions"] == []
assert classes["Colour"]["constants"][2] == {"name": "Blue", "value": 42}
# A member of the coclass's second interface, and one of its default one;
# Square reaches IShape through its default interface.
assert member("Calculator", "Area")["interface"] == "{5A0C4F1E-7D1B-4C2E-9A53-0F6D2B8E1C03}"
assert "interface" not in member("Calculator", "Scale")
assert "interface" not in member("Square", "Area")
scale = member("ICalc", "Scale")
assert (scale["memberId"], scale["invokeKind"]) == (3, 1)
factor = scale["parameters"][1]
assert [factor[k] for k in ("name", "typeName", "vt", "flags", "defaultValue")] == ["factor", "VT_I2", 2, 0x31, 3]
assert "defaultValue" not in scale["parameters"][0]
assert member("ICalc", "Sum")["parameters"][0]["elementVt"] == 3  # VT_I4
defaults = member("ICalc", "Defaults")["parameters"]
assert defaults[1]["defaultValue"] == "abc" and defaults[3]["defaultValue"] is True
EOF
names() { python3 -c 'import json, sys; print(" ".join(sorted(c["name"] for c in json.load(open(sys.argv[1])))))' "$fault_tmp/out"; }
expect "--list-classes of two libraries" 0 '' \
  -- "$QORJS" --typelib "$QOR_TYPELIB_FIXTURES/QorFixtureExt.tlb" --typelib "$tlb" --list-classes
check "--list-classes of two libraries: both" bash -c '[[ " $0 " == *" Calculator "* && " $0 " == *" ICircle "* ]]' "$(names)"
expect "--list-classes of a module's resource" 0 '' \
  -- "$QORJS" --typelib "$QOR_TYPELIB_FIXTURES/QorFixtures.dll\\2" --list-classes
check "--list-classes of a module's resource: its classes" bash -c '[[ " $0 " == *" ICircle "* ]]' "$(names)"

# --host: a host library's classes become the script's globals.
expect "a host library's classes" 0 '' \
  -- "$QORJS" --host "$sample" -e '[typeof Application, typeof Point, typeof Workbook].join()'
prints "a host library's classes" 'object,function,function'
quiet "a host library's classes"
expect "no host, no classes" 0 '' -- "$QORJS" -e 'typeof Application'
prints "no host, no classes" undefined
expect "a host library found from the current directory" 0 '' \
  -- bash -c 'cd "$(dirname "$1")" && "$0" --host "$(basename "$1")" -e "Application.Add(1, 2)"' "$QORJS" "$sample"
prints "a host library found from the current directory" 3
# A number that a long parameter cannot hold is refused, not wrapped into it;
# qorjs throws failures as Errors that name the member and the argument.
expect "a number out of a long parameter's range" 1 \
  'Uncaught RangeError: Application.IsEven: argument 1: 3000000000 is out of range for its COM type \(-2147483648 to 2147483647\)$' \
  -- "$QORJS" --host "$sample" -e 'Application.IsEven(3000000000)'
write fail.js 'const sheet = Application.ActiveWorkbook.ActiveSheet;\nsheet.Activate(1);\n'
expect "an uncaught COM error with its location" 1 "^$fault_tmp/fail.js:2:7: Uncaught Error: ISheet.Activate: Zoom 1 is outside 10 to 400$" \
  -- "$QORJS" --host "$sample" "$fault_tmp/fail.js"

# Host libraries that cannot serve are named with the reason; qorjs exits with 2.
expect "a missing host library" 2 '^qorjs: host library /nonexistent/libNothing.so cannot be loaded: The specified module could not be found. \(/nonexistent/libNothing.so: no such file\)$' \
  -- "$QORJS" --host /nonexistent/libNothing.so -e 1
expect "a host library without the entry point" 2 "^qorjs: host library $QOR_OLE_LIBRARY has no entry point QorRegisterHost$" \
  -- "$QORJS" --host "$QOR_OLE_LIBRARY" -e 1
cp "$sample" "$fault_tmp/libQorSpreadsheet.so"
expect "the sample without its type library" 2 "^qorjs: host library $fault_tmp/libQorSpreadsheet.so registered nothing: Error loading type library/DLL\.$" \
  -- "$QORJS" --host "$fault_tmp/libQorSpreadsheet.so" -e 1
expect "one host library twice" 2 "^qorjs: host library $sample registered nothing: Name already exists in the library\.$" \
  -- "$QORJS" --host "$sample" --host "$sample" -e 1
expect "--host without a library" 2 '--host needs a host library' -- "$QORJS" -e 1 --host
# Built without the version mark or against other headers: refused before the
# entry point, which would register a class, is called.
rebuild=': rebuild it against QorJavaScriptCom [0-9.]+\+[0-9a-f]+, the version of this qorjs$'
expect "a host library without the version mark" 2 \
  "^qorjs: host library $QOR_UNMARKED_HOST has no version mark QorHostLibraryVersion$rebuild" \
  -- "$QORJS" --host "$QOR_UNMARKED_HOST" -e 1
expect "a host library of other headers" 2 \
  "^qorjs: host library $QOR_OTHER_VERSION_HOST was built against QorJavaScriptCom 0\.0\.1\+0123456789abcdef$rebuild" \
  -- "$QORJS" --host "$QOR_OTHER_VERSION_HOST" -e 1

# The sample's scripts print what their .out files hold; stderr carries at
# most the assertion record of a returned DATE, which has no script form.
for script in members values errors collections constructors events extensions; do
  options=()
  [ "$script" = extensions ] && options=(--com-extensions)
  expect "sample script $script" 0 '' -- "$QORJS" "${options[@]}" --host "$sample" "$scripts/$script.js"
  check "sample script $script: stdout" cmp -s "$fault_tmp/out" "$scripts/$script.out"
  check "sample script $script: stderr" \
    bash -c '! grep -qv "Missing V8 variant implementation (returnVar.vt): 7" "$0"' "$fault_tmp/err"
done

# A throwing event handler is reported once, from the outermost call back
# into the script, and the script goes on.
write throwing.js "Sheet.OnChange = function (sheet, row) {
  if (row < 3) sheet.SetCell(row + 1, 1, row);
  else throw new Error('handler failed at ' + row);
};
Application.ActiveWorkbook.ActiveSheet.SetCell(1, 1, 0);
console.log('after the change');\n"
expect "a throwing event handler" 1 'Uncaught Error: handler failed at 3' -- "$QORJS" --host "$sample" throwing.js
prints "a throwing event handler" 'after the change'
check "a throwing event handler is reported once" test "$(grep -c 'Uncaught Error' "$fault_tmp/err")" = 1

# The README's two steps: qorregsvr registers the sample, then a plain qorjs
# creates its objects by ProgID; after unregistration they are gone.
write create.js 'var app = new ActiveXObject("QorSpreadsheet.Application");
var book = app.ActiveWorkbook;
book.ActiveSheet.SetCell(1, 1, 42);
console.log(app.Name, book.Name, book.ActiveSheet.Cells(1, 1));
var p = new ActiveXObject("QorSpreadsheet.Point.1");
p.X = 3; p.Y = 4;
console.log(p.DistanceTo(new ActiveXObject("QorSpreadsheet.Point")));
var names = [];
for (var sheet of new ActiveXObject("QorSpreadsheet.Workbook").Sheets) names.push(sheet.Name);
console.log(names.join());\n'
expect "registration of the sample" 0 '' -- "$QORREGSVR" "$sample"
expect "the registered sample by ProgID" 0 '' -- "$QORJS" create.js
prints "the registered sample by ProgID" $'QorSpreadsheet Book1 42\n5\nSheet1'
expect "unregistration of the sample" 0 '' -- "$QORREGSVR" -u "$sample"
expect "the unregistered sample" 1 'no COM class is registered as "QorSpreadsheet.Application"' -- "$QORJS" create.js
expect "an unregistered class caught by the script" 0 '' \
  -- "$QORJS" -e 'try { new ActiveXObject("QorSpreadsheet.Application"); } catch (e) { console.log(String(e), e.number); }'
prints "an unregistered class caught by the script" \
  'Error: ActiveXObject: no COM class is registered as "QorSpreadsheet.Application" -2147221005'
expect "qorregsvr without a library" 2 '' -- "$QORREGSVR"
expect "qorregsvr of a missing library" 2 '' -- "$QORREGSVR" "$fault_tmp/missing.so"
expect "qorregsvr of a library without DllRegisterServer" 2 '' -- "$QORREGSVR" "$QOR_OLE_LIBRARY"

finish
