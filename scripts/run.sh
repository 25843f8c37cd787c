#!/usr/bin/env bash
# Sets everything up, then starts a program on the delivered data set in the
# programs' folder: scripts/run.sh [frontdesk|backdesk] (front desk by default).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
program="${1:-frontdesk}"
if [ -x "build/bin/$program" ]; then
  exec "build/bin/$program" --data build/bin
fi
echo "The data set is in $(pwd)/build/bin; $program is not built yet."
