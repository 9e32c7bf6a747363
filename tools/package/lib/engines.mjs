// Which game engine exported an application, and what that export asks of the
// program, from the names of the files under www/ and the text of its pages and
// scripts. Pure: the caller lists the files ("a/b.js", relative to www/) and
// gives read(name), the file's text or null.

const PAGE = /\.html?$/iu;
const SCRIPT = /\.m?js$/iu;
const UNITY_LOADER = /(?:^|\/)Build\/[^/]+\.loader\.js$/u;
const COMPRESSED = /\.(?:br|gz)$/u;

// Scripts a page loads: [src, ...] as written.
function scriptSources(pageText) {
  return [...pageText.matchAll(/<script\b[^>]*?\bsrc\s*=\s*(?:"([^"]*)"|'([^']*)'|([^\s>]+))/giu)]
    .map((match) => match[1] ?? match[2] ?? match[3]);
}

function folderOf(name) {
  return name.includes('/') ? name.slice(0, name.lastIndexOf('/') + 1) : '';
}

// A Godot export: a page holding GODOT_CONFIG that loads an engine script of the export.
function godotExport(files, read) {
  const present = new Set(files);
  for (const page of files.filter((name) => PAGE.test(name))) {
    const text = read(page) ?? '';
    if (!/\bGODOT_CONFIG\b/u.test(text)) continue;
    const script = scriptSources(text).map((src) => folderOf(page) + src.split(/[?#]/u)[0])
      .find((name) => present.has(name));
    if (!script) continue;
    const setting = /\bGODOT_THREADS_ENABLED\s*=\s*(true|false)\b/u.exec(text)?.[1];
    // Before the constant existed (Godot 3, 4.0 to 4.2), a threads build came with a worker script.
    const threads = setting ? setting === 'true' : present.has(script.replace(/\.js$/u, '.worker.js'));
    return { page, script, threads };
  }
  return null;
}

// Godot 3: a page that starts `new Engine(` beside the export's .pck; a threads
// build comes with its worker script.
function godot3Export(files, read) {
  const pck = files.find((name) => /\.pck$/u.test(name));
  if (!pck) return null;
  const page = files.filter((name) => PAGE.test(name))
    .find((name) => /\bnew\s+Engine\s*\(/u.test(read(name) ?? ''));
  if (!page) return null;
  return { page, pck, threads: files.some((name) => /\.worker\.js$/u.test(name)) };
}

// A plain Emscripten page: a page or script that sets up `Module`, beside the
// .wasm (or asm.js .data) it loads; pthreads need a cross-origin isolated page.
function emscriptenExport(files, read) {
  const module = files.find((name) => /\.wasm$/u.test(name)) ??
    files.find((name) => /\.data$/u.test(name));
  if (!module) return null;
  const setsUpModule = (name) => /\bvar\s+Module\b|\bModule\s*=\s*\{|\bModule\s*\[/u.test(read(name) ?? '');
  const starter = files.filter((name) => PAGE.test(name) || SCRIPT.test(name)).find(setsUpModule);
  if (!starter) return null;
  const threads = files.some((name) => SCRIPT.test(name) &&
    /\bENVIRONMENT_IS_PTHREAD\b|\.worker\.js\b/u.test(read(name) ?? ''));
  return { starter, module, threads };
}

// Unity 2018-2019: Build/UnityLoader.js and the build's JSON, whose "...Url"
// members name the build's files (.unityweb, which the loader decodes itself).
function unityLoaderExport(files, read) {
  const loader = files.find((name) => /(?:^|\/)Build\/UnityLoader\.js$/u.test(name));
  if (!loader) return null;
  const build = folderOf(loader);
  const descriptor = files.find((name) => folderOf(name) === build && /\.json$/u.test(name));
  return descriptor ? { loader, descriptor } : null;
}

// Files the old Unity build's JSON names that are not in the export.
function missingUnityFiles(files, read, engine) {
  if (engine?.name !== 'Unity' || !engine.descriptor) return [];
  let build;
  try {
    build = JSON.parse(read(engine.descriptor) ?? '');
  } catch {
    return [engine.descriptor];
  }
  const present = new Set(files);
  return Object.entries(build ?? {})
    .filter(([key, value]) => /Url$/u.test(key) && typeof value === 'string' && !/^[a-z]+:/iu.test(value))
    .map(([, value]) => folderOf(engine.descriptor) + value.split(/[?#]/u)[0])
    .filter((name) => !present.has(name));
}

// The engines known by a file of their own, in the order they are tried.
const ENGINE_FILES = [
  { name: 'Unity', file: UNITY_LOADER },
  { name: 'Construct', file: /(?:^|\/)c[23]runtime\.js$/u },
  { name: 'GameMaker', file: /(?:^|\/)html5game\/[^/]+\.js$/u },
  { name: 'Defold', file: /(?:^|\/)dmloader\.js$/u },
  { name: 'Phaser', file: /(?:^|\/)phaser(?:\.min|\.esm)?\.m?js$/iu },
];

// { name, evidence: [file names], threads? } or null.
export function recogniseEngine(files, read) {
  const godot = godotExport(files, read);
  if (godot) return { name: 'Godot', evidence: [godot.page, godot.script], threads: godot.threads };
  const godot3 = godot3Export(files, read);
  if (godot3) return { name: 'Godot', evidence: [godot3.page, godot3.pck], threads: godot3.threads };
  const oldUnity = unityLoaderExport(files, read);
  if (oldUnity) {
    return { name: 'Unity', evidence: [oldUnity.loader, oldUnity.descriptor],
      descriptor: oldUnity.descriptor };
  }
  for (const engine of ENGINE_FILES) {
    const file = files.find((name) => engine.file.test(name));
    if (file) return { name: engine.name, evidence: [file] };
  }
  const emscripten = emscriptenExport(files, read);
  if (emscripten) {
    return { name: 'Emscripten', evidence: [emscripten.starter, emscripten.module],
      threads: emscripten.threads };
  }
  // Phaser loaded from elsewhere is still a Phaser game.
  const phaserPage = files.filter((name) => PAGE.test(name))
    .find((page) => scriptSources(read(page) ?? '').some((src) => /phaser/iu.test(src)));
  return phaserPage ? { name: 'Phaser', evidence: [phaserPage] } : null;
}

const ABSOLUTE = /^(?:https?:)?\/\//iu;
// In a script: a quoted absolute address of a script, a WebAssembly module or a decoder.
const LOADED_ADDRESS = /["'`]((?:https?:)?\/\/[^"'`\s]+)["'`]/giu;
const LOADABLE = /\.(?:m?js|wasm)(?:[?#]|$)|decoder/iu;

// [{ file, address }] for scripts and decoders fetched from another origin.
export function remoteLoads(files, read) {
  const found = [];
  for (const file of files) {
    if (PAGE.test(file)) {
      for (const src of scriptSources(read(file) ?? '')) {
        if (ABSOLUTE.test(src)) found.push({ file, address: src });
      }
    } else if (SCRIPT.test(file)) {
      for (const [, address] of (read(file) ?? '').matchAll(LOADED_ADDRESS)) {
        if (LOADABLE.test(address)) found.push({ file, address });
      }
    }
  }
  return found;
}

// Unity's compressed build files, beside its loader.
function unityCompressedFiles(files, engine) {
  if (engine?.name !== 'Unity') return [];
  const build = folderOf(engine.evidence[0]);
  return files.filter((name) => folderOf(name) === build && COMPRESSED.test(name));
}

// What the export, served by the program, needs of package.json; settings:
// { precompressed, crossOriginIsolation }.
// Returns { engine, problems: [{ key, reason }], warnings: [text] }.
export function engineFindings(files, read, settings) {
  const engine = recogniseEngine(files, read);
  const problems = [];
  if (engine?.threads && !settings.crossOriginIsolation) {
    problems.push({ key: 'cross-origin-isolation', reason: `www/${engine.evidence[0]} is a ` +
      `${engine.name} export built with threads: it starts only with "cross-origin-isolation": ` +
      'true in "settings"' });
  }
  for (const name of missingUnityFiles(files, read, engine)) {
    problems.push({ key: 'main', reason: `www/${engine.descriptor} names www/${name}, which the ` +
      'export does not hold (or the build\'s JSON does not read): copy the whole Build folder' });
  }
  const compressed = unityCompressedFiles(files, engine);
  if (compressed.length && settings.precompressed === 'none') {
    problems.push({ key: 'precompressed', reason: `"precompressed" is "none", but www/${compressed[0]}` +
      `${compressed.length > 1 ? ` and ${compressed.length - 1} more are` : ' is'} compressed Unity ` +
      'build files, which the page cannot read undecoded: set "auto" or leave the key out' });
  }
  const warnings = remoteLoads(files, read).map(({ file, address }) =>
    `www/${file} loads ${address} from another origin: players without internet cannot ` +
    'reach it. Copy it into www/ and load it from there.');
  return { engine, problems, warnings };
}

// The settings keys an export needs to start in the program.
export function settingsFor(engine) {
  return engine?.threads ? { 'cross-origin-isolation': true } : {};
}
