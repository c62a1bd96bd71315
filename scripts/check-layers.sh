#!/usr/bin/env bash
# Fails when a source folder includes one above it. Each layer may include
# itself and the layers listed for it; siblings do not include each other.
#   platform <- base <- extraction, db, services <- update <- terminal, configuracoes, notify <- app <- gui <- main
set -uo pipefail
cd "$(dirname "$0")/../src"

declare -A permitidas=(
  [platform]="platform"
  [base]="platform base"
  [extraction]="platform base extraction"
  [db]="platform base db"
  [services]="platform base services"
  [update]="platform base extraction db services update"
  [terminal]="platform base extraction db services update terminal"
  [configuracoes]="platform base extraction db services update configuracoes"
  [notify]="platform base extraction db services update notify"
  [app]="platform base extraction db services update terminal configuracoes notify app"
  [gui]="platform base extraction db services update terminal configuracoes notify app gui"
)

falhas=0
for pasta in */; do
  pasta=${pasta%/}
  if [[ -z "${permitidas[$pasta]+x}" ]]; then
    echo "src/$pasta: folder with no place in the layers (add it to scripts/check-layers.sh)"
    falhas=$((falhas + 1))
    continue
  fi
  while IFS= read -r linha; do
    arquivo=${linha%%:*}
    alvo=$(sed -E 's/.*#include "([a-z_]+)\/.*/\1/' <<<"$linha")
    if [[ " ${permitidas[$pasta]} " != *" $alvo "* ]]; then
      echo "upward include: $linha"
      falhas=$((falhas + 1))
    fi
  done < <(grep -rnE '^\s*#\s*include "[a-z_]+/' "$pasta" | sed 's#^#src/#')
done

if ((falhas > 0)); then
  echo "$falhas include(s) break the layers"
  exit 1
fi
echo "every include points down"
