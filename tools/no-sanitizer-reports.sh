#!/usr/bin/env bash
# Fail when a sanitized test run left any report in the given directory.
set -euo pipefail
reports=$(find "$1" -type f 2>/dev/null | sort)
if [ -n "$reports" ]; then
  echo "Sanitizer reports were written:"
  for report in $reports; do echo "== $report"; cat "$report"; done
  exit 1
fi
echo "No sanitizer reports."
