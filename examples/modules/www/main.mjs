// A module graph (.mjs), WebAssembly instantiated while it streams in (which
// needs the "application/wasm" type), and fetched JSON.
import { greeting } from './lib/greeting.mjs';

const show = (id, text) => { document.getElementById(id).textContent = text; };
show('greeting', greeting('Quorrin'));

const { instance } = await WebAssembly.instantiateStreaming(fetch('add.wasm'));
show('sum', String(instance.exports.add(2, 40)));

const data = await (await fetch('data.json')).json();
show('levels', data.levels.join(', '));
document.body.dataset.ready = 'true';
