#!/usr/bin/env bash
# Installs everything the build, the tests and the demo need on Debian 12.
# Safe to run again: it only adds what is missing. Run as root.
set -euo pipefail

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps.sh: run as root" >&2
  exit 1
fi

. "$(dirname "$0")/non-free.sh"
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
  libsodium-dev minisign libssl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth procps python3
  lintian systemd
)
# Firebird's server package asks for a SYSDBA password; let it pick one.
echo "firebird3.0-server shared/firebird/enabled boolean true" | debconf-set-selections || true
apt-get install -y -q --no-install-recommends "${packages[@]}"
echo "install-deps.sh: done"
