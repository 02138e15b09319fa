#!/usr/bin/env bash
# Installs what is missing, configures, builds and runs the whole test suite.
# Exits non-zero when any step or any test fails.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

# The benchmarks are built too and each runs once on a small generated base, so they cannot rot.
install_missing_packages "${TARNBOOK_PACKAGES[@]}" "${TARNBOOK_TEST_PACKAGES[@]}" libbenchmark-dev python3
BUILD_DIR="${BUILD_DIR:-$REPO_DIR/build}"
configure_and_build "$BUILD_DIR" -DTARNBOOK_WERROR=ON -DTARNBOOK_BUILD_BENCH=ON
ctest --test-dir "$BUILD_DIR" --output-on-failure --no-tests=error -j "$(nproc)"
