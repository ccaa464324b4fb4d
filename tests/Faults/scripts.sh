#!/usr/bin/env bash
# Scripts that fail: each is reported, and qorjs exits by itself.
source "$(dirname "$0")/common.bash"

expect "missing script file" 2 'nope\.js' -- "$QORJS" "$fault_tmp/nope.js"
expect "syntax error" 1 'SyntaxError' -- "$QORJS" -e 'function ('
expect "uncaught throw" 1 'Uncaught 7' -- "$QORJS" -e 'throw 7'

finish
