#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the tools need.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends \
  cmake make g++ pkg-config python3 \
  googletest libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev nlohmann-json3-dev \
  libsqlite3-dev qt6-base-dev qt6-base-dev-tools libgl-dev fonts-thai-tlwg >/dev/null
