#!/usr/bin/env bash
# The npm package's tests. "dev": the preview server of quorrin dev (needs only
# the WebAssembly build). "package BIN": scripts/package --npm, then the packed
# package installed and run as an author would, its program under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
node "$root/tools/package/wasm/build-wasm.mjs"
if [ "$1" = dev ]; then
  exec node --test --test-concurrency=1 "$root/tests/npm/dev_server.test.mjs" "$root/tests/npm/png.test.mjs"
fi
dist=$(mktemp -d) && trap 'rm -rf "$dist"' EXIT
"$root/scripts/package" --npm --dist "$dist"
QUORRIN_NPM_TGZ=$(ls "$dist"/quorrin-*.tgz) QUORRIN_BIN=$2 \
  node --test --test-concurrency=1 "$root/tests/npm/npm_package.test.mjs"
