// The agent link between the stand-in runtime and its agent: one JSON object
// per line, UTF-8, and the runtime the stand-in plays unless a test says otherwise.

// Every interface the host may ask for, and creation that succeeds.
export function configMessage(overrides = {}) {
  return { type: 'config', settings3: true, environment14: true, webview2_2: true,
    webview2_22: true, webview2_23: true, controller2: true, controller3: true, settings6: true,
    environmentResult: 0, controllerResult: 0,
    ...overrides };
}

export function sendLine(socket, message) {
  socket.write(JSON.stringify(message) + '\n');
}

// Linear in a line's length however many pieces it arrives in: each piece is
// searched once, and a line's pieces are joined once. A line that is not JSON is
// reported and skipped.
export function onJsonLines(socket, receive) {
  let pieces = [];
  socket.setEncoding('utf8');
  socket.on('data', (chunk) => {
    let start = 0;
    for (let end; (end = chunk.indexOf('\n', start)) >= 0; start = end + 1) {
      pieces.push(chunk.slice(start, end));
      const line = pieces.join('');
      pieces = [];
      let message;
      try {
        message = JSON.parse(line);
      } catch {
        console.error('agent link: a line that is not JSON:', line.slice(0, 200));
        continue;
      }
      receive(message);
    }
    if (start < chunk.length) pieces.push(chunk.slice(start));
  });
  socket.on('error', () => {}); // a reset ends in 'close' all the same
}
