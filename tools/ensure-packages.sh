#!/usr/bin/env bash
# Installs the Debian packages named on the command line that are not installed yet.
# Used by run.sh and test.sh; needs root or sudo only when something is missing.
set -euo pipefail

missing=()
for package in "$@"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing missing packages: ${missing[*]}"
if [[ $(id -u) -eq 0 ]]; then
    as_root=(env)
elif command -v sudo >/dev/null; then
    as_root=(sudo)
else
    echo "These packages are missing and there is no sudo to install them: ${missing[*]}" >&2
    exit 1
fi
# On the command line, as sudo keeps no environment.
"${as_root[@]}" DEBIAN_FRONTEND=noninteractive apt-get update -qq
"${as_root[@]}" DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
