#!/usr/bin/env bash
# The npm package's tests. "dev": the preview server of quorrin dev (needs only
# the WebAssembly build). "package BIN": scripts/package --npm, then the packed
# package installed and run as an author would, its program under Wine. "windows
# BIN": the same package installed and run by the Windows Node.js under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
node "$root/tools/package/wasm/build-wasm.mjs"
if [ "$1" = dev ]; then
  exec node --test --test-concurrency=1 "$root/tests/npm/dev_server.test.mjs" "$root/tests/npm/png.test.mjs" \
    "$root/tests/npm/engines.test.mjs" "$root/tests/npm/shipped_names.test.mjs"
fi
dist=$(mktemp -d) && trap 'rm -rf "$dist"' EXIT
"$root/scripts/package" --npm --dist "$dist"
test_file=$root/tests/npm/npm_package.test.mjs
[ "$1" = windows ] && test_file=$root/tests/npm/windows_node.test.mjs
QUORRIN_NPM_TGZ=$(ls "$dist"/quorrin-*.tgz) QUORRIN_BIN=$2 \
  node --test --test-concurrency=1 "$test_file"
