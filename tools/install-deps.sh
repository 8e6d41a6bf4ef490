#!/usr/bin/env bash
# Install the Debian packages the game needs to build and run ("run"), to
# build its Debian package ("package"), or to build and run every test,
# benchmark and fuzzer and check the package as well ("test").
# Only missing packages are installed; apt-get needs root.
set -euo pipefail

run_packages=(g++ make cmake pkg-config liballegro5-dev liballegro-ttf5-dev liballegro-image5-dev
              liballegro-audio5-dev libgl1-mesa-dri libx11-dev)
test_packages=(libgtest-dev libbenchmark-dev xvfb xauth libxtst-dev xdotool strace
               clang libclang-rt-14-dev clang-format git libgl-dev)
# rsvg-convert draws the icon's SVG back into pixels for its test.
test_packages+=(librsvg2-bin)
# llvm-symbolizer names the functions in fuzzer and sanitizer reports.
test_packages+=(llvm)

# cairo writes the icon's SVG (the icon program only, never the game).
package_packages=(build-essential debhelper dpkg-dev libcairo2-dev)
# The installed game's font: the package check looks for the file it names.
check_packages=(lintian desktop-file-utils appstream man-db fonts-liberation2)

packages=("${run_packages[@]}")
case "${1:-run}" in
  test) packages+=("${test_packages[@]}" "${package_packages[@]}" "${check_packages[@]}") ;;
  package) packages+=("${package_packages[@]}") ;;
esac

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  echo "These packages are missing; run as root (or install them): ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
