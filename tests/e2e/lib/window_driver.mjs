// Looks at and types into Quorrin's window from the Windows side with
// window_driver.exe: captures of the client area, clicks, the wheel, keys and text.
import { execFile } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { promisify } from 'node:util';

import { binFolder, deadline, waitFor, windowsPath, wineExec } from '../../scenarios/lib/host.mjs';

const run = promisify(execFile);

// Runs window_driver commands against a window handle; resolves with its output.
// The driver ends itself at the deadline of a wait inside it; it is killed (by
// its own process id) only if it outlives twice that.
export async function drive(handle, ...commands) {
  const { stdout } = await run(wineExec, [path.join(binFolder, 'window_driver.exe'), String(handle),
    ...commands], { encoding: 'utf8', timeout: deadline(2), killSignal: 'SIGKILL' });
  return stdout;
}

// The client area as {width, height, at(x, y) → [r, g, b]}.
export async function capture(handle, folder) {
  const file = path.join(folder, `capture-${process.hrtime.bigint()}.bmp`);
  await drive(handle, `capture ${windowsPath(file)}`);
  const bytes = fs.readFileSync(file);
  fs.rmSync(file);
  const offset = bytes.readUInt32LE(10);
  const width = bytes.readInt32LE(18);
  const height = Math.abs(bytes.readInt32LE(22));
  const at = (x, y) => {
    const i = offset + (y * width + x) * 4;
    return [bytes[i + 2], bytes[i + 1], bytes[i]];
  };
  return { width, height, at };
}

const near = (a, b, tolerance) => a.every((value, i) => Math.abs(value - b[i]) <= tolerance);

// The bounding box of the pixels close to `colour`, or null when there are none.
export function findColour(image, colour, tolerance = 24) {
  let left = Infinity, top = Infinity, right = -1, bottom = -1;
  for (let y = 0; y < image.height; y++)
    for (let x = 0; x < image.width; x++)
      if (near(image.at(x, y), colour, tolerance)) {
        left = Math.min(left, x); top = Math.min(top, y);
        right = Math.max(right, x); bottom = Math.max(bottom, y);
      }
  return right < 0 ? null : { left, top, width: right - left + 1, height: bottom - top + 1 };
}

// Captures until `accept(image)` returns something truthy, which it returns.
export function captureUntil(handle, folder, accept, what) {
  return waitFor(async () => accept(await capture(handle, folder)), what);
}
