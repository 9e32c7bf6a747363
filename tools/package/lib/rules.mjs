// The program's own rules, from the WebAssembly build of its portable code
// (wasm/quorrin_rules.cpp): the manifest checker and the content server's
// request rules. Loaded once, synchronously, on first use.
import { createRequire } from 'node:module';

const require = createRequire(import.meta.url);
let rules = null;
let printed = { out: [], err: [] };

function module() {
  if (!rules) {
    const create = require('../wasm/quorrin-rules.cjs');
    // The module's loader adds process handlers that print its whole source
    // with any later error; the command's own errors are not the module's.
    const before = new Set([...process.listeners('uncaughtException'),
      ...process.listeners('unhandledRejection')]);
    rules = create({ print: (line) => printed.out.push(line),
      printErr: (line) => printed.err.push(line) });
    for (const event of ['uncaughtException', 'unhandledRejection']) {
      for (const listener of process.listeners(event)) {
        if (!before.has(listener)) process.removeListener(event, listener);
      }
    }
    rules.FS.mkdir('/app');
  }
  return rules;
}

function cString(m, text) {
  const size = m.lengthBytesUTF8(text) + 1;
  const pointer = m._malloc(size);
  m.stringToUTF8(text, pointer, size);
  return pointer;
}

function withStrings(texts, use) {
  const m = module();
  const pointers = texts.map((text) => cString(m, text));
  try {
    return use(m, pointers);
  } finally {
    for (const pointer of pointers) m._free(pointer);
  }
}

// The last answer's bytes as text (it may hold NUL bytes).
function answer(m, pointer) {
  const length = m._quorrin_answer_length();
  return Buffer.from(m.HEAPU8.subarray(pointer, pointer + length)).toString('utf8');
}

// package.json's bytes read by the program's parser. Returns
// { ok: true, settings } or { ok: false, message } with the checker's text.
export function checkManifestBytes(bytes) {
  const m = module();
  m.FS.writeFile('/app/package.json', bytes);
  printed = { out: [], err: [] };
  const status = withStrings(['manifest-check', '/app/package.json'], (_, [name, file]) => {
    const argv = m._malloc(12);
    m.HEAPU32[argv / 4] = name;
    m.HEAPU32[argv / 4 + 1] = file;
    m.HEAPU32[argv / 4 + 2] = 0;
    try {
      return m._quorrin_check_manifest(2, argv);
    } finally {
      m._free(argv);
    }
  });
  if (status === 0) return { ok: true, settings: JSON.parse(printed.out.join('\n')) };
  return { ok: false, message: printed.err.join('\n').trim() };
}

// The request's path below the origin, decoded as the content server decodes it.
export function relativePathFromUri(uri, originLength) {
  return withStrings([uri], (m, [text]) => answer(m, m._quorrin_relative_path(text, originLength)));
}

export function staysInContentFolder(relativePath) {
  const bytes = Buffer.from(relativePath, 'utf8');
  const m = module();
  const pointer = m._malloc(bytes.length + 1);
  try {
    m.HEAPU8.set(bytes, pointer);
    return m._quorrin_stays_in_content_folder(pointer, bytes.length) === 1;
  } finally {
    m._free(pointer);
  }
}

// The page standing for a folder, or null.
export function folderIndexPath(folderPath) {
  return withStrings([folderPath], (m, [text]) => answer(m, m._quorrin_folder_index(text))) || null;
}

// The plan of an answer: { status, reason, headers: ["Name: value"], body, text, first, length }.
export function planResponse({ found, relativePath, fileSize, range, isolation }) {
  return withStrings([relativePath, range ?? ''], (m, [pathText, rangeText]) => JSON.parse(
    answer(m, m._quorrin_plan_response(found ? 1 : 0, pathText, fileSize,
      range === undefined || range === null ? 0 : 1, rangeText, isolation ? 1 : 0))));
}

// The title, start page, size and isolation switch the program would use, or
// { ok: false } when it would refuse the manifest. The bytes go in as they are.
export function manifestDetails(bytes) {
  const m = module();
  const pointer = m._malloc(bytes.length + 1);
  try {
    m.HEAPU8.set(bytes, pointer);
    m.HEAPU8[pointer + bytes.length] = 0;
    return JSON.parse(answer(m, m._quorrin_manifest_details(pointer)));
  } finally {
    m._free(pointer);
  }
}
