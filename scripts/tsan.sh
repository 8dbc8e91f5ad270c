#!/bin/sh
# Builds Trelmo with ThreadSanitizer into build-tsan/ and runs the tests of the job runner,
# the background reads, the window and the discs under it; prints, for each, how many
# reports there were and how many have a frame of Trelmo's own code (src/) near their top.
# Each test's whole output is kept in build-tsan/NAME.log. Not part of CI: a developer's tool.
#
# Debian's Qt is not built with the sanitizer, and its locks (futexes) are invisible to it:
# scripts/tsan.supp names the frames of Qt's own synchronisation, and nothing of ours.
set -e
cd "$(dirname "$0")/.."
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS="-fsanitize=thread -fno-omit-frame-pointer" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread" >/dev/null
tests="test_jobs test_discs test_browse test_buildwindow"
for t in $tests; do cmake --build build-tsan --target "$t"; done
TSAN_OPTIONS="suppressions=$(pwd)/scripts/tsan.supp history_size=4 halt_on_error=0"
export TSAN_OPTIONS
status=0
for t in $tests; do
    QT_QPA_PLATFORM=offscreen "build-tsan/tests/$t" >"build-tsan/$t.log" 2>&1 || status=1
    reports=$(grep -c '^WARNING: ThreadSanitizer' "build-tsan/$t.log" || true)
    # A report whose first six frames name a file under this checkout's src/ (the sanitizer's
    # own frames name a src/ folder of GCC's: they do not count).
    ours=$(awk -v src="$(pwd)/src/" '/^WARNING: ThreadSanitizer/ {n = 0; mine = 0; inreport = 1}
                inreport && /^    #[0-9]/ {n++; if (n <= 6 && index($0, src)) mine = 1}
                inreport && /^SUMMARY/ {if (mine) count++; inreport = 0}
                END {print count + 0}' "build-tsan/$t.log")
    echo "$t: $reports reports, $ours with a frame of src/ near the top"
done
exit $status
