// PNG images in JavaScript: decoding every standard colour type, bit depth and
// interlacing into 8-bit RGBA, and encoding RGBA.
import zlib from 'node:zlib';

import { crc32 } from './zip.mjs';

const SIGNATURE = Buffer.from([0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a]);
const CHANNELS = { 0: 1, 2: 3, 3: 1, 4: 2, 6: 4 };
// Adam7 passes: x start, y start, x step, y step.
const PASSES = [[0, 0, 8, 8], [4, 0, 8, 8], [0, 4, 4, 8], [2, 0, 4, 4], [0, 2, 2, 4],
  [1, 0, 2, 2], [0, 1, 1, 2]];
const LARGEST_SIDE = 16384;

function chunks(buffer) {
  if (buffer.length < 8 || !buffer.subarray(0, 8).equals(SIGNATURE)) throw new Error('not a PNG image');
  const found = [];
  for (let at = 8; at + 12 <= buffer.length;) {
    const length = buffer.readUInt32BE(at);
    const type = buffer.toString('latin1', at + 4, at + 8);
    if (at + 12 + length > buffer.length) throw new Error('the PNG image is cut short');
    found.push({ type, data: buffer.subarray(at + 8, at + 8 + length) });
    at += 12 + length;
    if (type === 'IEND') break;
  }
  return found;
}

function paeth(a, b, c) {
  const p = a + b - c;
  const pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
  return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// Undoes the row filters of one pass in place; returns the rows.
function unfilter(data, at, rowBytes, rows, pixelBytes) {
  const out = Buffer.alloc(rowBytes * rows);
  for (let y = 0; y < rows; y += 1) {
    const filter = data[at];
    if (filter > 4 || at + 1 + rowBytes > data.length) throw new Error('the PNG image data is damaged');
    for (let x = 0; x < rowBytes; x += 1) {
      const raw = data[at + 1 + x];
      const left = x >= pixelBytes ? out[y * rowBytes + x - pixelBytes] : 0;
      const up = y > 0 ? out[(y - 1) * rowBytes + x] : 0;
      const upLeft = y > 0 && x >= pixelBytes ? out[(y - 1) * rowBytes + x - pixelBytes] : 0;
      const predictor = [0, left, up, (left + up) >> 1, paeth(left, up, upLeft)][filter];
      out[y * rowBytes + x] = (raw + predictor) & 0xff;
    }
    at += 1 + rowBytes;
  }
  return { rows: out, next: at };
}

// One sample of a row as stored (up to 16 bits).
function sample(row, index, depth) {
  if (depth === 8) return row[index];
  if (depth === 16) return (row[index * 2] << 8) | row[index * 2 + 1];
  const perByte = 8 / depth;
  const value = (row[Math.floor(index / perByte)] >> (8 - depth * (index % perByte + 1))) &
    ((1 << depth) - 1);
  return value;
}

function decodePixels(header, palette, transparency, data) {
  const { width, height, depth, colorType, interlace } = header;
  const channels = CHANNELS[colorType];
  const rgba = new Uint8Array(width * height * 4);
  const pixelBytes = Math.max(1, (channels * depth) >> 3);
  // Samples to 8 bits: rounded, as image tools read them.
  const scale = colorType === 3 ? 1 : 255 / ((1 << depth) - 1);
  const to8 = (value) => Math.round(value * scale);
  const passes = interlace ? PASSES : [[0, 0, 1, 1]];
  let at = 0;
  for (const [x0, y0, dx, dy] of passes) {
    const columns = Math.ceil((width - x0) / dx), rows = Math.ceil((height - y0) / dy);
    if (columns <= 0 || rows <= 0) continue;
    const rowBytes = Math.ceil((columns * channels * depth) / 8);
    const pass = unfilter(data, at, rowBytes, rows, pixelBytes);
    at = pass.next;
    for (let r = 0; r < rows; r += 1) {
      const row = pass.rows.subarray(r * rowBytes, (r + 1) * rowBytes);
      for (let c = 0; c < columns; c += 1) {
        const s = (k) => sample(row, c * channels + k, depth);
        let pixel;
        if (colorType === 3) {
          const index = s(0);
          pixel = [...(palette[index] ?? [0, 0, 0]), transparency?.[index] ?? 255];
        } else if (colorType === 0 || colorType === 4) {
          const gray = to8(s(0));
          const alpha = colorType === 4 ? to8(s(1))
            : transparency !== null && transparency === s(0) ? 0 : 255;
          pixel = [gray, gray, gray, alpha];
        } else {
          const color = [s(0), s(1), s(2)];
          const alpha = colorType === 6 ? to8(s(3))
            : transparency?.every((value, k) => value === color[k]) ? 0 : 255;
          pixel = [...color.map(to8), alpha];
        }
        rgba.set(pixel, ((y0 + r * dy) * width + x0 + c * dx) * 4);
      }
    }
  }
  return rgba;
}

// The transparent colour of a PNG without alpha, compared with samples as stored.
function transparencyOf(colorType, depth, data) {
  if (!data) return null;
  if (colorType === 3) return [...data];
  const values = [];
  for (let at = 0; at + 1 < data.length; at += 2) values.push(data.readUInt16BE(at));
  return colorType === 0 ? values[0] : values;
}

// { width, height, rgba } from a PNG file's bytes; throws a readable Error.
export function decodePng(buffer) {
  const found = chunks(buffer);
  const head = found.find((chunk) => chunk.type === 'IHDR')?.data;
  if (!head || head.length < 13) throw new Error('the PNG image has no header');
  const header = { width: head.readUInt32BE(0), height: head.readUInt32BE(4), depth: head[8],
    colorType: head[9], interlace: head[12] };
  if (!CHANNELS[header.colorType] || ![1, 2, 4, 8, 16].includes(header.depth)) {
    throw new Error('the PNG image has an unknown colour type or bit depth');
  }
  if (header.width < 1 || header.height < 1 || header.width > LARGEST_SIDE ||
    header.height > LARGEST_SIDE) {
    throw new Error(`the PNG image is ${header.width}x${header.height}; sides of 1 to ${LARGEST_SIDE} pixels are read`);
  }
  const paletteData = found.find((chunk) => chunk.type === 'PLTE')?.data ?? Buffer.alloc(0);
  const palette = [];
  for (let at = 0; at + 2 < paletteData.length; at += 3) palette.push([...paletteData.subarray(at, at + 3)]);
  const transparency = transparencyOf(header.colorType, header.depth,
    found.find((chunk) => chunk.type === 'tRNS')?.data);
  let data;
  try {
    data = zlib.inflateSync(Buffer.concat(found.filter((chunk) => chunk.type === 'IDAT')
      .map((chunk) => chunk.data)));
  } catch {
    throw new Error('the PNG image data cannot be decompressed');
  }
  return { width: header.width, height: header.height,
    rgba: decodePixels(header, palette, transparency, data) };
}

function chunk(type, data) {
  const typeAndData = Buffer.concat([Buffer.from(type, 'latin1'), data]);
  const length = Buffer.alloc(4);
  length.writeUInt32BE(data.length);
  const crc = Buffer.alloc(4);
  crc.writeUInt32BE(crc32(typeAndData));
  return Buffer.concat([length, typeAndData, crc]);
}

// An 8-bit RGBA PNG of the image.
export function encodePng({ width, height, rgba }) {
  const header = Buffer.alloc(13);
  header.writeUInt32BE(width, 0);
  header.writeUInt32BE(height, 4);
  header.set([8, 6, 0, 0, 0], 8);
  const raw = Buffer.alloc((width * 4 + 1) * height);
  for (let y = 0; y < height; y += 1) {
    raw.set(rgba.subarray(y * width * 4, (y + 1) * width * 4), y * (width * 4 + 1) + 1);
  }
  return Buffer.concat([SIGNATURE, chunk('IHDR', header), chunk('IDAT', zlib.deflateSync(raw)),
    chunk('IEND', Buffer.alloc(0))]);
}
