registerProcessor('godot-processor', class extends AudioWorkletProcessor {
  process() { return true; }
});
