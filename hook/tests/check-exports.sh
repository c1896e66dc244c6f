#!/usr/bin/env bash
# The hook library exports exactly its thirteen functions, with C names.
set -euo pipefail
library=$1
expected="EnableHotKey
GetKeyClicks
GetLastKeystrokeTime
GetLastMouseTime
GetMouseClicks
InstallHooks
KeyboardProc
MouseProc
RemoveHooks
SetHotKey
SetKeyCount
SetMouseCount
WasHotKeyPressed"
actual=$(nm -D --defined-only "$library" | awk '{print $3}' | sort)
if [ "$actual" != "$expected" ]; then
  echo "exports differ:"
  diff <(echo "$expected") <(echo "$actual") || true
  exit 1
fi
# Every export is a function (T), none a data symbol.
if nm -D --defined-only "$library" | awk '{print $2}' | grep -qv '^T$'; then
  echo "a non-function symbol is exported"
  exit 1
fi
echo "13 exports, as expected"
