#!/usr/bin/env bash
# Builds Quorvel and measures its split and join against cp, GNU split and cat on the same files,
# each followed by a sync; as root also on a loop-mounted ext4 image throttled to 20 MB/s.
# Usage: scripts/bench.sh [--quick] [folder]
#   --quick  small files, only to see that the harness works (CI runs it through ctest)
#   folder   where the test files are made (default: build/bench-files); it needs four times the
#            largest test file free (4 GiB), and the files are removed at the end
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build" --target quorvel_bench
"$root/build/bench/quorvel_bench" "$@"
