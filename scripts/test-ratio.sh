#!/usr/bin/env bash
# Prints the size of the test suite against the code it tests (non-blank lines of the files git tracks)
# and fails when the tests exceed the limit (percent, default 35).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
limit=${1:-35}

count() {
    git ls-files -z -- "$@" | xargs -0 -r grep -Ihcv '^[[:space:]]*$' | awk '{s += $1} END {print s + 0}'
}

tests=$(count tests)
code=$(count src client tools sim bench)
percent=$(awk -v t="$tests" -v c="$code" 'BEGIN {printf "%.1f", c ? 100 * t / c : 0}')
echo "tests: $tests non-blank lines; code (src, client, tools, sim, bench): $code; ratio $percent % (limit $limit %)"
awk -v p="$percent" -v l="$limit" 'BEGIN {exit !(p <= l)}' || { echo "the test suite is above the limit" >&2; exit 1; }
