// The agent link between the stand-in runtime and its agent: one JSON object
// per line, UTF-8, and the runtime the stand-in plays unless a test says otherwise.

// Every interface the host may ask for, and creation that succeeds.
export function configMessage(overrides = {}) {
  return { type: 'config', settings3: true, environment14: true, webview2_2: true,
    webview2_22: true, webview2_23: true, controller2: true, environmentResult: 0, controllerResult: 0,
    ...overrides };
}

export function sendLine(socket, message) {
  socket.write(JSON.stringify(message) + '\n');
}

export function onJsonLines(socket, receive) {
  let buffered = '';
  socket.setEncoding('utf8');
  socket.on('data', (chunk) => {
    buffered += chunk;
    let end;
    while ((end = buffered.indexOf('\n')) >= 0) {
      const line = buffered.slice(0, end);
      buffered = buffered.slice(end + 1);
      receive(JSON.parse(line));
    }
  });
  socket.on('error', () => {}); // a reset ends in 'close' all the same
}
