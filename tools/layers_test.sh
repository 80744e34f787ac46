#!/usr/bin/env bash
# The layer check's own test: small trees in a temporary folder, one that
# keeps to the layers and some that each break them once. The check must
# pass the first and fail every other, naming the file and the include.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# A tree whose includes all point down, or stay beside the file, or reach res/.
make_tree() {
  rm -rf "$work/tree"
  mkdir -p "$work/tree"/{app,reader,net,proxyctl,store,platform,base,res,tests}
  printf '#include "reader/view.h"\n#include "net/fetch.h"\n#include "res/resource.h"\n' >"$work/tree/app/main_win.cpp"
  printf '#include "store/table.h"\n#include "view_parts.h"\n' >"$work/tree/reader/view.h"
  printf '#include "proxyctl/switch.h"\n#include "base/report.h"\n' >"$work/tree/net/fetch.h"
  printf '#include "store/table.h"\n' >"$work/tree/proxyctl/switch.h"
  printf '#include "platform/bar.h"\n#include "base/report.h"\n' >"$work/tree/store/table.h"
  printf '#include "base/report.h"\n' >"$work/tree/platform/bar.h"
  printf '#include <windows.h>\n#include "res/resource.h"\n' >"$work/tree/base/report.h"
  printf '#include "app/main_win.h"\n' >"$work/tree/tests/main_test.cpp"
}

# expect NAME STATUS TEXT: the check on the tree exits with STATUS (0 or
# non-zero) and, when TEXT is given, says it.
expect() {
  local name=$1 want=$2 text=${3:-} out got
  out=$(bash "$here/layers.sh" "$work/tree" 2>&1)
  got=$?
  if { [ "$want" = 0 ] && [ $got -ne 0 ]; } || { [ "$want" != 0 ] && [ $got -eq 0 ]; } ||
     { [ -n "$text" ] && ! grep -qF -- "$text" <<<"$out"; }; then
    echo "layers_test: $name: exit $got, said:"
    echo "$out"
    failures=$((failures + 1))
  fi
}

make_tree
expect "includes that point down" 0 "every include points down"

make_tree
printf '#include "app/main_win.h"\n' >>"$work/tree/base/report.h"
expect "base/ including app/" 1 'base/report.h:3 includes "app/main_win.h"'

make_tree
printf '#include "net/fetch.h"\n' >>"$work/tree/reader/view.h"
expect "reader/ including net/ sideways" 1 'reader/view.h:3 includes "net/fetch.h"'

make_tree
printf '#include "net/fetch.h"\n' >>"$work/tree/proxyctl/switch.h"
expect "proxyctl/ including net/ against the one way allowed" 1 'proxyctl/switch.h:2 includes "net/fetch.h"'

make_tree
printf '#include "store/table.h"\n' >>"$work/tree/platform/bar.h"
expect "platform/ including store/" 1 'platform/bar.h:2 includes "store/table.h"'

make_tree
printf '  #  include "tests/support/fixture.h"\n' >"$work/tree/store/fixture_use.cpp"
expect "a product file including tests/" 1 'store/fixture_use.cpp:1 includes "tests/support/fixture.h"'

if [ $failures -eq 0 ]; then echo "layers_test: the check passes the layered tree and fails each broken one"; fi
exit $((failures > 0))
