#!/usr/bin/env bash
# Installs what is missing, builds, starts the local Firebird server and runs
# every test. This is what CI runs.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
bash scripts/firebird-server.sh
cd build
ctest --output-on-failure --timeout 600 -j2
