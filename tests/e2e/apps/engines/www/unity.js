// What Unity's loader does with a compressed build once the server has decoded it.
const hex = (buffer) => [...new Uint8Array(buffer)].map((b) => b.toString(16).padStart(2, '0')).join('');
const digest = async (name) => hex(await crypto.subtle.digest('SHA-256', await (await fetch(name)).arrayBuffer()));
(async () => {
  const expected = await (await fetch('expected.json')).json();
  const { instance } = await WebAssembly.instantiateStreaming(fetch('Build/game.wasm.br'));
  const result = {
    framework: typeof unityFramework === 'function' ? unityFramework(instance.exports) : 'missing',
    data: (await digest('Build/game.data.br')) === expected.data,
    oldData: (await digest('Build/old.data.gz')) === expected.oldData,
    raw: (await digest('Build/raw.bin.gz')) === expected.raw,
    spaced: (await fetch(expected.spaced)).status,
  };
  document.getElementById('result').textContent = JSON.stringify(result);
})().catch((error) => { document.getElementById('result').textContent = `failed: ${error}`; })
  .finally(() => { document.body.dataset.ready = 'true'; });
