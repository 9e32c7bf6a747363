// Our stand-in xinput1_4.dll (standin/xinput) for the runs that ask for it: put
// in the test prefix's System32 while a file's tests run (Wine's own is put
// back after) and chosen over Wine's builtin only by the runs given `env`.
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

import { binFolder } from './host.mjs';

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../../..');
const system32 = path.join(process.env.WINEPREFIX || path.join(root, 'build/wine/prefix'),
  'drive_c/windows/system32');
const placed = path.join(system32, 'xinput1_4.dll');
const wines = `${placed}.wine`;

export const env = { WINEDLLOVERRIDES: 'mscoree,mshtml=;xinput1_4=n' };

export function placeXInputStandin() {
  if (!fs.existsSync(wines)) fs.renameSync(placed, wines);
  fs.copyFileSync(path.join(binFolder, 'standin-xinput/xinput1_4.dll'), placed);
}
export function restoreWinesXInput() {
  if (fs.existsSync(wines)) fs.renameSync(wines, placed);
}

// The pads file's text: each pad [index, buttons, left trigger, right trigger,
// lx, ly, rx, ry], stamped with the time it was written.
export const padsFile = (seq, pads) =>
  [`seq ${seq} ${performance.timeOrigin + performance.now()}`, ...pads.map((pad) => pad.join(' '))].join('\n') + '\n';
// Renamed into place, so the stand-in never reads half of it.
export function setPads(host, seq, pads) {
  host.writeFile('xinput-standin.pads.new', padsFile(seq, pads));
  fs.renameSync(path.join(host.folder, 'xinput-standin.pads.new'), path.join(host.folder, 'xinput-standin.pads'));
}
const readLines = (file) => (fs.existsSync(file) ? fs.readFileSync(file, 'utf8') : '').split('\n').filter(Boolean);
export const xinputLog = (host) => readLines(path.join(host.folder, 'xinput-standin.log')).map((line) => JSON.parse(line));
// XInputGetState calls so far: all, and for slot 0.
export function polls(host) {
  const [total = 0, slot0 = 0] = readLines(path.join(host.folder, 'xinput-standin.count'))
    .join(' ').trim().split(/\s+/).filter(Boolean).map(Number);
  return { total, slot0 };
}
