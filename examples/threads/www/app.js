// Runs the threaded sum (built from src/sum.c into threads.js) once the page is
// cross-origin isolated, and says in the page what happened.
const THREADS = 4;
const COUNT = 4_000_000;
const show = (id, text, kind) => {
  const element = document.getElementById(id);
  element.textContent = text;
  if (kind) element.className = kind;
};

// The sum the threads must find, computed here on one thread.
function expectedSum(count) {
  let sum = 0;
  for (let i = 0; i < count; i++) sum += (Math.imul(i, 2654435761) >>> 0) % 1000;
  return sum;
}

// Sums COUNT values with the given number of threads: {sum, milliseconds, workers}.
window.sumInThreads = (threads, count = COUNT) => {
  const sum = Module._SumInThreads(threads, count);
  return { sum, milliseconds: Module._LastMilliseconds(), workers: Module._LastWorkersUsed() };
};

function run() {
  const result = window.sumInThreads(THREADS);
  const right = result.sum === expectedSum(COUNT);
  show('status', right && result.workers === THREADS
    ? `${THREADS} threads summed ${COUNT.toLocaleString('en')} values: ${result.sum}, correct.`
    : `Wrong: sum ${result.sum}, ${result.workers} of ${THREADS} threads ran on workers.`,
  right && result.workers === THREADS ? 'ok' : 'failed');
  show('timing', `${result.milliseconds.toFixed(1)} ms`);
  document.body.dataset.result = right ? 'correct' : 'wrong';
  document.body.dataset.ready = 'true';
}

show('isolation', `crossOriginIsolated: ${window.crossOriginIsolated}`);
if (typeof SharedArrayBuffer === 'undefined' || !window.crossOriginIsolated) {
  show('status', 'SharedArrayBuffer is unavailable: this page is not cross-origin isolated, '
    + 'so it cannot start threads.', 'failed');
  document.body.dataset.result = 'no-shared-memory';
  document.body.dataset.ready = 'true';
} else {
  window.Module = { onRuntimeInitialized: run };
  const script = document.createElement('script');
  script.src = 'threads.js';
  script.onerror = () => show('status', 'threads.js is missing: build the example first.', 'failed');
  document.head.append(script);
}
