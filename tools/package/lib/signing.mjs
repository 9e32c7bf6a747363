// Authenticode signing of what packaging produces: with a certificate file
// through Debian's osslsigncode, or with a command of the author's. The
// certificate's password comes only from QUORRIN_SIGN_PASSWORD and reaches the
// tools on their standard input or through their environment, never their
// command line.
import { execFileSync, execSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

import { PackagingError } from './checks.mjs';
import { findOnPath, howToGet } from './tools.mjs';

export const PASSWORD_VARIABLE = 'QUORRIN_SIGN_PASSWORD';
const FILE_PLACEHOLDER = '{file}';
// The PE optional header's data directory of certificates (the fifth entry).
const CERTIFICATE_DIRECTORY = 4;

function toolReason(error) {
  return (error.stderr?.toString() || error.message).trim().split('\n').filter(Boolean)
    .slice(0, 4).join('; ');
}

// Whether a PE file carries an embedded signature (a non-empty certificate table).
export function hasSignature(file) {
  const image = fs.readFileSync(file);
  if (image.length < 0x40 || image.readUInt16LE(0) !== 0x5a4d) return false;
  const header = image.readUInt32LE(0x3c);
  const optional = header + 24;
  if (optional + 2 > image.length) return false;
  const directories = optional + (image.readUInt16LE(optional) === 0x20b ? 112 : 96);
  const entry = directories + CERTIFICATE_DIRECTORY * 8;
  return entry + 8 <= image.length && image.readUInt32LE(entry + 4) > 0;
}

function openssl(args) {
  return execFileSync('openssl', args, { encoding: 'utf8', stdio: ['ignore', 'pipe', 'pipe'] });
}

// The certificate inside the PKCS#12 file, read with the password from the
// environment; OpenSSL 3 needs its legacy provider for files made by older tools.
function certificateOf(pfx) {
  // Unset: a file without a password.
  const password = process.env[PASSWORD_VARIABLE] === undefined ? 'pass:' : `env:${PASSWORD_VARIABLE}`;
  const read = (legacy) => openssl(['pkcs12', '-in', pfx, '-nokeys', '-clcerts',
    '-passin', password, ...(legacy ? ['-legacy'] : [])]);
  try {
    return read(false);
  } catch (error) {
    try {
      return read(true);
    } catch {
      throw new PackagingError(pfx, `the certificate cannot be opened (${toolReason(error)}); ` +
        `check the file and the password in ${PASSWORD_VARIABLE}`);
    }
  }
}

function checkCertificate(pfx) {
  if (!findOnPath('osslsigncode')) {
    throw new PackagingError('--sign-pfx', `signing with a certificate file needs osslsigncode, which is not on PATH: ${howToGet('osslsigncode')}`);
  }
  if (!fs.statSync(pfx, { throwIfNoEntry: false })?.isFile()) {
    throw new PackagingError(pfx, 'the signing certificate does not exist');
  }
  try {
    fs.accessSync(pfx, fs.constants.R_OK);
  } catch {
    throw new PackagingError(pfx, 'the signing certificate cannot be read');
  }
  // Without OpenSSL the certificate is read by osslsigncode alone, when it signs.
  if (!findOnPath('openssl')) return 'unknown (openssl is not on PATH to read it)';
  const certificate = certificateOf(pfx);
  let dates;
  try {
    dates = execFileSync('openssl', ['x509', '-noout', '-enddate', '-checkend', '0'],
      { input: certificate, encoding: 'utf8', stdio: ['pipe', 'pipe', 'pipe'] });
  } catch (error) {
    const end = (error.stdout || '').split('\n')[0].replace('notAfter=', '');
    throw new PackagingError(pfx, end ? `the signing certificate expired on ${end}`
      : `the signing certificate cannot be read (${toolReason(error)})`);
  }
  return dates.split('\n')[0].replace('notAfter=', '');
}

// The signing settings from the command line, checked before anything is built.
// Returns null when nothing is to be signed.
export function signingFrom(options, app) {
  const { 'sign-pfx': pfx, 'sign-command': command, 'timestamp-url': timestamp } = options;
  const extension = options['sign-extension'] ?? false;
  if (pfx && command) throw new PackagingError('--sign-pfx', 'give --sign-pfx or --sign-command, not both');
  if (timestamp && !pfx) {
    throw new PackagingError('--timestamp-url', 'needs --sign-pfx (a signing command timestamps by itself)');
  }
  if (extension && !pfx && !command) {
    throw new PackagingError('--sign-extension', 'needs --sign-pfx or --sign-command');
  }
  if (command !== undefined && !command.includes(FILE_PLACEHOLDER)) {
    throw new PackagingError('--sign-command', `must contain ${FILE_PLACEHOLDER}, where the file to sign goes`);
  }
  if (timestamp !== undefined && !/^https?:\/\/\S+$/u.test(timestamp)) {
    throw new PackagingError('--timestamp-url', `"${timestamp}" is not an http or https address`);
  }
  if (!pfx && !command) return null;
  const signer = { description: app.productName, url: app.homepage, extension };
  if (command) return { ...signer, command };
  return { ...signer, pfx, timestamp, validUntil: checkCertificate(pfx) };
}

function signWithCertificate(signer, file, label) {
  const signed = `${file}.signed`;
  const password = process.env[PASSWORD_VARIABLE] ?? '';
  // osslsigncode reads no empty line: an empty password is no secret to hide.
  const passwordSource = password ? ['-readpass', '-'] : ['-pass', ''];
  const args = ['sign', '-pkcs12', signer.pfx, ...passwordSource, '-h', 'sha256',
    '-n', signer.description, ...(signer.url ? ['-i', signer.url] : []),
    ...(signer.timestamp ? ['-ts', signer.timestamp] : []), '-in', file, '-out', signed];
  try {
    execFileSync('osslsigncode', args,
      { input: password, stdio: ['pipe', 'pipe', 'pipe'] });
  } catch (error) {
    fs.rmSync(signed, { force: true });
    throw new PackagingError(label, `osslsigncode could not sign it (${toolReason(error)})`);
  }
  fs.renameSync(signed, file);
}

// A POSIX shell word holding any text.
function shellQuoted(text) {
  return `'${text.replaceAll("'", "'\\''")}'`;
}

// A path of its own under the temporary folder: the file to sign is copied
// there, so no text of the manifest (the program's name) reaches the command,
// and cmd.exe, which expands %NAME% even inside quotes, sees only this path.
function signingCopyPath(file, label) {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'quorrin-sign-'));
  const extension = path.extname(file);
  const copy = path.join(folder, `file${/^\.[A-Za-z0-9]{1,8}$/u.test(extension) ? extension : ''}`);
  if (process.platform === 'win32' && /[%!"^]/u.test(copy)) {
    fs.rmSync(folder, { recursive: true, force: true });
    throw new PackagingError(label, `the temporary folder ${folder} has a character cmd.exe ` +
      'would read (% ! " ^): set TEMP to a plain folder to sign with a command');
  }
  return copy;
}

function runSigningCommand(signer, file, label) {
  const windows = process.platform === 'win32';
  const line = signer.command.replaceAll(FILE_PLACEHOLDER, windows ? `"${file}"` : shellQuoted(file));
  try {
    if (windows) execSync(line, { stdio: ['ignore', 'pipe', 'pipe'] });
    else execFileSync('/bin/sh', ['-c', line], { stdio: ['ignore', 'pipe', 'pipe'] });
  } catch (error) {
    throw new PackagingError(label, `the signing command failed (${toolReason(error)})`);
  }
  if (!hasSignature(file)) {
    throw new PackagingError(label, 'the signing command succeeded but left the file unsigned');
  }
}

// The command signs the copy in place; the signed copy then replaces the file.
function signWithCommand(signer, file, label) {
  const copy = signingCopyPath(file, label);
  try {
    fs.copyFileSync(file, copy);
    runSigningCommand(signer, copy, label);
    fs.copyFileSync(copy, file);
  } finally {
    fs.rmSync(path.dirname(copy), { recursive: true, force: true });
  }
}

// Signs the file in place; label names it in a refusal (staging folders do not last).
export function signFile(signer, file, label = file) {
  if (signer.command) signWithCommand(signer, file, label);
  else signWithCertificate(signer, file, label);
}
