#!/usr/bin/env bash
# Fails when a file includes a header of a layer above its own, naming the
# file, the line and the include. From the top: app, ui, ops, search and
# print (siblings: neither includes the other), fields, input, core,
# platform, help.
# tests/ and bench/ may include anything; no layer includes them.
#   scripts/layer-check.sh [ROOT]   the tree to check (default: this one)
set -euo pipefail
root="${1:-$(dirname "$0")/..}"
cd "$root"

declare -A rank=([tests]=10 [bench]=10 [app]=9 [ui]=8 [ops]=7 [search]=6 [print]=6
  [fields]=5 [input]=4 [core]=3 [platform]=2 [help]=1)

bad=0
for layer in app ui ops search print fields input core platform help; do
  [ -d "$layer" ] || continue
  while IFS= read -r -d '' file; do
    while IFS=: read -r line text; do
      [[ $text =~ \"([^\"/]+)/ ]] || continue
      target=${BASH_REMATCH[1]}
      [ "$target" = "$layer" ] && continue
      # Headers outside the layers (generated ones, the system's) are not ours.
      [ -n "${rank[$target]:-}" ] || continue
      if ((rank[$target] >= rank[$layer])); then
        echo "$file:$line: ${text#"${text%%[![:space:]]*}"}: $layer may not include $target" >&2
        bad=1
      fi
    done < <(grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"/]+/' "$file" || true)
  done < <(find "$layer" -type f \( -name '*.h' -o -name '*.cpp' \) -print0 | sort -z)
done

if ((bad)); then
  echo "layer check: an include points up the layers (order from the top: app, ui, ops, search | print, fields, input, core, platform, help)" >&2
fi

# Below the window every call that touches a file goes through SysCalls, so
# that a test can fail any of it: the global form is for core/SysCalls.cpp.
calls='open|openat|creat|stat|lstat|fstat|fstatat|statx|access|faccessat|mkdir|mkdirat|rmdir'
calls+='|unlink|unlinkat|remove|rename|renameat|renameat2|link|linkat|symlink|symlinkat'
calls+='|fsync|fdatasync|truncate|ftruncate|read|pread|write|pwrite|lseek|close|realpath'
calls+='|readlink|readlinkat|chmod|fchmod|chown|fchown|lchown|flock|mkstemp|mkostemp'
calls+='|copy_file_range|opendir|fopen'
below=()
for layer in core ops print search input fields; do [ -d "$layer" ] && below+=("$layer"); done
direct=0
while IFS=: read -r file line text; do
  [ "$file" = core/SysCalls.cpp ] && continue
  echo "$file:$line: ${text#"${text%%[![:space:]]*}"}: a file call past SysCalls" >&2
  direct=1
done < <(grep -rnE --include='*.h' --include='*.cpp' "(^|[^[:alnum:]_])::($calls)\\(" \
  "${below[@]}" | sort -t: -k1,1 -k2,2n || true)
if ((direct)); then
  echo "layer check: a file is touched without SysCalls" >&2
fi

((bad || direct)) && exit 1
echo "layer check: every include points down; every file call goes through SysCalls"
