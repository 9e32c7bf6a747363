#!/usr/bin/env bash
# Packages examples/hello, a newer version of it and a copy with a non-ASCII
# name and an extension library into BIN/package-test/{hello,newer,non-ascii},
# where package_tests.exe installs them under Wine; checks that each zip holds
# its program folder.
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

"$root/scripts/package" --dist "$out/hello" "$root/examples/hello"
# The newer version no longer has style.css: upgrading must remove it.
newer=$(variant newer 'version="1.1.0"')
rm "$newer/www/style.css"
"$root/scripts/package" --dist "$out/newer" "$newer"
# The non-ASCII one also has an extension library.
non_ascii=$(variant non-ascii 'name="Spiel: Café 游戏"' 'window.title="Café 游戏 — Édition"' \
  'version="2.0.0-beta.1"')
cp "$1/extensions/posting/Brenmoor.dll" "$non_ascii/"
"$root/scripts/package" --dist "$out/non-ascii" "$non_ascii"

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
