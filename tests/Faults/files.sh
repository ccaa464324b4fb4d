#!/usr/bin/env bash
# Files that are not what they claim: directories, FIFOs, devices without
# end, huge sparse files. A script file is read up to a cap, wherever it
# comes from; a type library must be a regular file, and only what it holds
# is read.
source "$(dirname "$0")/common.bash"

mkdir "$fault_tmp/dir"
mkfifo "$fault_tmp/fifo"
truncate -s 2G "$fault_tmp/sparse"
truncate -s 100M "$fault_tmp/huge.js"
echo 'var fromA = "a";' >"$fault_tmp/a.js"

expect "script is a directory" 2 'dir cannot be read' -- "$QORJS" "$fault_tmp/dir"
expect "script is a device without end" 2 'larger than 64 MiB' -- "$QORJS" /dev/zero
expect "script is larger than the cap" 2 'larger than 64 MiB' 5 -- "$QORJS" "$fault_tmp/huge.js"
expect "script comes from a pipe" 0 '' -- bash -c '"$QORJS" <(echo "1")'
expect "Include of a device without end" 1 'Not able to find module: /dev/zero \(larger than 64 MiB' \
  -- "$QORJS" -e 'Include("/dev/zero")'
expect "Include of a directory" 1 'Not able to find module' -- "$QORJS" -e "Include('$fault_tmp/dir')"
expect "Include of a name holding U+0000" 1 'Not able to find module' \
  -- "$QORJS" -e "Include('$fault_tmp/a.js\\0junk'); typeof fromA"

for kind in dir fifo sparse; do
  expect "--typelib on a $kind" 1 "cannot load type library .*$kind" 5 \
    -- "$QORJS" --typelib "$fault_tmp/$kind" --list-classes
done
expect "--typelib on a device" 1 'cannot load type library /dev/zero' 5 -- "$QORJS" --typelib /dev/zero --list-classes

expect "--call of a name that is not UTF-8" 1 'has no function' -- "$QORJS" -e 'function f() {}' --call $'\xff'

finish
