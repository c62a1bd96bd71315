#!/usr/bin/env bash
# Installs everything the build, the tests and the demo need on Debian 12.
# Safe to run again: it only adds what is missing. Run as root.
set -euo pipefail

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps.sh: run as root" >&2
  exit 1
fi

# The UnRAR library and the rar tool live in Debian's non-free component.
enable_non_free() {
  local changed=0 f
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    grep -q 'debian' "$f" || continue
    if grep -qE '^Components:' "$f" && ! grep -qE '^Components:.*\bnon-free\b' "$f"; then
      sed -i -E '/^Components:/ s/$/ non-free/' "$f"
      changed=1
    fi
  done
  if [ -f /etc/apt/sources.list ]; then
    if grep -qE '^deb .*debian' /etc/apt/sources.list &&
       ! grep -qE '^deb .*debian.* non-free( |$)' /etc/apt/sources.list; then
      sed -i -E '/^deb .*debian/ s/$/ non-free/' /etc/apt/sources.list
      changed=1
    fi
  fi
  if [ "$changed" = 0 ] && ! apt-cache policy 2>/dev/null | grep -q 'non-free'; then
    echo "deb http://deb.debian.org/debian bookworm main non-free" \
      > /etc/apt/sources.list.d/orvalto-non-free.list
  fi
}

enable_non_free
export DEBIAN_FRONTEND=noninteractive
apt-get update -q

packages=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev qt6-base-dev-tools libqt6network6 libqt6widgets6 libqt6test6
  qt6-qpa-plugins libgl-dev
  firebird3.0-server firebird3.0-utils firebird-dev libfbclient2
  libunrar5 libunrar-headers rar unrar
  libcurl4-openssl-dev libpugixml-dev libinih-dev libcpp-httplib-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth procps python3
)
# Firebird's server package asks for a SYSDBA password; let it pick one.
echo "firebird3.0-server shared/firebird/enabled boolean true" | debconf-set-selections || true
apt-get install -y -q --no-install-recommends "${packages[@]}"
echo "install-deps.sh: done"
