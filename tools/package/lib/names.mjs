// Names and versions derived from package.json for files, resources and the installer.

// Characters Windows refuses in file names, and control characters.
const UNSAFE_CHARACTERS = /[<>:"/\\|?*\u0000-\u001f\u007f]/gu;
// Device names Windows reserves whatever the extension ("con.txt", "aux .js" too),
// the superscript digits it also reads included.
const DEVICE_STEM = /^(con|prn|aux|nul|conin\$|conout\$|com[0-9\u00b9\u00b2\u00b3]|lpt[0-9\u00b9\u00b2\u00b3])$/iu;
const MAX_NAME_CHARACTERS = 64;

function isDeviceName(name) {
  return DEVICE_STEM.test(name.split('.')[0].replace(/ +$/u, ''));
}

// A Windows file name from any text: unsafe characters become "-", leading and
// trailing spaces and dots go, reserved device names get a "-app" suffix,
// length is capped at 64 characters and nothing left gives "app".
// Letters of every script are kept: Windows file names are Unicode.
export function safeFileName(text) {
  let name = text.normalize('NFC').replace(UNSAFE_CHARACTERS, '-');
  name = [...name].slice(0, MAX_NAME_CHARACTERS).join('');
  name = name.replace(/^[ .]+|[ .]+$/gu, '');
  if (name === '') return 'app';
  return isDeviceName(name) ? `${name}-app` : name;
}

// Characters Windows refuses in a name inside a path: ":" would name a stream of
// the file, "*" and "?" make the uninstaller's Delete a wildcard.
const REFUSED_CHARACTERS = /[<>:"|?*\\\u0000-\u001f]/u;

// Why Windows would mishandle a file name (one path component), or null.
export function windowsNameProblem(name) {
  const character = REFUSED_CHARACTERS.exec(name)?.[0];
  if (character === '\\') {
    return 'the name holds "\\", which Windows and zip readers take for a folder separator';
  }
  if (character !== undefined) {
    const shown = character < ' '
      ? `a control character (U+${character.codePointAt(0).toString(16).padStart(4, '0').toUpperCase()})`
      : `"${character}"`;
    return `the name holds ${shown}, which Windows does not allow in a file name`;
  }
  if (/[. ]$/u.test(name)) {
    return `the name ends in ${name.endsWith('.') ? 'a dot' : 'a space'}, which Windows drops`;
  }
  if (isDeviceName(name)) {
    return `"${name}" opens the device ${name.split('.')[0].trim().toUpperCase()} on Windows, ` +
      'whatever its extension';
  }
  return null;
}

// A name as Windows compares names: letters by their simple upper case.
export function windowsFoldedName(name) {
  return [...name].map((character) => {
    const upper = character.toUpperCase();
    return [...upper].length === 1 ? upper : character;
  }).join('');
}

// package.json "version": up to four dot-separated numbers (0 to 65535), then
// optionally "-" or "+" and a label, as npm's semantic versions are.
// Returns { text, numbers: [a, b, c, d] }, or null when it is malformed.
export function parseVersion(text) {
  const match = /^(\d+)(?:\.(\d+))?(?:\.(\d+))?(?:\.(\d+))?(?:[-+][0-9A-Za-z.+-]+)?$/u.exec(text);
  if (!match) return null;
  const numbers = match.slice(1, 5).map((part) => Number(part ?? 0));
  if (numbers.some((number) => number > 65535)) return null;
  return { text, numbers };
}

// package.json "author": a string "Name <email> (url)" or an object with "name".
export function authorName(author) {
  if (typeof author === 'string') return author.replace(/<[^>]*>|\([^)]*\)/gu, '').trim();
  if (author && typeof author === 'object' && typeof author.name === 'string') {
    return author.name.trim();
  }
  return '';
}
