#!/usr/bin/env bash
# Sets everything up and runs the main job. Until the programs exist it builds
# the libraries and says what is there.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh

veyra_install_packages "${VEYRA_PACKAGES[@]}"
veyra_build build

echo
echo "Built:"
ls -1 build/lib/*.so build/bin/* 2>/dev/null | sed 's/^/  /'
