// The one deadline of every wait in the test harnesses: QUORRIN_DEADLINE_MS,
// scaled for steps known to be slower. Waits poll a condition and, at the
// deadline, say what they were waiting for.
export const DEADLINE_MS = Number(process.env.QUORRIN_DEADLINE_MS || 20000);

// How much longer than one ordinary step each slower step may take.
export const SLOWER = {
  browserStart: 2, // Chromium and Playwright starting beside a Wine program
  pageReady: 1.5, // an example's own start-up in the engine
  processExit: 0.5, // a program closed politely before it is killed
};

export function deadline(scale = 1) {
  return Math.round(DEADLINE_MS * scale);
}

// Polls until condition() returns something truthy, which it returns; throws at the deadline.
export async function waitFor(condition, what, timeoutMs = DEADLINE_MS) {
  const started = Date.now();
  for (;;) {
    const value = await condition();
    if (value) return value;
    if (Date.now() - started > timeoutMs) throw new Error(`timed out after ${timeoutMs} ms waiting for ${what}`);
    await new Promise((resolve) => setTimeout(resolve, 20));
  }
}

// The promise's value, or an error naming `what` once timeoutMs has passed.
export function withDeadline(promise, timeoutMs, what) {
  let timer;
  const expired = new Promise((_, reject) => {
    timer = setTimeout(() => reject(new Error(`timed out after ${timeoutMs} ms: ${what}`)), timeoutMs);
  });
  return Promise.race([promise, expired]).finally(() => clearTimeout(timer));
}
