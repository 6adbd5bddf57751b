#!/usr/bin/env bash
# Runs after the last display test: none of them left its private X server running after its
# own end (a server whose test has gone is adopted by init, and keeps its display and memory
# until someone kills it).
set -euo pipefail
left=$(ps -eo pid=,ppid=,args= | awk '$2 == 1 && $3 ~ /(^|\/)Xvfb$/ && / -displayfd / {print $1}')
if [ -n "$left" ]; then
  echo "x leftovers: X servers of ended display tests are still running: $(echo "$left" | tr '\n' ' ')"
  exit 1
fi
echo "x leftovers: none"
