#!/usr/bin/env bash
# The three commands, for a fresh Debian 12 machine as root with nothing
# installed beforehand (no make, no compiler, no git):
#   ./tessaly.sh run      install what the game needs, build it, play
#   ./tessaly.sh test     install what the tests need too, build, run every test
#   ./tessaly.sh package  install what packaging needs, build the Debian package
# It installs the missing Debian packages (make among them), then hands over
# to the Makefile target of the same name. Further arguments go to make,
# e.g. ./tessaly.sh test JOBS=4.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"

case "${1:-}" in
  run | test | package) ;;
  *)
    echo "usage: ./tessaly.sh run|test|package [make arguments...]" >&2
    exit 2
    ;;
esac
command=$1
shift

bash tools/install-deps.sh "$command"
exec make "$command" DEPS_CHECKED=1 "$@"
