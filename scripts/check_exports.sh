#!/usr/bin/env bash
# The plug-in's dynamic symbol table holds exactly the fourteen exports and the BSTR allocator.
set -euo pipefail
lib=${1:-build/libolvane.so}
expected="AddDestination AddScene DelDestination DelScene FreeNamespace FreeRules GetAllNamespaces
GetRules GetRulesXML ParseRules RemoveAllScenes SetMetaData SetRulesDialog SetRulesXML SysAllocString
SysAllocStringLen SysFreeString SysStringLen"
actual=$(nm -D --defined-only "$lib" | awk '{print $3}' | sort)
want=$(echo $expected | tr ' ' '\n' | sort)
if [ "$actual" != "$want" ]; then
  echo "exported symbols differ from the fixed list:"
  diff <(echo "$want") <(echo "$actual") || true
  exit 1
fi
if readelf -Ws "$lib" | grep -q UNIQUE; then
  echo "unique symbols would keep the library from unloading"
  exit 1
fi
echo "exports OK: $(echo "$actual" | wc -l) symbols"
