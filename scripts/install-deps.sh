#!/usr/bin/env bash
# Installs every Debian package that the build, the tests, the benchmarks and the demo need.
# The package lists live in scripts/packages/*.txt, one package per line, '#' starts a comment.
# Idempotent: when everything is present it prints nothing and touches nothing.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

wanted=$(sed -e 's/#.*//' "$here"/packages/*.txt | tr -s ' \t' '\n' | sed '/^$/d' | sort -u)
missing=()
for pkg in $wanted; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$pkg" 2>/dev/null || true)
    [ "$status" = "installed" ] || missing+=("$pkg")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "install-deps: installing ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq >/dev/null
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
# nginx-light's package starts a system instance on port 80; the tests run private instances on
# loopback addresses of their own, so the system one must not hold the port.
if [[ " ${missing[*]} " == *" nginx-light "* ]]; then
    "${sudo_cmd[@]}" systemctl disable --now nginx >/dev/null 2>&1 || true
    "${sudo_cmd[@]}" nginx -s stop >/dev/null 2>&1 || true
fi
