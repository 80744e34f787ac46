#!/usr/bin/env bash
# Checks that every include between the product folders points down the
# layers: app/ -> reader/, net/, proxyctl/ -> store/ -> platform/ -> base/.
# res/ (resources) may be included from anywhere; tests/, fuzz/, bench/ and
# tools/ stand above everything and are not checked. Fails, naming the file,
# the line and the include, on an include that points up or sideways where
# the table below does not allow it, and on a table that would allow a cycle.
# Usage: layers.sh [ROOT] (the checkout by default).
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}

# What each folder may include besides itself and res/. Within the middle
# layer only the post's switch of the compression proxy, net/ -> proxyctl/.
declare -A allowed=(
  [app]="reader net proxyctl store platform base"
  [reader]="store platform base"
  [net]="proxyctl store platform base"
  [proxyctl]="store platform base"
  [store]="platform base"
  [platform]="base"
  [base]=""
)
folders=(app reader net proxyctl store platform base)

status=0

# The table itself must be a DAG: remove, round by round, the folders whose
# allowed folders are all removed already; whatever stays is on a cycle or
# leads into one.
declare -A removed=()
for _ in "${folders[@]}"; do
  for dir in "${folders[@]}"; do
    [ -n "${removed[$dir]:-}" ] && continue
    ready=1
    for below in ${allowed[$dir]}; do
      [ -z "${removed[$below]:-}" ] && ready=0
    done
    [ $ready -eq 1 ] && removed[$dir]=1
  done
done
for dir in "${folders[@]}"; do
  if [ -z "${removed[$dir]:-}" ]; then
    echo "layers: $dir/ may include ${allowed[$dir]}, which leads into a cycle"
    status=1
  fi
done

for dir in "${folders[@]}"; do
  [ -d "$root/$dir" ] || continue
  while IFS=: read -r file line text; do
    [[ $text =~ \"([^\"]*)\" ]] || continue
    target=${BASH_REMATCH[1]}
    case "$target" in
      */*) folder=${target%%/*} ;;
      *) continue ;;   # beside the file itself
    esac
    [ "$folder" = "$dir" ] || [ "$folder" = res ] && continue
    ok=0
    for below in ${allowed[$dir]}; do
      [ "$folder" = "$below" ] && ok=1
    done
    if [ $ok -eq 0 ]; then
      may=$(printf '%s/ ' ${allowed[$dir]} res)
      echo "layers: ${file#"$root"/}:$line includes \"$target\": $dir/ may include only ${may% }"
      status=1
    fi
  done < <(grep -rnE --include='*.h' --include='*.cpp' '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$root/$dir")
done

if [ $status -eq 0 ]; then echo "layers: every include points down"; fi
exit $status
