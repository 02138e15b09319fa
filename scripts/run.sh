#!/usr/bin/env bash
# Installs what is missing, builds, and starts Tarnbook in a demo working folder that holds
# the example staff base, so the base loads at start.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

install_missing_packages "${TARNBOOK_PACKAGES[@]}"
BUILD_DIR="${BUILD_DIR:-$REPO_DIR/build}"
configure_and_build "$BUILD_DIR"

DEMO_DIR="${DEMO_DIR:-$REPO_DIR/demo}"
mkdir -p "$DEMO_DIR"
cp -n "$REPO_DIR/examples/staff.hjt" "$DEMO_DIR/staff.hjt"
[ -e "$DEMO_DIR/list.txt" ] || cp "$REPO_DIR/examples/list.txt" "$DEMO_DIR/list.txt"
cd "$DEMO_DIR"
exec "$BUILD_DIR/tarnbook" "$@"
