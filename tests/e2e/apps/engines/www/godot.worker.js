onmessage = (event) => {
  Atomics.store(new Int32Array(event.data), 0, 7);
  postMessage('stored');
};
