// An RFC 3161 timestamp authority on 127.0.0.1 for the signing tests, answered
// by `openssl ts -reply` with the certificate, key and configuration in FOLDER:
//   node timestamp_server.mjs FOLDER   (prints its port)
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';

const folder = process.argv[2];
const file = (name) => path.join(folder, name);

const server = http.createServer((request, response) => {
  const chunks = [];
  request.on('data', (chunk) => chunks.push(chunk));
  request.on('end', () => {
    fs.writeFileSync(file('query.tsq'), Buffer.concat(chunks));
    try {
      execFileSync('openssl', ['ts', '-reply', '-config', file('tsa.cnf'), '-queryfile',
        file('query.tsq'), '-inkey', file('tsa.key'), '-signer', file('tsa.pem'), '-out',
        file('reply.tsr')], { cwd: folder, stdio: 'ignore' });
      response.writeHead(200, { 'Content-Type': 'application/timestamp-reply' });
      response.end(fs.readFileSync(file('reply.tsr')));
    } catch {
      response.writeHead(400);
      response.end();
    }
  });
});
server.listen(0, '127.0.0.1', () => console.log(server.address().port));
