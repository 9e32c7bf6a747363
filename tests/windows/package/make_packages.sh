#!/usr/bin/env bash
# Packages examples/hello (signed with a certificate made here), a newer,
# unsigned version of it with the vendor's offline runtime installer (a
# stand-in) and a fixed-mode copy with a non-ASCII name and an extension library
# (signed by a command, which sees only copies at paths of their own; its author
# holds a lone CR, which the installer keeps) into BIN/package-test/{hello,newer,non-ascii}, where
# package_tests.exe installs them under Wine; checks the signatures (the
# uninstaller's after a silent install under Wine) and that each zip holds its
# program folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/../../.." && pwd)
out=$1/package-test
rm -rf "$out" && mkdir -p "$out"
work=$(mktemp -d) && trap 'rm -rf "$work"' EXIT

# A copy of examples/hello with some package.json keys changed (KEY=JSON ...).
variant() {
  local folder=$work/$1 && shift
  cp -r "$root/examples/hello" "$folder"
  node -e '
    const fs = require("fs"), [file, ...pairs] = process.argv.slice(1);
    const manifest = JSON.parse(fs.readFileSync(file, "utf8"));
    for (const pair of pairs) {
      const [key, value] = [pair.slice(0, pair.indexOf("=")), pair.slice(pair.indexOf("=") + 1)];
      const path = key.split("."), last = path.pop();
      path.reduce((object, part) => object[part], manifest)[last] = JSON.parse(value);
    }
    fs.writeFileSync(file, JSON.stringify(manifest, null, 2));' "$folder/package.json" "$@"
  echo "$folder"
}

failures=0
check() { # description, command...
  if "${@:2}"; then echo "ok: $1"; else echo "FAILED: $1"; failures=$((failures + 1)); fi
}
# A self-signed code-signing certificate, valid for a day, and its password.
export QUORRIN_SIGN_PASSWORD="pw-$RANDOM-$RANDOM"
openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj "/CN=Quorrin Test Publisher" \
  -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/test.pfx" \
  -passout env:QUORRIN_SIGN_PASSWORD
verified() { osslsigncode verify -CAfile "$work/cert.pem" -in "$1" >/dev/null 2>&1; }
# A timestamp authority of the test's own, answered by openssl.
openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj "/CN=Quorrin Test TSA" \
  -addext "extendedKeyUsage=critical,timeStamping" -keyout "$work/tsa.key" -out "$work/tsa.pem" \
  2>/dev/null
printf '[tsa]\ndefault_tsa=t\n[t]\nserial=%s\nsigner_digest=sha256\ndefault_policy=1.2.3.4.1\ndigests=sha256\ness_cert_id_alg=sha256\n' \
  "$work/tsa-serial" >"$work/tsa.cnf"
echo 01 >"$work/tsa-serial"
node "$root/tests/windows/package/timestamp_server.mjs" "$work" >"$work/tsa-port" &
tsa_pid=$!
trap 'kill $tsa_pid 2>/dev/null; rm -rf "$work"' EXIT
deadline=$((SECONDS + ${QUORRIN_DEADLINE_MS:-20000} / 1000))
until [ -s "$work/tsa-port" ] || [ $SECONDS -ge $deadline ]; do sleep 0.1; done
timestamped() {
  osslsigncode verify -CAfile "$work/cert.pem" -TSA-CAfile "$work/tsa.pem" -in "$1" 2>&1 |
    grep -q "Timestamp Server Signature verification: ok"
}
unsigned() { ! osslsigncode extract-signature -in "$1" -out "$work/signature" >/dev/null 2>&1; }

hello_output=$("$root/scripts/package" --dist "$out/hello" --sign-pfx "$work/test.pfx" \
  --timestamp-url "http://127.0.0.1:$(cat "$work/tsa-port")/" "$root/examples/hello" 2>&1) ||
  { echo "$hello_output"; exit 1; }
echo "$hello_output"
hello=$out/hello/quorrin-hello-1.0.0
check "the program is signed" verified "$hello/quorrin-hello.exe"
check "the installer is signed" verified "$hello-setup.exe"
check "the program's signature is timestamped" timestamped "$hello/quorrin-hello.exe"
check "the installer's signature is timestamped" timestamped "$hello-setup.exe"
check "the vendor's loader keeps its own signature" \
  cmp -s "$hello/WebView2Loader.dll" "$1/vendor-loader/WebView2Loader.dll"
check "the password appears nowhere in the output" \
  bash -c '[[ "$1" != *"$QUORRIN_SIGN_PASSWORD"* ]]' - "$hello_output"
check "the developer tools warning is repeated last" \
  bash -c '[[ "$(tail -n 1 <<<"$1")" == "Warning: package.json enables the developer tools"* ]]' - \
  "$hello_output"

# The uninstaller is written by the installer: install silently into a folder
# of the test's, check it, and let it remove the installation again.
# No menu entries on the build machine for the installed shortcut.
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
source "$root/scripts/wine-env.sh" && quorrin_start_wine
installed_windows="Z:$(tr / '\\' <<<"$work/installed")"
"$QUORRIN_WINE" "$hello-setup.exe" /S "/D=$installed_windows"
check "the installed uninstaller is signed" verified "$work/installed/uninstall.exe"
check "the installed uninstaller's signature is timestamped" timestamped "$work/installed/uninstall.exe"
"$QUORRIN_WINE" "$work/installed/uninstall.exe" /S "_?=$installed_windows"

# The newer version no longer has style.css: upgrading must remove it.
newer=$(variant newer 'version="1.1.0"' 'settings.enable-devtools=false')
rm "$newer/www/style.css"
cp "$1/standin_setup_installs.exe" "$newer/MicrosoftEdgeWebView2RuntimeInstallerX64.exe"
newer_output=$("$root/scripts/package" --dist "$out/newer" "$newer" 2>&1) ||
  { echo "$newer_output"; exit 1; }
echo "$newer_output"
check "an unsigned package says so" grep -q "^Unsigned: Windows SmartScreen" <<<"$newer_output"
check "a release without the developer tools has no warning" \
  bash -c '! grep -q "^Warning" <<<"$1"' - "$newer_output"
check "unsigned means unsigned" unsigned "$out/newer/quorrin-hello-1.1.0-setup.exe"

# The non-ASCII one is fixed-mode, with an extension library, signed by a command.
non_ascii=$(variant non-ascii 'name="Spiel Café 游戏"' 'window.title="Café 游戏 — Édition"' \
  'version="2.0.0-beta.1"' 'settings.distribution-mode="fixed"' 'author="Studio\rNord"')
cp "$1/extensions/posting/Brenmoor.dll" "$non_ascii/"
mkdir -p "$non_ascii/webview2/EBWebView/x64"
cp "$1/standin-fixed-runtime/EmbeddedBrowserWebView.dll" "$non_ascii/webview2/EBWebView/x64/"
command="printf '%s\\n' {file} >>'$work/signed-paths' && osslsigncode sign -pkcs12 '$work/test.pfx' -readpass '$work/password' -h sha256"
command+=" -in {file} -out '$work/signed' && mv '$work/signed' {file}"
printf '%s' "$QUORRIN_SIGN_PASSWORD" >"$work/password"
"$root/scripts/package" --dist "$out/non-ascii" --sign-command "$command" --sign-extension \
  "$non_ascii"
non_ascii_out="$out/non-ascii/Spiel Café 游戏-2.0.0-beta.1"
check "the command signed the program" verified "$non_ascii_out/Spiel Café 游戏.exe"
check "--sign-extension signed Brenmoor.dll" verified "$non_ascii_out/Brenmoor.dll"
check "the command signed the installer" verified "$non_ascii_out-setup.exe"
check "the command saw four copies, never a path with the application's name" \
  bash -c '[ "$(wc -l <"$1")" -eq 4 ] && ! grep -q Spiel "$1"' - "$work/signed-paths"

# Every zip holds exactly its program folder, names in UTF-8.
python3 - "$out" <<'PY'
import pathlib, sys, zipfile
for zip_path in pathlib.Path(sys.argv[1]).glob("*/*.zip"):
    folder = zip_path.parent / zip_path.name.removesuffix("-win-x64.zip")
    on_disk = {p.relative_to(folder.parent).as_posix() for p in folder.rglob("*") if p.is_file()}
    with zipfile.ZipFile(zip_path) as archive:
        in_zip = {i.filename for i in archive.infolist() if not i.is_dir()}
    if on_disk != in_zip or not on_disk:
        sys.exit(f"{zip_path}: holds {sorted(in_zip)}, the folder {sorted(on_disk)}")
    print(f"{zip_path.name}: {len(in_zip)} files, as in {folder.name}/")
PY
echo "$failures check(s) failed"
[ "$failures" -eq 0 ]
