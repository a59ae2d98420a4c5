#!/usr/bin/env bash
# Sets up and builds VEXOR if needed, then starts the viewer, optionally with a drawing.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/setup.sh" >&2
exec "${VEXOR_BUILD_DIR:-$root/build}/bin/vexor" "$@"
