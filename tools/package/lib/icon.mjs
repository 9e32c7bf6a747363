// A Windows .ico from a PNG, in JavaScript: the image centred on a transparent
// square of 256, then every size area-averaged from it (256 stored as PNG, the
// smaller ones as 32-bit bitmaps with their mask, as every Windows reads them).
import { decodePng, encodePng } from './png.mjs';

const CANVAS = 256;

// Overlap weights of destination cells [i, i+1) scaled onto a source of `from` cells.
function weights(from, to) {
  const scale = from / to;
  return Array.from({ length: to }, (_, i) => {
    const start = i * scale, end = (i + 1) * scale;
    const cells = [];
    for (let s = Math.floor(start); s < Math.min(Math.ceil(end), from); s += 1) {
      const weight = Math.min(end, s + 1) - Math.max(start, s);
      if (weight > 1e-9) cells.push([s, weight / scale]);
    }
    return cells;
  });
}

// Area-averaged resize with premultiplied alpha, so transparent pixels lend no colour.
function resize(image, width, height) {
  const columns = weights(image.width, width), rows = weights(image.height, height);
  const out = new Uint8Array(width * height * 4);
  for (let y = 0; y < height; y += 1) {
    for (let x = 0; x < width; x += 1) {
      const sum = [0, 0, 0, 0];
      for (const [sy, wy] of rows[y]) {
        for (const [sx, wx] of columns[x]) {
          const at = (sy * image.width + sx) * 4, w = wx * wy, alpha = image.rgba[at + 3] * w;
          sum[0] += image.rgba[at] * alpha;
          sum[1] += image.rgba[at + 1] * alpha;
          sum[2] += image.rgba[at + 2] * alpha;
          sum[3] += alpha;
        }
      }
      const at = (y * width + x) * 4;
      if (sum[3] > 0) for (let k = 0; k < 3; k += 1) out[at + k] = Math.round(sum[k] / sum[3]);
      out[at + 3] = Math.round(sum[3]);
    }
  }
  return { width, height, rgba: out };
}

// The image fitted into the square and centred on transparency.
function squareCanvas(image) {
  const scale = CANVAS / Math.max(image.width, image.height);
  const width = Math.max(1, Math.round(image.width * scale));
  const height = Math.max(1, Math.round(image.height * scale));
  const fitted = resize(image, width, height);
  const canvas = { width: CANVAS, height: CANVAS, rgba: new Uint8Array(CANVAS * CANVAS * 4) };
  const left = (CANVAS - width) >> 1, top = (CANVAS - height) >> 1;
  for (let y = 0; y < height; y += 1) {
    canvas.rgba.set(fitted.rgba.subarray(y * width * 4, (y + 1) * width * 4),
      ((top + y) * CANVAS + left) * 4);
  }
  return canvas;
}

// BITMAPINFOHEADER, bottom-up BGRA rows, then the 1-bit mask of transparent pixels.
function bitmapEntry({ width, height, rgba }) {
  const maskRow = Math.ceil(width / 32) * 4;
  const header = Buffer.alloc(40);
  header.writeUInt32LE(40, 0);
  header.writeInt32LE(width, 4);
  header.writeInt32LE(height * 2, 8); // the colours and the mask
  header.writeUInt16LE(1, 12);
  header.writeUInt16LE(32, 14);
  header.writeUInt32LE(width * height * 4 + maskRow * height, 20);
  const colors = Buffer.alloc(width * height * 4), mask = Buffer.alloc(maskRow * height);
  for (let y = 0; y < height; y += 1) {
    for (let x = 0; x < width; x += 1) {
      const from = (y * width + x) * 4, to = ((height - 1 - y) * width + x) * 4;
      colors.set([rgba[from + 2], rgba[from + 1], rgba[from], rgba[from + 3]], to);
      if (rgba[from + 3] === 0) mask[(height - 1 - y) * maskRow + (x >> 3)] |= 0x80 >> (x & 7);
    }
  }
  return Buffer.concat([header, colors, mask]);
}

// The .ico file's bytes for the PNG's bytes, with the given sizes.
export function iconFromPng(pngBytes, sizes) {
  const canvas = squareCanvas(decodePng(pngBytes));
  const images = sizes.map((side) => {
    const image = side === CANVAS ? canvas : resize(canvas, side, side);
    return { side, data: side >= CANVAS ? encodePng(image) : bitmapEntry(image) };
  });
  const directory = Buffer.alloc(6 + 16 * images.length);
  directory.writeUInt16LE(1, 2);
  directory.writeUInt16LE(images.length, 4);
  let offset = directory.length;
  images.forEach(({ side, data }, index) => {
    const at = 6 + 16 * index;
    directory[at] = side >= 256 ? 0 : side;
    directory[at + 1] = side >= 256 ? 0 : side;
    directory.writeUInt16LE(1, at + 4);
    directory.writeUInt16LE(32, at + 6);
    directory.writeUInt32LE(data.length, at + 8);
    directory.writeUInt32LE(offset, at + 12);
    offset += data.length;
  });
  return Buffer.concat([directory, ...images.map((image) => image.data)]);
}
