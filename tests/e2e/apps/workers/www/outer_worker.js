// Starts a worker of its own and passes on what that one fetched.
const inner = new Worker('inner_worker.js');
inner.onmessage = ({ data }) => postMessage(`inner worker read "${data}"`);
