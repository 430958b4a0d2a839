#!/bin/sh
# Runs every benchmark program beside this script; arguments go to each of them.
here=$(dirname "$0")
status=0
for bench in "$here"/bench_*; do
    [ -x "$bench" ] || continue
    echo "== $(basename "$bench")"
    "$bench" "$@" || status=1
done
exit $status
