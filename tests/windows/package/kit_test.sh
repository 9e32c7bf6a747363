#!/usr/bin/env bash
# scripts/package --kit: the authors' kit holds exactly Quorrin.exe, the vendor's x64
# WebView2Loader.dll (byte for byte the SDK's) and the authors' guide.
set -euo pipefail
root=$1
sdk_loader=$2
cd "$root"
dist=$(mktemp -d)
unpacked=$(mktemp -d)
trap 'rm -rf "$dist" "$unpacked"' EXIT
scripts/package --kit --dist "$dist" >/dev/null

(cd "$unpacked" && cmake -E tar xf "$dist/Quorrin-win-x64.zip")
failures=0
check() { # description, command...
  if "${@:2}"; then echo "ok: $1"; else echo "FAILED: $1"; failures=$((failures + 1)); fi
}
listing=$(cd "$unpacked" && find . -type f | sort | tr '\n' ' ')
check "the zip holds Quorrin.exe, WebView2Loader.dll and README.md ($listing)" \
  test "$listing" = "./Quorrin-win-x64/Quorrin.exe ./Quorrin-win-x64/README.md ./Quorrin-win-x64/WebView2Loader.dll "
check "WebView2Loader.dll is the SDK's x64 loader" \
  cmp -s "$unpacked/Quorrin-win-x64/WebView2Loader.dll" "$sdk_loader"
check "the loader is an x64 image" \
  bash -c "x86_64-w64-mingw32-objdump -f '$unpacked/Quorrin-win-x64/WebView2Loader.dll' | grep -q 'file format pei-x86-64'"
check "README.md is the authors' guide" cmp -s "$unpacked/Quorrin-win-x64/README.md" docs/GUIDE.md
check "Quorrin.exe imports the loader" \
  bash -c "x86_64-w64-mingw32-objdump -p '$unpacked/Quorrin-win-x64/Quorrin.exe' | grep -q 'DLL Name: WebView2Loader.dll'"
echo "$((5 - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
