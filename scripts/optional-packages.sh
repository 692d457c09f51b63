#!/usr/bin/env bash
# For the checks that need more than the game does (the Windows build, the browser): installs
# the Debian packages that are missing when run as root. Exits 0 when all are there; otherwise
# prints one line saying the check is skipped and why, and exits 1.
# Usage: scripts/optional-packages.sh CHECK PACKAGE...
set -uo pipefail
check=$1
shift
missing=()
for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0
if [ "$(id -u)" -ne 0 ]; then
    echo "$check: skipped, packages missing (sudo apt-get install -y ${missing[*]})"
    exit 1
fi
echo "$check: installing ${missing[*]}"
if ! (export DEBIAN_FRONTEND=noninteractive
      apt-get -o DPkg::Lock::Timeout=600 update -qq &&
      apt-get -o DPkg::Lock::Timeout=600 install -y -qq "${missing[@]}" >/dev/null); then
    echo "$check: skipped, the packages could not be installed (${missing[*]})"
    exit 1
fi
