// Names and versions derived from package.json for files, resources and the installer.

// Characters Windows refuses in file names, and control characters.
const UNSAFE_CHARACTERS = /[<>:"/\\|?*\u0000-\u001f\u007f]/gu;
// Device names Windows reserves whatever the extension ("con.txt" too).
const RESERVED_NAMES = /^(con|prn|aux|nul|com[0-9]|lpt[0-9])(\..*)?$/iu;
const MAX_NAME_CHARACTERS = 64;

// A Windows file name from any text: unsafe characters become "-", leading and
// trailing spaces and dots go, reserved device names get a "-app" suffix,
// length is capped at 64 characters and nothing left gives "app".
// Letters of every script are kept: Windows file names are Unicode.
export function safeFileName(text) {
  let name = text.normalize('NFC').replace(UNSAFE_CHARACTERS, '-');
  name = [...name].slice(0, MAX_NAME_CHARACTERS).join('');
  name = name.replace(/^[ .]+|[ .]+$/gu, '');
  if (name === '') return 'app';
  return RESERVED_NAMES.test(name) ? `${name}-app` : name;
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
