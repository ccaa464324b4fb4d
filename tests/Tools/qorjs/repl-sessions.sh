#!/usr/bin/env bash
# The interactive session as a person uses it, on a terminal: tmux runs
# qorjs in a pane, the test types keys and reads the screen. A few sessions,
# each trying several things in a row: completion over the sample model;
# editing, multi-line statements, Ctrl-C and errors; the history file, the
# exit status, and -i after a script.
# Exits 77 (skipped) where there is no tmux.
#   repl-sessions.sh QORJS SPREADSHEET_LIBRARY
set -uo pipefail
[ $# -eq 2 ] || { echo "usage: $0 QORJS SPREADSHEET_LIBRARY" >&2; exit 2; }
qorjs=$1 library=$2
command -v tmux >/dev/null || { echo "no tmux: skipped"; exit 77; }

work=$(mktemp -d)
tm() { tmux -S "$work/socket" "$@"; }
trap 'tm kill-server 2>/dev/null; rm -rf "$work"' EXIT
export QORJS_REPL_HISTORY=$work/history
failures=0
session=

# start NAME COMMAND: a session of its own, whose pane stays to show how the
# command ended: "[exited STATUS]".
start() {
  session=$1
  tm new-session -d -s "$session" -x 120 -y 50 "$2; echo \"[exited \$?]\"; sleep 600"
  see '^> ?$' "$session: the prompt"
}
screen() { tm capture-pane -p -t "$session"; }
keys() { tm send-keys -t "$session" "$@"; }
# see PATTERN WHAT: the screen shows a line matching PATTERN within 20 s.
see() {
  local i
  for ((i = 0; i < 200; i++)); do
    screen | grep -qE -- "$1" && return 0
    sleep 0.1
  done
  failures=$((failures + 1))
  echo "FAIL $2: no line matches /$1/"
  screen | grep -v '^$' | sed 's/^/  screen: /'
  return 1
}
# type TEXT: keys typed as they are, then Enter.
type() { keys -l "$1"; keys Enter; }

# Completion of globals and of COM members from type information, through
# the types of properties that are not read; the last value as _.
start completion "\"$qorjs\" --host \"$library\""
keys -l 'Application.Act'; keys Tab
see '^> Application\.ActiveWorkbook$' "Tab completes a member of a global object"
keys -l '.Act'; keys Tab
see '^> Application\.ActiveWorkbook\.ActiveSheet$' "Tab goes on through the type of a property"
keys Enter
see '^ISheet \[COM\] \{\}$' "a COM object shows its class"
keys -l '_.Na'; keys Tab; keys Enter
see "^'Sheet1'$" "_ is the last value, and its members complete"
keys -l 'Appl'; keys Tab; keys -l '.Ad'; keys Tab; type '(1, 2)'
see '^3$' "a global name completes, then a method"
keys -l 'con'; keys Tab
see 'console +const +constructor +continue' "an ambiguous name lists its choices"
keys C-u C-d
see '^\[exited 0\]$' "Ctrl-D leaves"
tm kill-session -t completion

# Statements over several lines, a line dropped with Ctrl-C, a statement
# ended with Ctrl-C, errors, .help, and two Ctrl-C to leave.
start editing "\"$qorjs\""
type 'let total = 0'
type 'for (let i = 1; i <= 3; i++) {'
see '^\.\.\. ?$' "an open statement asks for more"
type 'total += i'
type '}'
see '^6$' "a statement over three lines"
keys -l 'total = "dropped"'; keys C-c
see '^> total = "dropped"\^C$' "Ctrl-C drops the line"
type 'while (true) {}'
sleep 0.5
keys C-c
see '^Script execution was interrupted by Ctrl-C$' "Ctrl-C ends a statement that runs"
type 'total * 7'
see '^42$' "the session goes on after both"
type 'nope'
see '^Uncaught ReferenceError: nope is not defined$' "an error as the REPL shows it"
type '.help'
see '^\.exit +Leave the session$' ".help lists the commands"
keys C-c
see 'To exit, press Ctrl\+C again' "Ctrl-C on an empty line says how to leave"
keys C-c
see '^\[exited 0\]$' "a second Ctrl-C leaves"
tm kill-session -t editing

# The history of the last session, kept for the user alone; -i after a
# script with its arguments; the status process.exitCode gives.
printf 'const greeting = "hello " + process.argv[2];\n' >"$work/greet.js"
start history "\"$qorjs\" -i \"$work/greet.js\" world"
keys Up
see '^> \.help$' "the history of the last session"
keys Up
see '^> nope$' "the history, a line further back"
keys C-u
type 'greeting'
see "^'hello world'$" "-i runs the script first, with its arguments"
type 'process.exitCode = 4'
type '.exit'
see '^\[exited 4\]$' ".exit leaves with process.exitCode"
[ "$(stat -c %a "$work/history")" = 600 ] || { echo "FAIL the history file is readable by others"; failures=$((failures + 1)); }

[ "$failures" -eq 0 ] || exit 1
echo "ok: completion, editing, interrupts, errors, history and exit status on a terminal"
