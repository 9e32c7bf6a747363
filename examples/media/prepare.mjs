// Writes www/tone.wav: a minute of a slowly rising tone (22,050 Hz, 16-bit mono,
// about 2.6 MB). Generated rather than committed; scripts/run and the tests run
// this before they lay the example out.
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const target = path.join(path.dirname(fileURLToPath(import.meta.url)), 'www/tone.wav');
const rate = 22050, seconds = 60, samples = rate * seconds;
const wav = Buffer.alloc(44 + samples * 2);
wav.write('RIFF', 0); wav.writeUInt32LE(36 + samples * 2, 4); wav.write('WAVE', 8);
wav.write('fmt ', 12); wav.writeUInt32LE(16, 16); wav.writeUInt16LE(1, 20); wav.writeUInt16LE(1, 22);
wav.writeUInt32LE(rate, 24); wav.writeUInt32LE(rate * 2, 28); wav.writeUInt16LE(2, 32); wav.writeUInt16LE(16, 34);
wav.write('data', 36); wav.writeUInt32LE(samples * 2, 40);
let phase = 0;
for (let i = 0; i < samples; i++) {
  phase += 2 * Math.PI * (220 + 220 * i / samples) / rate;
  wav.writeInt16LE(Math.round(Math.sin(phase) * 8000), 44 + i * 2);
}
if (!fs.existsSync(target) || fs.statSync(target).size !== wav.length) fs.writeFileSync(target, wav);
