#!/usr/bin/env bash
# Fails when a source file includes from a folder that is not below its own
# in the layout, when a folder with sources has no place in the layout, or
# when a window's folder reaches the platform past desktop/'s seams.
# Usage: check-layout.sh [source root]
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"

# The layout, lowest level first. A folder includes from its own folder and
# from lower levels only; folders on one line are neighbours and stay apart.
layout='
files hall
barriers journal link desktop
feed serial widgets report
settings chart display
dialogs
app
'
# Folders whose files place controls and windows: no platform headers.
windowed='widgets chart display dialogs'
platform='xcb/|X11/|gio/|glib|windows\.h|unistd\.h|sys/|signal\.h|spawn\.h|QDBus|QProcess'

declare -A level
n=0
while read -r folders; do
  [ -n "$folders" ] || continue
  for folder in $folders; do level[$folder]=$n; done
  n=$((n + 1))
done <<<"$layout"

status=0
for dir in */; do
  dir=${dir%/}
  case $dir in tests | bench | build*) continue ;; esac
  if [ -z "${level[$dir]+set}" ] && [ -n "$(find "$dir" -name '*.cpp' -o -name '*.h' | head -1)" ]; then
    echo "$dir/ holds sources but has no place in the layout (scripts/check-layout.sh)"
    status=1
  fi
done
for dir in "${!level[@]}"; do
  [ -d "$dir" ] || continue
  while IFS=: read -r file line include; do
    target=${include#*\"}
    target=${target%%/*}
    if [ -n "${level[$target]+set}" ] && [ "$target" != "$dir" ] && [ "${level[$target]}" -ge "${level[$dir]}" ]; then
      echo "$file:$line: includes from $target/, which is not below $dir/"
      status=1
    fi
  done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"/]+/' --include='*.cpp' --include='*.h' "$dir" || true)
done
for dir in $windowed; do
  [ -d "$dir" ] || continue
  while IFS=: read -r file line include; do
    echo "$file:$line: a platform header <${include#*<}; $dir/ reaches the platform through desktop/"
    status=1
  done < <(grep -rnE "^[[:space:]]*#[[:space:]]*include[[:space:]]*<($platform)" --include='*.cpp' --include='*.h' "$dir" || true)
done
exit $status
