#!/usr/bin/env bash
# Draws the settings window on a virtual X server (Xvfb) with sample
# settings and saves it as docs/janela-configuracoes.png. Needs a build
# (scripts/build.sh) and the Firebird server (scripts/firebird-server.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
out="$PWD/docs/janela-configuracoes.png"
ORVALTO_SCREENSHOT="$out" QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1024x768x24" \
  build/bin/gui_tests --gtest_filter='JanelaDeConfiguracoes.ShowsEveryFieldWithItsLabelOnAnXServer'
echo "saved $out"
