// Signs one file in place for makensis's !uninstfinalize, which hands over the
// uninstaller it has just written: node sign-file.mjs FILE. The signing
// settings come in QUORRIN_SIGN_SETTINGS (JSON, without the password).
import { PackagingError } from './lib/checks.mjs';
import { signFile } from './lib/signing.mjs';

try {
  signFile(JSON.parse(process.env.QUORRIN_SIGN_SETTINGS), process.argv[2]);
} catch (error) {
  if (!(error instanceof PackagingError)) throw error;
  console.error(`Cannot sign the uninstaller: ${error.message}`);
  process.exit(1);
}
