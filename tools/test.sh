#!/usr/bin/env bash
# Checks the layers of the includes, sets up the machine, builds both builds
# and runs every test: the native sanitizer build with its fuzz harnesses,
# then the Win32 tests under Wine inside a virtual X display. Exits non-zero
# on any failure.
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
echo "== the layer check of the includes"
bash "$top/tools/layers.sh" || exit 1
bash "$top/tools/layers_test.sh" || exit 1
bash "$top/tools/setup.sh" || exit 1
bash "$top/tools/build.sh" || exit 1
. "$top/tools/wineenv.sh"

status=0
# Test cases counted from the test programs' own closing lines: "passed failed".
cases() {
  grep -hoE "\[  (PASSED|FAILED)  \] [0-9]+ tests?" "$1/Testing/Temporary/LastTest.log" 2>/dev/null |
    awk '$2 == "PASSED" {p += $4} $2 == "FAILED" {f += $4} END {print p + 0, f + 0}'
}
echo "== native build: unit tests and fuzz harnesses (AddressSanitizer, UBSan)"
(cd "$top/build/native" && ctest --output-on-failure) || status=1

echo "== Win32 build: tests under Wine"
# The end-to-end tests (peer_tests) talk to a real board engine, started here
# on free ports (plain HTTP, and HTTPS with the test certificate that the
# setup made) and stopped on every way out; without it they fail and say why.
# Its folder is one the server's unprivileged user can reach wherever this
# checkout lies.
peer=$(mktemp -d /tmp/quorvex-peer.XXXXXX) && chmod 755 "$peer"
stopped=0
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  # The TLS fronts the test programs started (each stops its own at exit).
  for d in "$top"/build/tlsfront/*/; do
    [ -d "$d" ] && bash "$top/tools/tlsfront.sh" stop "$d" >/dev/null 2>&1 || true
  done
  if [ $stopped -eq 0 ]; then
    bash "$top/tools/peer.sh" stop "$peer" >/dev/null 2>&1 || true
    rm -rf "$peer"
    stopped=1
  fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM
if bash "$top/tools/peer.sh" start "$peer" "$top/build/certs"; then
  export QUORVEX_PEER_ROOT="$peer/root" QUORVEX_PEER_PORT QUORVEX_PEER_TLS_PORT
  QUORVEX_PEER_PORT=$(cat "$peer/port")
  QUORVEX_PEER_TLS_PORT=$(cat "$peer/tlsport")
else
  status=1
fi
# What the end-to-end tests' window showed at each step, for looking at.
export QUORVEX_PEER_SHOTS="$top/build/peer-shots"
rm -rf "$QUORVEX_PEER_SHOTS" && mkdir -p "$QUORVEX_PEER_SHOTS"
(cd "$top/build/win" && xvfb-run -a -s "-screen 0 1024x768x24" ctest --output-on-failure) || status=1
cleanup

read -r nativePassed nativeFailed < <(cases "$top/build/native")
read -r winPassed winFailed < <(cases "$top/build/win")
passed=$((nativePassed + winPassed))
failed=$((nativeFailed + winFailed))
# A test program that crashed or timed out counted nothing: still a failure.
if [ $status -ne 0 ] && [ $failed -eq 0 ]; then failed=1; fi
echo "test cases: native $nativePassed passed, Win32 under Wine $winPassed passed; fuzz harnesses run by the native ctest"
echo "$passed passed, $failed failed"
if [ $status -eq 0 ]; then echo "all tests passed (both builds)"; else echo "TESTS FAILED"; fi
exit $status
