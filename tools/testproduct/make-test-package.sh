#!/usr/bin/env bash
# Makes a test package of the product from the test program: both program folders with their
# executables under the real names (the 32-bit or the 64-bit ones), an uninstaller in each and
# one at the top, and an optional testproduct.ini beside each program.
#
#   make-test-package.sh <kelto-testproduct> <kelto-pack> <out package> [32|64] [ini text]
#                        [kelto-pack build options...]
set -euo pipefail
program=$1 packer=$2 out=$3 edition=${4:-32} ini=${5:-}
shift $(($# < 5 ? $# : 5))
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
suffix=""
[ "$edition" = 64 ] && suffix=64
for name in Converter Downloader; do
    folder="$stage/Kelto Clipwave $name"
    mkdir -p "$folder"
    install -m 0755 "$program" "$folder/Kelto Clipwave $name$suffix.exe"
    install -m 0755 "$program" "$folder/uninstall.exe"
    [ -n "$ini" ] && printf '%s\n' "$ini" >"$folder/testproduct.ini"
done
install -m 0755 "$program" "$stage/uninstall.exe"
"$packer" build --from "$stage" --out "$out" --edition "$edition" \
    --root-name "Kelto Clipwave Converter Pro" --display-name "Kelto Clipwave Converter Pro" \
    --version "1.0.0.123" --product-name "Kelto Clipwave" --release-date "2021-03-09" \
    --home-url "https://www.kelto.example/clipwave-converter" --publisher "Kelto Software" \
    --uninstaller "$program" "$@"
