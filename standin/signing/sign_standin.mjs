// A signing command for the tests: node sign_standin.mjs LOG FILE gives FILE a
// certificate table holding a marker instead of a real signature, and adds a
// line to LOG, so a test can tell the command ran on the file it received.
import fs from 'node:fs';

export const MARKER = 'quorrin signing stand-in';
const CERTIFICATE_DIRECTORY = 4;

// Where the PE optional header's certificate entry lies.
export function certificateEntry(image) {
  const optional = image.readUInt32LE(0x3c) + 24;
  const directories = optional + (image.readUInt16LE(optional) === 0x20b ? 112 : 96);
  return directories + CERTIFICATE_DIRECTORY * 8;
}

function sign(file) {
  let image = fs.readFileSync(file);
  image = Buffer.concat([image, Buffer.alloc((8 - (image.length % 8)) % 8)]);
  const body = Buffer.from(MARKER.padEnd(32, ' '));
  const certificate = Buffer.alloc(8 + body.length);
  certificate.writeUInt32LE(certificate.length, 0);
  certificate.writeUInt16LE(0x0200, 4); // WIN_CERT_REVISION_2_0
  certificate.writeUInt16LE(0x0002, 6); // WIN_CERT_TYPE_PKCS_SIGNED_DATA
  body.copy(certificate, 8);
  const entry = certificateEntry(image);
  image.writeUInt32LE(image.length, entry);
  image.writeUInt32LE(certificate.length, entry + 4);
  fs.writeFileSync(file, Buffer.concat([image, certificate]));
}

if (process.argv[1]?.endsWith('sign_standin.mjs')) {
  const [log, file] = process.argv.slice(2);
  sign(file);
  fs.appendFileSync(log, `signed ${fs.statSync(file).size}\n`);
}
