// The agent link's line reader on long lines: the time to take one line of
// 16, 64 and 256 MiB arriving in 64 KiB pieces, as a socket hands them over.
// Linear in the line's length: each size takes about four times the one before.
import { EventEmitter } from 'node:events';

import { onJsonLines } from '../../standin/browser-agent/agent_link.mjs';

const PIECE = 64 * 1024;
// QUORRIN_BENCH_SIZE=small (scripts/test): every measurement once, at a size of seconds.
const SMALL = process.env.QUORRIN_BENCH_SIZE === 'small';
console.log('');
console.log('| agent link: one line in 64 KiB pieces | ms | ns per byte |');
console.log('|---|---:|---:|');
for (const mib of SMALL ? [1] : [16, 64, 256]) {
  const socket = Object.assign(new EventEmitter(), { setEncoding() {} });
  let received = null;
  onJsonLines(socket, (message) => { received = message; });
  const line = `{"data":"${'A'.repeat(mib * 1048576 - 12)}"}\n`;
  const start = process.hrtime.bigint();
  for (let at = 0; at < line.length; at += PIECE) socket.emit('data', line.slice(at, at + PIECE));
  const nanoseconds = Number(process.hrtime.bigint() - start);
  if (received?.data.length !== mib * 1048576 - 12) throw new Error('the line did not arrive whole');
  console.log(`| ${mib} MiB | ${(nanoseconds / 1e6).toFixed(0)} | ${(nanoseconds / (mib * 1048576)).toFixed(2)} |`);
}
