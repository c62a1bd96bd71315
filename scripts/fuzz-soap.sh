#!/usr/bin/env bash
# Builds the SOAP answer reader's fuzzer (fuzz/) with clang and libFuzzer
# and runs it for a bounded time: scripts/fuzz-soap.sh [SECONDS] (default
# 60). Not part of the build or CI. New inputs and any crash go to the
# build folder (FUZZ_BUILD_DIR, default build-fuzz/).
set -euo pipefail

seconds="${1:-60}"
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${FUZZ_BUILD_DIR:-$root/build-fuzz}"

have_fuzzer() {
  command -v clang++ >/dev/null 2>&1 &&
    compgen -G "/usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a" >/dev/null
}

if ! have_fuzzer; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "fuzz-soap.sh: needs clang and libclang-rt-14-dev (run as root to install them)" >&2
    exit 1
  fi
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends clang libclang-rt-14-dev
fi

cmake -S "$root/fuzz" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo
ninja -C "$build" soap_reader_fuzzer

mkdir -p "$build/corpus" "$build/findings"
cd "$build/findings"
# The first folder collects what the run finds; the seeds stay untouched.
"$build/soap_reader_fuzzer" "$build/corpus" "$root/fuzz/corpus" \
  -dict="$root/fuzz/soap.dict" -max_total_time="$seconds" -max_len=65536 \
  -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
