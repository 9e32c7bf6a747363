// A zip archive of a folder, written in JavaScript: each file deflated with
// node:zlib, names in UTF-8, entries in a stable (sorted) order. No ZIP64: an
// archive or a file of 4 GB or more is refused.
import fs from 'node:fs';
import path from 'node:path';
import zlib from 'node:zlib';

const LIMIT = 0xffffffff;
const UTF8_NAMES = 0x0800;
const DEFLATE = 8;
const STORE = 0;

const CRC_TABLE = Array.from({ length: 256 }, (_, n) => {
  let c = n;
  for (let k = 0; k < 8; k += 1) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
  return c >>> 0;
});

export function crc32(bytes) {
  let crc = 0xffffffff;
  for (const byte of bytes) crc = CRC_TABLE[(crc ^ byte) & 0xff] ^ (crc >>> 8);
  return (crc ^ 0xffffffff) >>> 0;
}

// MS-DOS date and time, local time as zip readers show it (years from 1980).
function dosTime(date) {
  const year = Math.max(date.getFullYear(), 1980);
  return {
    time: (date.getHours() << 11) | (date.getMinutes() << 5) | (date.getSeconds() >> 1),
    date: ((year - 1980) << 9) | ((date.getMonth() + 1) << 5) | date.getDate(),
  };
}

function entriesOf(parent, relative) {
  const full = path.join(parent, relative);
  const entries = [{ name: `${relative}/`, file: full, folder: true }];
  for (const item of fs.readdirSync(full, { withFileTypes: true }).sort((a, b) =>
    (a.name < b.name ? -1 : a.name > b.name ? 1 : 0))) {
    const name = `${relative}/${item.name}`;
    if (item.isDirectory()) entries.push(...entriesOf(parent, name));
    else entries.push({ name, file: path.join(parent, name), folder: false });
  }
  return entries;
}

function localHeader(entry) {
  const name = Buffer.from(entry.name, 'utf8');
  const header = Buffer.alloc(30);
  header.writeUInt32LE(0x04034b50, 0);
  header.writeUInt16LE(20, 4);
  header.writeUInt16LE(UTF8_NAMES, 6);
  header.writeUInt16LE(entry.method, 8);
  header.writeUInt16LE(entry.dos.time, 10);
  header.writeUInt16LE(entry.dos.date, 12);
  header.writeUInt32LE(entry.crc, 14);
  header.writeUInt32LE(entry.compressedSize, 18);
  header.writeUInt32LE(entry.size, 22);
  header.writeUInt16LE(name.length, 26);
  return Buffer.concat([header, name]);
}

function centralHeader(entry) {
  const name = Buffer.from(entry.name, 'utf8');
  const header = Buffer.alloc(46);
  header.writeUInt32LE(0x02014b50, 0);
  header.writeUInt16LE(20, 4); // made by: MS-DOS attributes
  header.writeUInt16LE(20, 6);
  header.writeUInt16LE(UTF8_NAMES, 8);
  header.writeUInt16LE(entry.method, 10);
  header.writeUInt16LE(entry.dos.time, 12);
  header.writeUInt16LE(entry.dos.date, 14);
  header.writeUInt32LE(entry.crc, 16);
  header.writeUInt32LE(entry.compressedSize, 20);
  header.writeUInt32LE(entry.size, 24);
  header.writeUInt16LE(name.length, 28);
  header.writeUInt32LE(entry.folder ? 0x10 : 0x20, 38); // directory or archive attribute
  header.writeUInt32LE(entry.offset, 42);
  return Buffer.concat([header, name]);
}

// Writes zipFile holding parent/folderName and everything below it.
export function zipFolder(parent, folderName, zipFile) {
  const output = fs.openSync(zipFile, 'w');
  let offset = 0;
  const written = [];
  const write = (buffer) => {
    fs.writeSync(output, buffer);
    offset += buffer.length;
    if (offset > LIMIT) throw new Error(`${zipFile}: archives of 4 GB or more are not supported`);
  };
  try {
    for (const entry of entriesOf(parent, folderName)) {
      const content = entry.folder ? Buffer.alloc(0) : fs.readFileSync(entry.file);
      const deflated = entry.folder ? content : zlib.deflateRawSync(content, { level: 9 });
      const stored = deflated.length >= content.length;
      const record = { name: entry.name, folder: entry.folder, offset,
        dos: dosTime(fs.statSync(entry.file).mtime), crc: crc32(content), size: content.length,
        method: stored ? STORE : DEFLATE, compressedSize: stored ? content.length : deflated.length };
      write(localHeader(record));
      write(stored ? content : deflated);
      written.push(record);
    }
    if (written.length > 0xffff) throw new Error(`${zipFile}: more than 65535 entries`);
    const start = offset;
    for (const record of written) write(centralHeader(record));
    const end = Buffer.alloc(22);
    end.writeUInt32LE(0x06054b50, 0);
    end.writeUInt16LE(written.length, 8);
    end.writeUInt16LE(written.length, 10);
    end.writeUInt32LE(offset - start, 12);
    end.writeUInt32LE(start, 16);
    write(end);
  } finally {
    fs.closeSync(output);
  }
}
