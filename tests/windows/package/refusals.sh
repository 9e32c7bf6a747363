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

# expect_refusal LABEL FILE_NAMED TEXT_EXPECTED APP_FOLDER
expect_refusal() {
  local label=$1 file=$2 text=$3 folder=$4 dist=$work/dist-$1
  local output status
  output=$("$root/scripts/package" --dist "$dist" "$folder" 2>&1 >/dev/null)
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

# Accepted without www/: remote mode navigates to "main" as written.
f=$(app remote '{"name": "x", "main": "https://example.com/", "settings": {"content-mode": "remote"}}')
rm -r "$f/www"
if node "$root/tools/package/package.mjs" check "$f" --checker "$root/build/tools/bin/manifest-check"; then
  echo "ok   remote-mode: accepted without www/"
else
  echo "FAIL remote-mode: refused" && failures=$((failures + 1))
fi

echo "$failures failure(s)"
[ $failures -eq 0 ]
