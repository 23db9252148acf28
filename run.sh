#!/usr/bin/env bash
# Sets everything up and runs the main job.
#   ./run.sh            builds and starts VeyraAP, the resident user application
#   ./run.sh admin      builds and starts VeyraADM, the card administration tool
#   ./run.sh card ...   runs veyra-card, the tool for the virtual card (--help)
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh

veyra_install_packages "${VEYRA_PACKAGES[@]}" "${VEYRA_DESKTOP_PACKAGES[@]}"
veyra_build build >/dev/null

# veyra_require_display <the command as typed>
veyra_require_display() {
  if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display to show the program on: run it under a virtual one, e.g. xvfb-run -a $1" >&2
    exit 1
  fi
}

case "${1:-}" in
  card)
    shift
    exec build/bin/veyra-card "$@"
    ;;
  admin)
    veyra_require_display "./run.sh admin"
    exec build/bin/VeyraADM
    ;;
  "")
    if [ ! -x build/bin/VeyraAP ]; then
      echo "VeyraAP is not built yet; ./run.sh admin starts the administration tool." >&2
      exit 1
    fi
    veyra_require_display ./run.sh
    exec build/bin/VeyraAP
    ;;
  *)
    echo "usage: ./run.sh [admin | card ARGS...]" >&2
    exit 2
    ;;
esac
