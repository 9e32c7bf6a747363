// Builds quorrin_rules.cpp with the program's portable manifest and content
// sources into quorrin-rules.cjs and quorrin-rules.wasm beside this script,
// with Debian's Emscripten. Built rather than committed; rebuilt only when a
// source is newer than the build. Prints nothing when up to date.
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const folder = path.dirname(fileURLToPath(import.meta.url));
const root = path.resolve(folder, '../../..');
// Every file of the manifest's folder, so that a key added in a file of its own comes along.
const manifestSources = fs.readdirSync(path.join(root, 'src/manifest'))
  .filter((name) => name.endsWith('.cpp')).map((name) => `src/manifest/${name}`);
const sources = [
  ...manifestSources, 'src/util/text/json_lookup.cpp', 'src/util/text/trim.cpp', 'src/util/text/web_origin.cpp',
  'src/content/byte_range.cpp', 'src/content/content_types.cpp',
  'src/content/request_path.cpp', 'src/content/response_plan.cpp',
  'tools/manifest-check/manifest_check_main.cpp', 'tools/package/wasm/quorrin_rules.cpp',
].map((file) => path.join(root, file));
const output = path.join(folder, 'quorrin-rules.cjs');
const built = [output, path.join(folder, 'quorrin-rules.wasm')];

// Headers count too: a manifest key added in manifest.h changes the module.
const headers = ['src/manifest', 'src/util/text', 'src/content'].flatMap((dir) =>
  fs.readdirSync(path.join(root, dir)).filter((name) => name.endsWith('.h'))
    .map((name) => path.join(root, dir, name)));
const inputs = [...sources, ...headers, fileURLToPath(import.meta.url)];
const newestInput = Math.max(...inputs.map((file) => fs.statSync(file).mtimeMs));
const upToDate = built.every((file) => fs.existsSync(file) && fs.statSync(file).mtimeMs >= newestInput);
if (!upToDate) {
  // Only the JSON library from /usr/include: the rest of it is the build machine's.
  const include = fs.mkdtempSync(path.join(os.tmpdir(), 'quorrin-include-'));
  try {
    fs.symlinkSync('/usr/include/nlohmann', path.join(include, 'nlohmann'));
    const flags = ['-std=c++20', '-O2', '-Wall', '-Wextra', '-Werror', '-fexceptions',
      `-I${path.join(root, 'src')}`, '-isystem', include,
      // The checker's main becomes a function the module calls as often as it likes.
      '-Dmain=manifest_check_main',
      '-sMODULARIZE=1', '-sEXPORT_NAME=createQuorrinRules', '-sENVIRONMENT=node',
      '-sWASM_ASYNC_COMPILATION=0', '-sALLOW_MEMORY_GROWTH=1', '-sEXIT_RUNTIME=0',
      '-sEXPORTED_FUNCTIONS=_malloc,_free',
      '-sEXPORTED_RUNTIME_METHODS=FS,UTF8ToString,stringToUTF8,lengthBytesUTF8,HEAPU8'];
    // Debian's Emscripten finds its Node.js modules (acorn) there.
    const env = { ...process.env, NODE_PATH: '/usr/share/nodejs' };
    const result = spawnSync('em++', [...flags, ...sources, '-o', output], { env, stdio: 'inherit' });
    if (result.status !== 0) {
      for (const file of built) fs.rmSync(file, { force: true });
      console.error(`tools/package/wasm: em++ failed (${result.error?.message ?? result.status})`);
      process.exit(1);
    }
  } finally {
    fs.rmSync(include, { recursive: true, force: true });
  }
}
