#!/usr/bin/env bash
# Sets up the machine, builds both builds and runs every test: the native
# sanitizer build with its fuzz harnesses, then the Win32 tests under Wine
# inside a virtual X display. Exits non-zero on any failure.
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/tools/setup.sh" || exit 1
bash "$top/tools/build.sh" || exit 1
. "$top/tools/wineenv.sh"

status=0
echo "== native build: unit tests and fuzz harnesses (AddressSanitizer, UBSan)"
(cd "$top/build/native" && ctest --output-on-failure) || status=1

echo "== Win32 build: tests under Wine"
cleanup() { wineserver -k >/dev/null 2>&1 || true; }
trap cleanup EXIT
(cd "$top/build/win" && xvfb-run -a -s "-screen 0 1024x768x24" ctest --output-on-failure) || status=1
cleanup

if [ $status -eq 0 ]; then echo "all tests passed (both builds)"; else echo "TESTS FAILED"; fi
exit $status
