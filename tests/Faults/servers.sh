#!/usr/bin/env bash
# Host libraries and in-process servers that load but are broken: entry
# points that throw, a class object that is a success without an object,
# files that are no library. Each is reported; the process goes on to say so.
source "$(dirname "$0")/common.bash"

broken=$QOR_FIXTURE_MODULES/BrokenServerFixture.so
echo 'not a library' >"$fault_tmp/text.so"

expect "host library whose entry point throws" 2 'its entry point threw: broken host library' \
  -- "$QORJS" --host "$broken" -e 1
expect "host library without an entry point" 2 'has no entry point' \
  -- "$QORJS" --host "$QOR_FIXTURE_MODULES/SharedObjectFixture.so" -e 1
expect "host library that is no library" 2 'text\.so is not a valid Win32 application' \
  -- "$QORJS" --host "$fault_tmp/text.so" -e 1

expect "registration that throws" 1 'DllRegisterServer of .* threw broken registration' -- "$QORREGSVR" "$broken"
expect "registration of no library" 2 'text\.so is not a valid Win32 application' \
  -- "$QORREGSVR" "$fault_tmp/text.so"

# The fixture's broken classes, and a class whose server is no library.
cat >"$QOR_OLE_REGISTRY" <<JSON
{"ProgIDs": {"Broken.NoObject": {"CLSID": "{5D0E7A10-2B3C-4D5E-9F10-111213141511}"},
             "Broken.Throwing": {"CLSID": "{5D0E7A10-2B3C-4D5E-9F10-111213141512}"},
             "Broken.Text": {"CLSID": "{5D0E7A10-2B3C-4D5E-9F10-111213141513}"}},
 "CLSIDs": {"{5D0E7A10-2B3C-4D5E-9F10-111213141511}": {"InprocServer32": "$broken"},
            "{5D0E7A10-2B3C-4D5E-9F10-111213141512}": {"InprocServer32": "$broken"},
            "{5D0E7A10-2B3C-4D5E-9F10-111213141513}": {"InprocServer32": "$fault_tmp/text.so"}}}
JSON
for class in NoObject Throwing; do
  expect "server whose class object $class" 1 "\"Broken.$class\" could not be created: Error in the DLL" \
    -- "$QORJS" -e "new ActiveXObject('Broken.$class')"
done
expect "server that is no library" 1 'its server is not a valid Win32 application' \
  -- "$QORJS" -e "new ActiveXObject('Broken.Text')"

finish
