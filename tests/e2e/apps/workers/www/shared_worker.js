onconnect = async ({ ports: [port] }) => {
  const text = await (await fetch('shared.txt')).text();
  port.postMessage(`read "${text.trim()}"`);
};
