#!/usr/bin/env bash
# olvane.dll exports exactly the fourteen functions under their plain names, and imports nothing
# but DLLs every Windows has (libstdc++, libgcc and winpthread are linked in).
set -euo pipefail
dll=${1:-build-win32/olvane.dll}
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
expected="AddDestination AddScene DelDestination DelScene FreeNamespace FreeRules GetAllNamespaces
GetRules GetRulesXML ParseRules RemoveAllScenes SetMetaData SetRulesDialog SetRulesXML"
system="advapi32.dll comctl32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll oleaut32.dll
shell32.dll ucrtbase.dll user32.dll"
table=$("$objdump" -p "$dll")
# The name table: "[   0] AddScene" lines after its heading.
exports=$(echo "$table" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
          sed -n 's/^\s*\[ *[0-9]*\] \(.*\)$/\1/p' | sort)
want=$(echo $expected | tr ' ' '\n' | sort)
status=0
if [ "$exports" != "$want" ]; then
  echo "exports differ from the fixed list:"
  diff <(echo "$want") <(echo "$exports") || true
  status=1
fi
imports=$(echo "$table" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
for dll_name in $imports; do
  if ! echo " $system " | tr '\n' ' ' | grep -q " $dll_name "; then
    echo "imports a DLL that is not part of Windows: $dll_name"
    status=1
  fi
done
[ $status -eq 0 ] && echo "olvane.dll OK: $(echo "$exports" | wc -l) exports; imports $(echo $imports)"
exit $status
