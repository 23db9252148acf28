#!/usr/bin/env bash
# Sets everything up and runs the main job.
#   ./run.sh            builds, makes sure the slot holds a card (a demo card the
#                       first time) and starts VeyraAP, the resident user application
#   ./run.sh admin      builds and starts VeyraADM, the card administration tool
#   ./run.sh card ...   runs veyra-card, the tool for the virtual card (--help)
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh

veyra_install_packages "${VEYRA_PACKAGES[@]}" "${VEYRA_DESKTOP_PACKAGES[@]}"
echo "Building in build/ (the first time takes a few minutes)..."
veyra_build build >/dev/null

# veyra_require_display <the command as typed>
veyra_require_display() {
  if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display to show the program on: run it under a virtual one, e.g. xvfb-run -a $1" >&2
    exit 1
  fi
}

# An empty slot gets a demo card: a blank card that the administration path
# sets up with one demo user (see veyra-demo-card --help).
veyra_ensure_card() {
  local status card_file
  status=$(build/bin/veyra-card status --json)
  card_file=$(sed -n 's/^ *"cardFile": "\(.*\)",$/\1/p' <<<"$status")
  if ! grep -q '"slot": "empty"' <<<"$status" || [ -e "$card_file" ]; then
    return 0
  fi
  echo "The slot is empty: inserting a demo card."
  build/bin/veyra-card insert >/dev/null
  if ! build/bin/veyra-demo-card; then
    # Out again, so that the next run sets a demo card up afresh.
    build/bin/veyra-card eject >/dev/null
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
    veyra_require_display ./run.sh
    veyra_ensure_card
    exec build/bin/VeyraAP
    ;;
  *)
    echo "usage: ./run.sh [admin | card ARGS...]" >&2
    exit 2
    ;;
esac
