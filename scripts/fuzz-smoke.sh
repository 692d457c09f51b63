#!/usr/bin/env bash
# A few seconds of each fuzz target (libFuzzer with ASan and UBSan) from the committed seeds.
# Installs clang and its fuzzer runtime when missing and allowed; otherwise skips in one line.
# Usage: scripts/fuzz-smoke.sh [SECONDS_PER_TARGET]   (default 5)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-5}
build=build-fuzz

fuzzer_runtime() {
    ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a 2>/dev/null | head -n 1
}

if ! command -v clang++ >/dev/null || [ -z "$(fuzzer_runtime)" ]; then
    if [ "$(id -u)" -eq 0 ] && command -v apt-get >/dev/null; then
        echo "Installing: clang libclang-rt-14-dev"
        export DEBIAN_FRONTEND=noninteractive
        { apt-get update -qq && apt-get install -y -qq clang libclang-rt-14-dev; } >/dev/null 2>&1 || true
    fi
    if ! command -v clang++ >/dev/null || [ -z "$(fuzzer_runtime)" ]; then
        echo "fuzz smoke skipped: clang++ with libFuzzer is not installed (apt-get install clang libclang-rt-14-dev)"
        exit 0
    fi
fi

CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUELLFORT_FUZZ=ON >/dev/null
cmake --build "$build" -j2 --target fuzz_targets >/dev/null

# ASan's quarantine of freed blocks (256 MB by default) would itself pass the 256 MB limit on
# the targets that open files for every input; 64 MB still catches a use after free.
export ASAN_OPTIONS=quarantine_size_mb=64
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
passed=0
for target in wave bmp highscores highscores_file formations replay hall_request; do
    mkdir -p "$work/$target"
    # New inputs go to the scratch folder; the committed seeds are only read.
    if "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -rss_limit_mb=256 -timeout=10 \
        -artifact_prefix="$work/" "$work/$target" "$PWD/fuzz/corpus/$target" >"$work/$target.log" 2>&1; then
        echo "fuzz $target: $(grep -o 'Done [0-9]* runs in [0-9]* second(s)' "$work/$target.log")"
        passed=$((passed + 1))
    else
        echo "fuzz $target: FAILED"
        grep -E 'ERROR|SUMMARY|==[0-9]+==' "$work/$target.log" | head -n 20
        cp "$work"/crash-* "$work"/leak-* "$work"/timeout-* "$work"/oom-* . 2>/dev/null || true
        failed=$((failed + 1))
    fi
done
[ "$failed" -eq 0 ] || echo "failing inputs copied to $PWD"
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
