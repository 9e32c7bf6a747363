// The packager's PNG reader (the icon is made from it) against ImageMagick's
// pixels, for every colour type, bit depth and interlacing an author's icon may use.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { test } from 'node:test';
import { fileURLToPath } from 'node:url';

const root = path.resolve(fileURLToPath(import.meta.url), '../../..');
const { decodePng, encodePng } = await import(path.join(root, 'tools/package/lib/png.mjs'));
const IMAGEMAGICK = 'convert-im6.q16';

// A 37x29 picture with transparency, gradients and few enough colours for a palette.
const SOURCE = ['-size', '37x29', 'xc:none', '-fill', '#ff000080', '-draw', 'rectangle 2,2 20,14',
  '-fill', '#2060c0', '-draw', 'circle 25,18 31,24', '-fill', '#ffffff', '-draw', 'point 0,0'];
const VARIANTS = {
  'rgba 8': ['PNG32:'], 'rgba 16': ['-depth', '16', 'PNG64:'], 'rgb 8': ['-background', 'white',
    '-flatten', 'PNG24:'], palette: ['PNG8:'], 'gray 8': ['-colorspace', 'gray', '-type',
    'GrayscaleAlpha', 'PNG32:'], 'gray 1': ['-background', 'white', '-flatten', '-threshold',
    '50%', '-type', 'bilevel', 'PNG:'], interlaced: ['-interlace', 'PNG', 'PNG32:'],
};

test('every variant decodes to the pixels ImageMagick reads', () => {
  const work = fs.mkdtempSync(path.join(os.tmpdir(), 'quorrin-png-'));
  try {
    for (const [label, options] of Object.entries(VARIANTS)) {
      const file = path.join(work, `${label.replace(' ', '-')}.png`);
      const format = options.at(-1);
      execFileSync(IMAGEMAGICK, [...SOURCE, ...options.slice(0, -1), `${format}${file}`]);
      const expected = execFileSync(IMAGEMAGICK, [file, '-depth', '8', 'rgba:-']);
      const image = decodePng(fs.readFileSync(file));
      assert.deepEqual([image.width, image.height], [37, 29], label);
      // Fully transparent pixels may carry any colour.
      const visible = (rgba) => Buffer.from(rgba).map((value, i, all) =>
        all[i - (i % 4) + 3] === 0 ? 0 : value);
      // 16-bit samples may round either way to 8 bits.
      const tolerance = label.includes('16') ? 1 : 0;
      const actual = visible(image.rgba), wanted = visible(expected);
      assert.equal(actual.length, wanted.length, label);
      const off = actual.findIndex((value, i) => Math.abs(value - wanted[i]) > tolerance);
      assert.equal(off, -1, `${label}: byte ${off} is ${actual[off]}, ImageMagick reads ${wanted[off]}`);
      assert.deepEqual(decodePng(encodePng(image)).rgba, image.rgba, `${label} written back`);
    }
  } finally {
    fs.rmSync(work, { recursive: true, force: true });
  }
});

test('damaged or foreign files are refused with a reason, never a crash', () => {
  const good = encodePng({ width: 2, height: 2, rgba: new Uint8Array(16).fill(200) });
  for (const bytes of [Buffer.from('GIF89a'), good.subarray(0, 40), Buffer.alloc(0),
    Buffer.concat([good.subarray(0, 16), Buffer.from([0, 0, 0x40, 0, 0, 0, 0x40, 0])])]) {
    assert.throws(() => decodePng(bytes), (error) => error instanceof Error && error.message.length > 0);
  }
});
