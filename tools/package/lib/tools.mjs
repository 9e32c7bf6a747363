// Programs packaging may use when they are installed: found on PATH, with a
// line per operating system saying how to get them.
import fs from 'node:fs';
import path from 'node:path';

// The full path of a program on PATH, or null.
export function findOnPath(name) {
  const extensions = process.platform === 'win32'
    ? (process.env.PATHEXT ?? '.EXE;.CMD;.BAT').split(';').filter(Boolean) : [''];
  for (const folder of (process.env.PATH ?? '').split(path.delimiter).filter(Boolean)) {
    for (const extension of extensions) {
      const file = path.join(folder, name + extension);
      try {
        if (fs.statSync(file).isFile()) {
          if (process.platform !== 'win32') fs.accessSync(file, fs.constants.X_OK);
          return file;
        }
      } catch {
        // not here
      }
    }
  }
  return null;
}

const HOW_TO_GET = {
  makensis: {
    win32: 'install NSIS, e.g. "winget install NSIS.NSIS", and add its folder to PATH',
    darwin: 'install it with "brew install makensis"',
    linux: 'install NSIS, e.g. "sudo apt-get install nsis" or "sudo dnf install mingw32-nsis"',
  },
  osslsigncode: {
    win32: 'use --sign-command with signtool instead, e.g. --sign-command "signtool sign /a /fd sha256 {file}"',
    darwin: 'install it with "brew install osslsigncode", or use --sign-command',
    linux: 'install it, e.g. "sudo apt-get install osslsigncode", or use --sign-command',
  },
};

export function howToGet(name) {
  const ways = HOW_TO_GET[name];
  return ways[process.platform] ?? ways.linux;
}
