#!/usr/bin/env bash
# Times the viewer from process start to the first frame of DRAWING on screen, watched on the
# screen of a virtual X server, against vexor-render writing the same drawing to a PNG of the
# view's size; both RUNS times (default 5), interleaved, medians printed.
# usage: scripts/bench-gui.sh DRAWING [RUNS]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
[ $# -ge 1 ] || { echo "usage: $0 DRAWING [RUNS]" >&2; exit 2; }
"$root/scripts/setup.sh" >&2
bin="${VEXOR_BUILD_DIR:-$root/build}/bin"
exec xvfb-run -a -s "-screen 0 1280x1024x24" /usr/bin/python3 "$root/scripts/bench-gui.py" \
  "$bin" "$1" "${2:-5}"
