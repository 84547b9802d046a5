#!/usr/bin/env bash
# Installs what is missing, builds, and starts the counter program. On first start the
# station lists the embedded demo account set "演示帐套" (see README for the operators).
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/deps.sh
bash scripts/build.sh
exec ./build/kwpos_main "$@"
