// The agent link's framing: one JSON object per line, UTF-8.
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
