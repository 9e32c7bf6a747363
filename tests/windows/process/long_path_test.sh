#!/usr/bin/env bash
# Quorrin.exe in a folder whose path is longer than MAX_PATH finds its manifest.
# Windows' CreateProcess cannot start such an executable under Wine, so the Wine
# loader starts it from here and window_probe closes its window.
# Usage: long_path_test.sh BIN_FOLDER
set -u
bin=$1
source "$(dirname "$0")/../../../scripts/wine-env.sh"
quorrin_start_wine || exit 1
deep="$WINEPREFIX/drive_c/long-path-test"
rm -rf "$deep"
for _ in 1 2 3 4 5 6 7 8; do deep="$deep/a-long-folder-name-to-pass-max-path"; done
mkdir -p "$deep"
cp "$bin/Quorrin.exe" "$bin/WebView2Loader.dll" "$deep/"
printf '{"name":"deep","window":{"title":"found beyond MAX_PATH"}}' >"$deep/package.json"

# An installed evergreen runtime, as the stand-in sees it.
standin="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Local/WebView2Standin"
mkdir -p "$standin" && : >"$standin/webview2-standin.marker"

"$QUORRIN_WINE" "$deep/Quorrin.exe" &
host=$!
"$QUORRIN_WINE" "$bin/window_probe.exe" close-main-window "found beyond MAX_PATH"
probe=$?
# A host that did not get as far as its window waits in a message box.
[ $probe -eq 0 ] || kill $host 2>/dev/null
wait $host
code=$?
rm -rf "$WINEPREFIX/drive_c/long-path-test"
echo "window_probe: $probe, Quorrin.exe exit code: $code"
[ $probe -eq 0 ] && [ $code -eq 0 ]
