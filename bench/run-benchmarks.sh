#!/usr/bin/env bash
# Runs every benchmark built beside this script, one after the other.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
for bench in "$here"/bench_*; do
    [ -x "$bench" ] || continue
    echo "== $(basename "$bench")"
    "$bench" "$@"
done
