// Turns the engine's PNG frames into what changed since the frame before: the
// smallest rectangle holding every changed pixel, as raw BGRA rows. The window
// then copies pixels rather than decoding images. Rows whose compressed form is
// unchanged are skipped without being unfiltered.
import zlib from 'node:zlib';

const SIGNATURE_LENGTH = 8;

function readPng(png) {
  let width = 0, height = 0, channels = 0;
  const data = [];
  for (let at = SIGNATURE_LENGTH; at < png.length;) {
    const length = png.readUInt32BE(at);
    const type = png.toString('latin1', at + 4, at + 8);
    const body = png.subarray(at + 8, at + 8 + length);
    if (type === 'IHDR') {
      width = body.readUInt32BE(0);
      height = body.readUInt32BE(4);
      if (body[8] !== 8 || body[12] !== 0 || (body[9] !== 2 && body[9] !== 6))
        throw new Error('only 8-bit, non-interlaced RGB and RGBA frames are expected');
      channels = body[9] === 6 ? 4 : 3;
    } else if (type === 'IDAT') {
      data.push(body);
    }
    at += length + 12;
  }
  return { width, height, channels, filtered: zlib.inflateSync(Buffer.concat(data)) };
}

function paeth(left, up, upLeft) {
  const p = left + up - upLeft;
  const pa = Math.abs(p - left), pb = Math.abs(p - up), pc = Math.abs(p - upLeft);
  return pa <= pb && pa <= pc ? left : pb <= pc ? up : upLeft;
}

// Undoes one row's PNG filter into `out`, given the row above (already
// unfiltered; null for the first row). One loop per filter type: this runs for
// every changed row of every frame.
function unfilter(type, line, above, out, bpp) {
  const n = line.length;
  if (type === 0) {
    line.copy(out);
  } else if (type === 1) {
    for (let i = 0; i < n; i++) out[i] = (line[i] + (i >= bpp ? out[i - bpp] : 0)) & 0xff;
  } else if (type === 2) {
    if (!above) line.copy(out);
    else for (let i = 0; i < n; i++) out[i] = (line[i] + above[i]) & 0xff;
  } else if (type === 3) {
    for (let i = 0; i < n; i++)
      out[i] = (line[i] + (((i >= bpp ? out[i - bpp] : 0) + (above ? above[i] : 0)) >> 1)) & 0xff;
  } else {
    for (let i = 0; i < n; i++) {
      const left = i >= bpp ? out[i - bpp] : 0;
      const up = above ? above[i] : 0;
      const upLeft = above && i >= bpp ? above[i - bpp] : 0;
      out[i] = (line[i] + paeth(left, up, upLeft)) & 0xff;
    }
  }
}

export class FrameDelta {
  constructor() {
    this.width = 0;
    this.height = 0;
    this.raw = null; // the current frame, unfiltered, in the PNG's channel order
    this.filtered = null; // the current frame as the PNG stored it
  }

  // The change a PNG frame makes: {x, y, width, height, frameWidth, frameHeight,
  // bgra}, or null when no pixel changed.
  apply(png) {
    const { width, height, channels, filtered } = readPng(png);
    const resized = width !== this.width || height !== this.height || channels !== this.channels;
    if (resized) {
      Object.assign(this, { width, height, channels, raw: Buffer.alloc(width * height * channels),
        filtered: null });
    }
    const rowBytes = width * channels;
    const stride = rowBytes + 1;
    const row = Buffer.alloc(rowBytes);
    let left = width, right = -1, top = height, bottom = -1;
    let aboveChanged = false;
    for (let y = 0; y < height; y++) {
      const start = y * stride;
      const type = filtered[start];
      const sameBytes = !resized && filtered.compare(this.filtered, start, start + stride, start, start + stride) === 0;
      if (sameBytes && (!aboveChanged || type <= 1)) {
        aboveChanged = false;
        continue;
      }
      const above = y > 0 ? this.raw.subarray((y - 1) * rowBytes, y * rowBytes) : null;
      unfilter(type, filtered.subarray(start + 1, start + stride), above, row, channels);
      const current = this.raw.subarray(y * rowBytes, (y + 1) * rowBytes);
      let first = 0, last = rowBytes - 1;
      if (!resized) {
        while (first < rowBytes && row[first] === current[first]) first++;
        while (last > first && row[last] === current[last]) last--;
      }
      aboveChanged = first < rowBytes;
      if (!aboveChanged) continue;
      row.copy(current);
      left = Math.min(left, Math.floor(first / channels));
      right = Math.max(right, Math.floor(last / channels));
      top = Math.min(top, y);
      bottom = y;
    }
    this.filtered = filtered;
    if (right < 0) return null;
    return { x: left, y: top, width: right - left + 1, height: bottom - top + 1, frameWidth: width,
      frameHeight: height, bgra: this.bgra(left, top, right - left + 1, bottom - top + 1) };
  }

  // A rectangle of the current frame as BGRA rows, top row first.
  bgra(x, y, width, height) {
    const out = Buffer.alloc(width * height * 4);
    let o = 0;
    for (let row = y; row < y + height; row++) {
      let i = (row * this.width + x) * this.channels;
      for (let column = 0; column < width; column++, i += this.channels, o += 4) {
        out[o] = this.raw[i + 2];
        out[o + 1] = this.raw[i + 1];
        out[o + 2] = this.raw[i];
        out[o + 3] = 255;
      }
    }
    return out;
  }
}
