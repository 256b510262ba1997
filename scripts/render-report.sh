#!/usr/bin/env bash
# Renders a run report (or any drawing) to a PNG with headless Chromium, so that it can be looked
# at on a machine without a desktop:
#   scripts/render-report.sh REPORT.html [OUT.png] [WIDTH] [HEIGHT]
# Installs Chromium from Debian's packages when it is missing.
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: $0 REPORT.html [OUT.png] [WIDTH] [HEIGHT]" >&2; exit 2; }
page=$(realpath "$1")
out=${2:-${1%.*}.png}
width=${3:-1200}
height=${4:-3000}
[ -f "$page" ] || { echo "$0: no file $page" >&2; exit 1; }

browser=$(command -v chromium || command -v chromium-browser || true)
if [ -z "$browser" ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq || true
  apt-get install -y -qq chromium fonts-dejavu-core >/dev/null
  browser=$(command -v chromium)
fi

profile=$(mktemp -d)
trap 'rm -rf "$profile"' EXIT
"$browser" --headless --no-sandbox --disable-gpu --hide-scrollbars --user-data-dir="$profile" \
  --window-size="$width,$height" --screenshot="$(realpath -m "$out")" "file://$page" >/dev/null 2>&1
[ -s "$out" ] || { echo "$0: Chromium wrote no picture" >&2; exit 1; }
echo "$out"
