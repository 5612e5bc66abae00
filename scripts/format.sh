#!/usr/bin/env bash
# Formats every C and C++ file of the project with the pinned clang-format (see .clang-format).
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"
ensure_packages
check_format fix
