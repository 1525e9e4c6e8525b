// The page as a sync editor's client: ?sync=HOST:PORT reaches a scripted editor over WebSocket in Rocket's
// form (the greetings as text messages, each command one binary message): every track asked for, the
// editor's row and pause, a key that changes the picture and whose deletion brings it back pixel for pixel,
// and the rows sent while playing.
import assert from 'node:assert/strict';
import crypto from 'node:crypto';
import http from 'node:http';
import { test } from 'node:test';
import { differing, open, pixels, session } from './browser.mjs';

const ROW_MS = 550 / 8;
const web = session();

// A WebSocket editor on a free port: messages() yields what the page sends, send(text or Buffer) answers.
async function editor() {
  const inbox = [];
  let waiting = null;
  let socket = null;
  const server = http.createServer();
  server.on('upgrade', (req, s) => {
    socket = s;
    const accept = crypto.createHash('sha1')
      .update(req.headers['sec-websocket-key'] + '258EAFA5-E914-47DA-95CA-C5AB0DC85B11').digest('base64');
    s.write('HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n' +
            `Sec-WebSocket-Accept: ${accept}\r\n\r\n`);
    let buffer = Buffer.alloc(0);
    s.on('data', (chunk) => {
      buffer = Buffer.concat([buffer, chunk]);
      // Frames from a browser are masked; none here is long enough for a 64-bit length.
      for (;;) {
        if (buffer.length < 2) return;
        let length = buffer[1] & 0x7f;
        let at = 2;
        if (length === 126) {
          if (buffer.length < 4) return;
          length = buffer.readUInt16BE(2);
          at = 4;
        }
        if (buffer.length < at + 4 + length) return;
        const mask = buffer.subarray(at, at + 4);
        const payload = Buffer.from(buffer.subarray(at + 4, at + 4 + length).map((b, i) => b ^ mask[i % 4]));
        const opcode = buffer[0] & 0x0f;
        buffer = buffer.subarray(at + 4 + length);
        if (opcode === 1 || opcode === 2) inbox.push(opcode === 1 ? payload.toString() : payload);
        if (waiting) waiting();
      }
    });
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  const next = async () => {
    while (!inbox.length) await new Promise((resolve) => { waiting = resolve; });
    return inbox.shift();
  };
  const send = (message) => {
    const text = typeof message === 'string';
    const payload = text ? Buffer.from(message) : message;
    socket.write(Buffer.concat([Buffer.from([text ? 0x81 : 0x82, payload.length]), payload]));
  };
  const close = () => new Promise((resolve) => { socket?.destroy(); server.close(resolve); });
  return { port: server.address().port, next, send, close };
}

const command = (...bytes) => Buffer.from(bytes);
const u32 = (n) => { const b = Buffer.alloc(4); b.writeUInt32BE(n); return [...b]; };
const f32 = (x) => { const b = Buffer.alloc(4); b.writeFloatBE(x); return [...b]; };

test('?sync: an editor over WebSocket keys, seeks and pauses the page, which tells it its rows', async () => {
  const ed = await editor();
  const { page, problems } = await open(web.browser, `${web.server.url}?sync=127.0.0.1:${ed.port}#t=62`);
  try {
    await page.click('#start');
    assert.equal(await ed.next(), 'hello, synctracker!');
    ed.send('hello, demo!');
    const names = [];
    for (;;) {
      const message = await ed.next();
      if (message[0] !== 2) {
        assert.equal(message[0], 3, 'after the tracks, rows');
        break;
      }
      assert.equal(message.readUInt32BE(1), message.length - 5, 'one GET_TRACK a message');
      names.push(message.subarray(5).toString());
    }
    assert.ok(names.length >= 30, names.join(' '));
    const track = names.indexOf('Greetings:background.g');
    assert.ok(track >= 0);

    const row = Math.round(64000 / ROW_MS);
    ed.send(command(4, 1));
    ed.send(command(3, ...u32(row)));
    await page.waitForFunction((t) => window.moriqPlayer.paused && window.moriqPlayer.ms === t,
                               Math.round(row * ROW_MS), { timeout: 60000 });
    const shot = async () => pixels(web.browser, await page.locator('#canvas').screenshot());
    const greener = async (than, more) => {
      for (let tries = 0; tries < 100; tries++) {
        const now = await shot();
        let sum = 0;
        for (let i = 1; i < now.data.length; i += 4) sum += now.data[i] - than.data[i];
        if ((sum / (now.width * now.height) > 40) === more) return now;
      }
      throw new Error('the picture did not follow the key');
    };
    const before = await shot();
    ed.send(command(0, ...u32(track), ...u32(0), ...f32(1.0), 0));
    await greener(before, true);
    ed.send(command(1, ...u32(track), ...u32(0)));
    assert.equal(differing(await greener(before, false), before, 0), 0, 'the key deleted, the picture as before');

    ed.send(command(4, 0));
    let last = row;
    for (let rows = 0; rows < 3;) {
      const message = await ed.next();
      // Rows told before the pause took hold may still be on their way.
      if (message[0] !== 3 || message.readUInt32BE(1) < row) continue;
      assert.ok(message.readUInt32BE(1) >= last, 'rows move on');
      last = message.readUInt32BE(1);
      rows++;
    }
    assert.ok(last > row);
    assert.deepEqual(problems, []);
  } finally {
    await page.close();
    await ed.close();
  }
});
