#!/usr/bin/env bash
# Installs what is missing, configures, builds and runs the whole test suite.
# Exits non-zero when any step or any test fails.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

install_missing_packages "${TARNBOOK_PACKAGES[@]}"
BUILD_DIR="${BUILD_DIR:-$REPO_DIR/build}"
configure_and_build "$BUILD_DIR" -DTARNBOOK_WERROR=ON
ctest --test-dir "$BUILD_DIR" --output-on-failure --no-tests=error -j "$(nproc)"
