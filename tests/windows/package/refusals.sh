#!/usr/bin/env bash
# scripts/package refuses application folders that would not work, each with a
# message naming the file and the reason, and leaves nothing in its dist folder.
set -uo pipefail
root=$(cd "$(dirname "$0")/../../.." && pwd)
work=$(mktemp -d) && trap 'rm -rf "$work"' EXIT
failures=0

# An application folder: package.json text, then FILE=CONTENT pairs.
app() {
  local folder=$work/$1 && shift
  mkdir -p "$folder/www"
  printf '<!doctype html><title>t</title>' >"$folder/www/index.html"
  printf '%s' "$1" >"$folder/package.json" && shift
  for pair in "$@"; do
    mkdir -p "$(dirname "$folder/${pair%%=*}")"
    printf '%b' "${pair#*=}" >"$folder/${pair%%=*}"
  done
  echo "$folder"
}

# expect_refusal LABEL FILE_NAMED TEXT_EXPECTED APP_FOLDER [OPTION...]
expect_refusal() {
  local label=$1 file=$2 text=$3 folder=$4 dist=$work/dist-$1
  local output status
  output=$("$root/scripts/package" --dist "$dist" "${@:5}" "$folder" 2>&1 >/dev/null)
  status=$?
  local problem=""
  [ $status -eq 1 ] || problem="exit status $status, expected 1"
  [[ "$output" == *"$file"* ]] || problem+=" message does not name $file"
  [[ "$output" == *"$text"* ]] || problem+=" message lacks \"$text\""
  [ -z "$(ls -A "$dist" 2>/dev/null)" ] || problem+=" left in $dist: $(ls -A "$dist")"
  if [ -n "$problem" ]; then
    echo "FAIL $label:$problem"$'\n'"  message: $output"
    failures=$((failures + 1))
  else
    echo "ok   $label: $output"
  fi
}

parse_failed="Failed to parse package.json. Check the file has valid JSON and that all parameters are correct."

# Manifests the executable rejects, with its own message and the reason.
f=$(app empty '')
expect_refusal empty-file "$f/package.json" "Failed to load package.json." "$f"
f=$(app bad-json '{"name": "x",}')
expect_refusal bad-json "$f/package.json" "$parse_failed (" "$f"
f=$(app no-name '{"main": "index.html"}')
expect_refusal no-name "$f/package.json" "$parse_failed (invalid name)" "$f"
f=$(app mode '{"name": "x", "settings": {"distribution-mode": "Fixed"}}')
expect_refusal distribution-mode "$f/package.json" "(invalid distribution mode)" "$f"
f=$(app content-mode '{"name": "x", "settings": {"content-mode": "web"}}')
expect_refusal content-mode "$f/package.json" "(invalid content mode)" "$f"

# A start page that is not in www/.
f=$(app no-main '{"name": "x", "main": "start.html"}')
expect_refusal main-missing "$f/package.json" '"main" is "start.html", but www/start.html' "$f"
f=$(app main-outside '{"name": "x", "main": "../package.json"}')
expect_refusal main-outside-www "$f/package.json" 'www/../package.json is not a file' "$f"
f=$(app main-folder '{"name": "x", "main": "sub"}' 'www/sub/index.html=x')
expect_refusal main-is-a-folder "$f/package.json" 'www/sub is not a file' "$f"

# Icons: missing, not a PNG, a PNG nobody can read, outside the folder.
f=$(app icon-missing '{"name": "x", "window": {"icon": "art/icon.png"}}')
expect_refusal icon-missing "$f/art/icon.png" "does not exist" "$f"
f=$(app icon-jpeg '{"name": "x", "window": {"icon": "icon.jpg"}}' 'icon.jpg=\xff\xd8\xff\xe0JFIF')
expect_refusal icon-not-png "$f/icon.jpg" "is not a PNG image" "$f"
f=$(app icon-broken '{"name": "x", "window": {"icon": "icon.png"}}' \
  'icon.png=\x89PNG\r\n\x1a\nnot really')
expect_refusal icon-broken-png "$f/icon.png" "cannot be read as an image" "$f"
f=$(app icon-absolute '{"name": "x", "window": {"icon": "/tmp/icon.png"}}')
expect_refusal icon-absolute "$f/package.json" "inside the application folder" "$f"

f=$(app version '{"name": "x", "version": "one"}')
expect_refusal version "$f/package.json" '"version" must be text like "1.2.3"' "$f"

# www/ and webview2/ are walked without following links out of them: a link
# whose real path leaves the folder (an author's .env) and a name with "\\"
# refuse; a link inside is kept.
f=$(app links '{"name": "x"}' 'secret.env=TOKEN' 'www/sub/page.html=p' 'webview2/msedge.dll=d')
ln -s ../secret.env "$f/www/config.txt"
expect_refusal link-outside "$f/www/config.txt" "outside www/" "$f"
rm "$f/www/config.txt" && ln -s sub/page.html "$f/www/inner.html"
ln -s ../secret.env "$f/webview2/EBWebView"
expect_refusal runtime-link-outside "$f/webview2/EBWebView" "outside webview2/" "$f"
rm "$f/webview2/EBWebView" && ln -s msedge.dll "$f/webview2/inner.dll"
printf x >"$f/www/a\\b.txt"
expect_refusal backslash-name "$f/www/a\\b.txt" 'the name holds "\"' "$f"
rm "$f/www/a\\b.txt"
if node "$root/tools/package/package.mjs" check "$f" 2>/dev/null; then
  echo "ok   link-inside: accepted"
else
  echo "FAIL link-inside: refused" && failures=$((failures + 1))
fi

# Signing: a missing certificate, a wrong password, an expired certificate, a
# failing command or timestamp server. The password never shows.
export QUORRIN_SIGN_PASSWORD="right-$RANDOM"
openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj "/CN=Test" -keyout "$work/key.pem" \
  -out "$work/cert.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/test.pfx" \
  -passout env:QUORRIN_SIGN_PASSWORD
# One that expired in 2020, signed by itself with openssl's minimal CA.
printf '[ca]\ndefault_ca=c\n[c]\ndatabase=%s\nnew_certs_dir=%s\nserial=%s\ndefault_md=sha256\npolicy=p\n[p]\ncommonName=supplied\n' \
  "$work/index" "$work" "$work/serial" >"$work/ca.cnf"
: >"$work/index" && echo 01 >"$work/serial"
openssl req -new -newkey rsa:2048 -nodes -subj "/CN=Old" -keyout "$work/old.key" -out "$work/old.csr" 2>/dev/null
openssl ca -batch -config "$work/ca.cnf" -selfsign -keyfile "$work/old.key" -in "$work/old.csr" \
  -startdate 20200101000000Z -enddate 20200102000000Z -out "$work/old.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$work/old.key" -in "$work/old.pem" -out "$work/old.pfx" \
  -passout env:QUORRIN_SIGN_PASSWORD
f=$(app signed '{"name": "x", "version": "1.0.0"}')
expect_refusal sign-no-certificate "$work/none.pfx" "does not exist" "$f" --sign-pfx "$work/none.pfx"
QUORRIN_SIGN_PASSWORD=wrong expect_refusal sign-wrong-password "$work/test.pfx" \
  "cannot be opened" "$f" --sign-pfx "$work/test.pfx"
expect_refusal sign-expired "$work/old.pfx" "expired on Jan  2 00:00:00 2020 GMT" "$f" \
  --sign-pfx "$work/old.pfx"
expect_refusal sign-no-placeholder "--sign-command" "must contain {file}" "$f" \
  --sign-command "signtool sign"
expect_refusal sign-command-fails "x-1.0.0/x.exe" "the signing command failed (no token here)" "$f" \
  --sign-command "echo no token here >&2; exit 3; {file}"
expect_refusal sign-timestamp-down "x-1.0.0/x.exe" "osslsigncode could not sign it" "$f" \
  --sign-pfx "$work/test.pfx" --timestamp-url "http://127.0.0.1:9/"
for label in sign-wrong-password sign-timestamp-down; do
  if grep -rqs "$QUORRIN_SIGN_PASSWORD" "$work/dist-$label"; then
    echo "FAIL $label: the password was written out" && failures=$((failures + 1))
  fi
done

# A certificate file without a password needs no QUORRIN_SIGN_PASSWORD.
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/open.pfx" -passout pass:
if (unset QUORRIN_SIGN_PASSWORD && node "$root/tools/package/package.mjs" check "$f" \
  --sign-pfx "$work/open.pfx" 2>/dev/null); then
  echo "ok   sign-no-password: accepted"
else
  echo "FAIL sign-no-password: refused" && failures=$((failures + 1))
fi

# Warned, not refused: developer tools on, no "version".
f=$(app warned '{"name": "x"}')
warnings=$(node "$root/tools/package/package.mjs" check "$f" 2>&1 >/dev/null)
if [[ $? -eq 0 && "$warnings" == *"enables the developer tools"* && "$warnings" == *'no "version"'* ]]; then
  echo "ok   warnings: accepted, with the two warnings"
else
  echo "FAIL warnings: $warnings" && failures=$((failures + 1))
fi

# Warned: a development-only steam_appid.txt that www/ would ship.
f=$(app steam '{"name": "x", "version": "1.0.0", "settings": {"enable-devtools": false}}' \
  "www/data/steam_appid.txt=480")
warnings=$(node "$root/tools/package/package.mjs" check "$f" 2>&1 >/dev/null)
if [[ $? -eq 0 && "$warnings" == *"www/data/steam_appid.txt would be shipped"* ]]; then
  echo "ok   steam-appid: accepted, with the warning"
else
  echo "FAIL steam-appid: $warnings" && failures=$((failures + 1))
fi

# Warned: a remote "main" over http, which whoever holds the port answers.
f=$(app http-main '{"name": "x", "version": "1.0.0", "main": "http://localhost:8000/",
  "settings": {"content-mode": "remote", "enable-devtools": false}}')
warnings=$(node "$root/tools/package/package.mjs" check "$f" 2>&1 >/dev/null)
if [[ $? -eq 0 && "$warnings" == *'"main" is http://localhost:8000/, an http address'* ]]; then
  echo "ok   http-main: accepted, with the warning"
else
  echo "FAIL http-main: $warnings" && failures=$((failures + 1))
fi

# Accepted without www/: remote mode navigates to "main" as written.
f=$(app remote '{"name": "x", "main": "https://example.com/", "settings": {"content-mode": "remote"}}')
rm -r "$f/www"
if node "$root/tools/package/package.mjs" check "$f"; then
  echo "ok   remote-mode: accepted without www/"
else
  echo "FAIL remote-mode: refused" && failures=$((failures + 1))
fi

echo "$failures failure(s)"
[ $failures -eq 0 ]
