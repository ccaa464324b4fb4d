#!/usr/bin/env bash
# Component registries that are not plain files, or not plain JSON: lookups
# find nothing, writes are refused with a reason, and no entry is lost. A
# registry reached through a symbolic link is written through the link.
source "$(dirname "$0")/common.bash"

register=("$QORREGSVR" "$QOR_SPREADSHEET_LIBRARY")
create_point=("$QORJS" -e 'new ActiveXObject("QorSpreadsheet.Point").X')
same() { cmp -s "$1" "$2"; }
mode_is() { [ "$(stat -c %a "$2")" = "$1" ]; }

mkdir "$fault_tmp/dir"
mkfifo "$fault_tmp/fifo"
head -c 17M /dev/zero | tr '\0' ' ' >"$fault_tmp/huge.json"
echo '{ not json' >"$fault_tmp/bad.json"
for kind in dir fifo huge.json bad.json; do
  export QOR_OLE_REGISTRY=$fault_tmp/$kind
  expect "lookup in a registry that is $kind" 1 'no COM class is registered' -- "${create_point[@]}"
  expect "registration in a registry that is $kind" 1 "component registry .*$kind: " -- "${register[@]}"
done
check "the malformed registry is left as it was" grep -q '{ not json' "$fault_tmp/bad.json"

export QOR_OLE_REGISTRY=$fault_tmp/link.json
mkdir "$fault_tmp/real"
ln -s real/registry.json "$fault_tmp/link.json"
expect "registration through a symbolic link" 0 '' -- "${register[@]}"
check "the link stays a link" test -L "$fault_tmp/link.json"
check "the file it leads to holds the entries" grep -q QorSpreadsheet.Point "$fault_tmp/real/registry.json"
expect "lookup through the link" 0 '' -- "${create_point[@]}"

chmod 0640 "$fault_tmp/real/registry.json"
expect "registration again" 0 '' -- "${register[@]}"
check "the file keeps its mode" mode_is 640 "$fault_tmp/real/registry.json"

chmod 0444 "$fault_tmp/real/registry.json"
cp "$fault_tmp/real/registry.json" "$fault_tmp/before.json"
expect "unregistration of a read-only registry" 1 'read-only' -- "$QORREGSVR" -u "$QOR_SPREADSHEET_LIBRARY"
check "the read-only registry keeps every entry" same "$fault_tmp/before.json" "$fault_tmp/real/registry.json"
check "and its mode" mode_is 444 "$fault_tmp/real/registry.json"

finish
