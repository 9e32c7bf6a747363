// The engine's rendered frames, streamed to the stand-in runtime: the engine
// runs headless and the controller's window paints what it renders. Frames come
// from CDP's screencast (PNG), which produces one only when the page has
// changed; the stand-in gets only the rectangle of changed pixels, raw
// (frame_delta.mjs). A frame is acknowledged (letting the engine send the next)
// while fewer than IN_FLIGHT messages await painting, so frames never queue up.
import { setTimeout as delay } from 'node:timers/promises';

import { FrameDelta } from './frame_delta.mjs';

const IN_FLIGHT = 3;
const BAND_BYTES = 1 << 20;
const SWITCHING_RENDERER = /Not attached to an active page/;
const START_ATTEMPTS = 100;
const START_RETRY_MS = 10;

export class Screen {
  // cdp: the page's CDP session; socket: the agent link.
  constructor(cdp, socket) {
    this.cdp = cdp;
    this.socket = socket;
    this.streaming = false;
    this.starts = 0; // each start's number, so that a stopped one gives up its retries
    this.delta = new FrameDelta();
    this.lastSent = 0; // frame ids count up from 1
    this.lastPainted = 0;
    this.heldAcks = []; // the engine keeps two frames unacknowledged: each must be acknowledged
    this.sentAt = new Map(); // frame id → when it was sent, until painted
    this.painted = []; // {frame, sentAt, paintedAt}: every frame the window painted
    cdp.on('Page.screencastFrame', (frame) => this.onFrame(frame));
  }

  async start() {
    if (this.streaming) return;
    this.streaming = true;
    const run = ++this.starts;
    const stoppedMeanwhile = () => run !== this.starts || !this.streaming;
    for (let attempt = 1; ; attempt++) {
      try {
        // Limits above any window's size: frames keep the engine's device pixels.
        await this.cdp.send('Page.startScreencast', { format: 'png', maxWidth: 8192, maxHeight: 8192,
          everyNthFrame: 1 });
        return;
      } catch (error) {
        if (stoppedMeanwhile()) return;
        // Just after a commit the new document's renderer may not have taken
        // over yet, and the engine refuses for a moment. A page that is closing
        // refuses for good: it has nothing more to show.
        const switching = SWITCHING_RENDERER.test(error.message);
        if (!switching || attempt === START_ATTEMPTS) {
          if (switching) console.error('browser agent: the screencast did not start:', error.message);
          this.streaming = false;
          return;
        }
        await delay(START_RETRY_MS);
        if (stoppedMeanwhile()) return;
      }
    }
  }

  // After a document is committed: the screencast may not follow the engine's
  // switch to a new renderer for it, so it starts anew.
  async restart() {
    if (!this.streaming) return;
    await this.stop();
    await this.start();
  }

  async stop() {
    if (!this.streaming) return;
    this.streaming = false;
    await this.cdp.send('Page.stopScreencast').catch(() => {});
  }

  onFrame({ data, sessionId }) {
    const acknowledge = () => this.cdp.send('Page.screencastFrameAck', { sessionId }).catch(() => {});
    try {
      const change = this.delta.apply(Buffer.from(data, 'base64'));
      if (change) this.send(change);
    } catch (error) {
      console.error('browser agent: a frame could not be read:', error.message);
      this.delta = new FrameDelta(); // the next frame goes whole
    }
    this.heldAcks.push(acknowledge);
    this.releaseAcks();
  }

  releaseAcks() {
    if (this.lastSent - this.lastPainted < IN_FLIGHT)
      for (const acknowledge of this.heldAcks.splice(0)) acknowledge();
  }

  // A change in bands of rows, each one message of at most BAND_BYTES pixels,
  // so that no message holds up the link (a full screen is 16 MB of pixels).
  send({ x, y, width, height, frameWidth, frameHeight, bgra }) {
    const rowBytes = width * 4;
    const rowsPerBand = Math.max(1, Math.floor(BAND_BYTES / rowBytes));
    for (let top = 0; top < height; top += rowsPerBand) {
      const rows = Math.min(rowsPerBand, height - top);
      const frame = ++this.lastSent;
      this.sentAt.set(frame, Date.now());
      this.socket.write(JSON.stringify({ type: 'frame', frame, width: frameWidth, height: frameHeight,
        x, y: y + top, w: width, h: rows,
        data: bgra.subarray(top * rowBytes, (top + rows) * rowBytes).toString('base64') }) + '\n');
    }
  }

  // The stand-in's report that the window has painted a frame; one paint may
  // cover several frames, and then the older ones count as painted too.
  onPainted({ frame }) {
    const sentAt = this.sentAt.get(frame);
    for (const id of this.sentAt.keys()) if (id <= frame) this.sentAt.delete(id);
    this.lastPainted = Math.max(this.lastPainted, frame);
    this.painted.push({ frame, sentAt, paintedAt: Date.now() });
    this.releaseAcks();
  }
}
