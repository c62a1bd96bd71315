#!/usr/bin/env bash
# install-deps.sh's addition of the non-free component, on apt folders made
# here: it edits only the Debian archives the sources already name, leaves
# non-free-firmware and third parties alone, changes nothing on a second
# run, and writes no source of its own when there is none to edit.
#
#   verifica-non-free.sh SOURCE_DIR
set -euo pipefail
. "$1/scripts/non-free.sh"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

export ORVALTO_APT_DIR="$tmp/apt"
mkdir -p "$ORVALTO_APT_DIR/sources.list.d"
cat > "$ORVALTO_APT_DIR/sources.list.d/debian.sources" <<'SOURCES'
Types: deb
URIs: http://espelho.local/debian
Suites: bookworm bookworm-updates
Components: main non-free-firmware

Types: deb
URIs: http://terceiro.local/apt/debian
Suites: bookworm
Components: mysql-8.0
SOURCES
cat > "$ORVALTO_APT_DIR/sources.list" <<'LIST'
# deb http://espelho.local/debian bookworm main
deb [arch=amd64] http://espelho.local/debian-security/ bookworm-security main contrib
deb http://node.local/node_18.x nodistro main
LIST

enable_non_free || fail "enable_non_free refused sources it can edit"
cat > "$tmp/expected.sources" <<'SOURCES'
Types: deb
URIs: http://espelho.local/debian
Suites: bookworm bookworm-updates
Components: main non-free-firmware non-free

Types: deb
URIs: http://terceiro.local/apt/debian
Suites: bookworm
Components: mysql-8.0
SOURCES
cat > "$tmp/expected.list" <<'LIST'
# deb http://espelho.local/debian bookworm main
deb [arch=amd64] http://espelho.local/debian-security/ bookworm-security main contrib non-free
deb http://node.local/node_18.x nodistro main
LIST
diff "$tmp/expected.sources" "$ORVALTO_APT_DIR/sources.list.d/debian.sources" || fail "deb822 sources"
diff "$tmp/expected.list" "$ORVALTO_APT_DIR/sources.list" || fail "one-line sources"

enable_non_free || fail "second run"
diff "$tmp/expected.sources" "$ORVALTO_APT_DIR/sources.list.d/debian.sources" || fail "second run changed deb822"
diff "$tmp/expected.list" "$ORVALTO_APT_DIR/sources.list" || fail "second run changed one-line"

# No Debian archive anywhere: refused, and nothing written.
rm -rf "$ORVALTO_APT_DIR" && mkdir -p "$ORVALTO_APT_DIR/sources.list.d"
echo "deb http://node.local/node_18.x nodistro main" > "$ORVALTO_APT_DIR/sources.list"
if enable_non_free 2>/dev/null; then fail "accepted sources without a Debian archive"; fi
[ -z "$(ls -A "$ORVALTO_APT_DIR/sources.list.d")" ] || fail "wrote a source of its own"
echo "non-free ok"
