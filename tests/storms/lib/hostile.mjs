// Seeded random inputs for the storms: request paths, Range values and page
// messages, from the ordinary to the hostile. The same seed gives the same storm.

// mulberry32: small, fast and good enough to pick inputs.
export function randomSource(seed) {
  let state = seed >>> 0;
  const next = () => {
    state = (state + 0x6d2b79f5) >>> 0;
    let t = state;
    t = Math.imul(t ^ (t >>> 15), t | 1);
    t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
    return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
  };
  const int = (below) => Math.floor(next() * below);
  return { next, int, pick: (list) => list[int(list.length)], chance: (p) => next() < p };
}

const SEGMENTS = {
  real: ['index.html', 'media', 'song.bin', 'My%20Song.mp3', 'My Song.mp3', 'sub', 'page.html',
    'price%E2%82%AC.txt', 'price\u20ac.txt', 'empty.txt', 'one.bin', 'data.json', 'INDEX.HTML', 'www'],
  escaping: ['..', '.', '%2e%2e', '%2E%2e', '.%2e', '%2e', '...', '.. ', '. ', '..%00', '..%2f..',
    '..%5c..', '%c0%ae%c0%ae', '%c0%2e', '%e0%80%ae', '..%252f', '%252e%252e', '..;', '.\u200b.'],
  outside: ['canary.txt', 'package.json', 'Quorrin.exe', 'WebView2Loader.dll', 'secret'],
  device: ['CON', 'NUL', 'aux.txt', 'COM1', 'LPT1.bin', 'C:', 'C:%5C', '%3a', ':$DATA',
    'index.html::$DATA', 'index.html:stream', 'index.html.', 'index.html ', 'index.htm?', 'index.*',
    '*', '~1', 'INDEX~1.HTM', '%00', 'a%00b', '\\\\?\\C:', '%5c%5c.%5cpipe'],
  junk: ['%', '%z', '%zz', '%%', '%F0%9F%98%80', '%ED%A0%80', '%FF%FE', '\u00e9', '\ud83d\ude00',
    ' ', '%20', '+', ';', '&', '#', '?', '@', "'", '"', '<>', '|'],
};
const SEPARATORS = ['/', '/', '/', '\\', '%2F', '%5C', '%2f', '%5c', '//', '/./'];

function segment(random) {
  const group = random.pick(['real', 'real', 'real', 'real', 'real', 'escaping', 'escaping', 'outside',
    'device', 'junk']);
  return random.pick(SEGMENTS[group]);
}

// Everything after the origin: a few segments, maybe a long run of escapes
// around the decoder's limit, maybe a query or a fragment.
const CONTENT_PATHS = ['index.html', 'media/song.bin', 'media%2Fsong.bin', 'media\\song.bin',
  'MEDIA/SONG.BIN', 'media/My%20Song.mp3', 'sub%5Cpage.html', 'sub/page.html', 'price%E2%82%AC.txt',
  'empty.txt', 'one.bin', 'data.json', 'media/', 'media', 'sub', ''];

export function hostilePath(random) {
  if (random.chance(0.3)) return random.pick(CONTENT_PATHS);
  const parts = [];
  for (let count = random.int(5); count >= 0; --count) parts.push(segment(random));
  let path = '';
  for (const part of parts) path += (path ? random.pick(SEPARATORS) : '') + part;
  if (random.chance(0.1)) path = random.pick(['/', '\\', '%2F', '..%2F']) + path;
  if (random.chance(0.04)) path = '%41'.repeat(2040 + random.int(16)) + random.pick(SEPARATORS) + path;
  if (random.chance(0.02)) path = random.pick(['..%2F', '%2e%2e%5c', '../']).repeat(1 + random.int(700)) + path;
  if (random.chance(0.1)) path += random.pick(['?v=2', '?', '#top', '?a=../../canary.txt', '%3Fv=1', '%23x']);
  return path;
}

const NUMBERS = () => [0, 1, 99, 999, 1233, 1234, 65552, 65553, 2147483647, 2147483648, 4294967296,
  9999999999999, -1, -0];

// A Range value, or undefined for none.
export function hostileRange(random) {
  if (random.chance(0.4)) return undefined;
  const number = () => (random.chance(0.6) ? random.int(70000) : random.pick(NUMBERS()));
  const forms = [
    () => `bytes=${number()}-${number()}`,
    () => `bytes=${number()}-`,
    () => `bytes=-${number()}`,
    () => `bytes=${number()}-${number()},${number()}-${number()}`,
    () => random.pick(['bytes=0-', 'bytes=0-0', 'bytes=-0', 'bytes=-', 'bytes=', 'bytes=x-5',
      'bytes=0-,100-199', 'bytes=0,5-10', 'Bytes=0-1', 'bytes 0-1', 'bytes=5', 'items=0-1',
      '  bytes=10-20\t', 'bytes= 1- 2', 'bytes=+1-+2', 'bytes=-2147483648', 'bytes=1e3-2e3',
      'bytes=\u0661-\u0662', 'bytes=0-' + '9'.repeat(400), '', ' ', 'bytes=0-1\r\nX-Injected: 1']),
  ];
  return random.pick(forms)();
}

const ORIGIN = 'https://app.localhost/';
const LOOK_ALIKES = ['https://app.localhost', 'https://App.localhost/', 'http://app.localhost/',
  'https://app.localhost.evil.net/', 'https://app.localhost@evil.net/', 'https://evil.net/app.localhost/',
  'https://\u0430pp.localhost/', 'https://app.localhost%2F', ' https://app.localhost/', '', 'null',
  'https://example.com/', 'file:///C:/', 'about:blank', 'data:text/html,x'];

function extremeNumber(random) {
  return random.pick([0, -0, 1, -1, 2147483647, -2147483648, 2147483648, -2147483649, 4294967296,
    9007199254740991, -9007199254740991, 1e300, -1e300, 5e-324, 0.5, -0.5, 800.9, 32767, 32768,
    65535, 65536, random.int(5000) - 2500]);
}

const HUGE_UNITS = ['x', '\u00e9', '\ud83d\ude00', '\\u0000', '"'];
const HUGE_REPEATS = 300000;

function hugeString(random) {
  return random.pick(HUGE_UNITS).repeat(1 + random.int(HUGE_REPEATS));
}

// The largest messages of the storm, one per kind of huge string: sent first,
// they take the heap to its high-water mark before memory is compared.
export function largestMessages() {
  return HUGE_UNITS.map((unit) => ({ source: ORIGIN,
    string: JSON.stringify({ type: 'extension-message', data: unit.repeat(HUGE_REPEATS) }) }));
}

function envelope(random) {
  const type = random.pick(['wrapper-init', 'set-fullscreen', 'set-window-size', 'set-window-position',
    'extension-message', 'Wrapper-Init', 'wrapper-init ', 'set-window-size\u0000', '', 'unknown']);
  const message = { type };
  const fields = ['fullscreen', 'windowWidth', 'windowHeight', 'windowX', 'windowY', 'data'];
  for (const field of fields) {
    if (!random.chance(0.5)) continue;
    message[field] = random.pick([() => extremeNumber(random), () => random.chance(0.5),
      () => String(extremeNumber(random)), () => null, () => [1, 2], () => ({ nested: { deep: [] } }),
      () => (random.chance(0.05) ? hugeString(random) : 'text')])();
  }
  return message;
}

// A page message: its source, and the text (or a non-string JSON value) posted.
export function hostileMessage(random) {
  const source = random.chance(0.7) ? ORIGIN + random.pick(['', 'index.html', 'sub/page.html?x#y'])
    : random.pick(LOOK_ALIKES);
  let text = JSON.stringify(envelope(random));
  switch (random.int(8)) {
  // Broken JSON, cut between code points: the agent link carries only whole characters.
  case 0: text = Array.from(text).slice(0, random.int(text.length)).join(''); break;
  case 1: text = text + random.pick([' trailing', '}', ',', '\u0000', ' /* c */']); break;
  case 2: text = random.pick(['[]', '[{"type":"wrapper-init"}]', '"wrapper-init"', '42', 'null', 'true',
    '{"type":1e400}', '{"type":"set-window-size","windowWidth":1e400}', '{"type":"wrapper-init"',
    '{"type":"wrapper-init","type":"set-fullscreen","fullscreen":true}', '\ufeff{"type":"wrapper-init"}',
    '{"type":"\\ud800"}', '{"type":"set-fullscreen","fullscreen":true}'.repeat(3)]); break;
  case 3: if (random.chance(0.2)) text = '['.repeat(1 + random.int(100000)); break; // deep nesting
  default: break;
  }
  return random.chance(0.05) ? { source, json: text } : { source, string: text };
}
