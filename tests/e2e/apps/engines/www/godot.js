// What a Godot 4 export with threads needs of the page: cross-origin isolation,
// shared memory with a dedicated worker, and an audio worklet module.
(async () => {
  const result = { isolated: self.crossOriginIsolated, shared: typeof SharedArrayBuffer === 'function' };
  const memory = new SharedArrayBuffer(4);
  const worker = new Worker('godot.worker.js');
  result.worker = await new Promise((resolve) => {
    worker.onmessage = () => resolve(Atomics.load(new Int32Array(memory), 0));
    worker.onerror = (event) => resolve(`error: ${event.message}`);
    worker.postMessage(memory);
  });
  const context = new AudioContext();
  await context.audioWorklet.addModule('godot.audio.worklet.js');
  new AudioWorkletNode(context, 'godot-processor');
  result.worklet = 'registered';
  document.getElementById('result').textContent = JSON.stringify(result);
})().catch((error) => { document.getElementById('result').textContent = `failed: ${error}`; })
  .finally(() => { document.body.dataset.ready = 'true'; });
