// The engine's rendered frames, streamed to the stand-in runtime: the engine
// runs headless and the controller's window paints what it renders. Frames come
// from CDP's screencast (PNG), which produces one only when the page has
// changed; the stand-in gets only the rectangle of changed pixels, raw
// (frame_delta.mjs). A frame is acknowledged (letting the engine send the next)
// while fewer than IN_FLIGHT frames await painting, so frames never queue up.
import { FrameDelta } from './frame_delta.mjs';

const IN_FLIGHT = 3;

export class Screen {
  // cdp: the page's CDP session; socket: the agent link.
  constructor(cdp, socket) {
    this.cdp = cdp;
    this.socket = socket;
    this.streaming = false;
    this.delta = new FrameDelta();
    this.lastSent = 0; // frame ids count up from 1
    this.lastPainted = 0;
    this.heldAck = null;
    this.sentAt = new Map(); // frame id → when it was sent, until painted
    this.painted = []; // {frame, sentAt, paintedAt}: every frame the window painted
    this.paintWaiters = [];
    cdp.on('Page.screencastFrame', (frame) => this.onFrame(frame));
  }

  async start() {
    if (this.streaming) return;
    this.streaming = true;
    // Limits above any window's size: frames keep the engine's device pixels.
    await this.cdp.send('Page.startScreencast', { format: 'png', maxWidth: 8192, maxHeight: 8192,
      everyNthFrame: 1 });
  }

  async stop() {
    if (!this.streaming) return;
    this.streaming = false;
    await this.cdp.send('Page.stopScreencast').catch(() => {});
  }

  onFrame({ data, sessionId }) {
    const acknowledge = () => this.cdp.send('Page.screencastFrameAck', { sessionId }).catch(() => {});
    const change = this.delta.apply(Buffer.from(data, 'base64'));
    if (change) {
      const frame = ++this.lastSent;
      this.sentAt.set(frame, Date.now());
      this.socket.write(JSON.stringify({ type: 'frame', frame, width: change.frameWidth,
        height: change.frameHeight, x: change.x, y: change.y, w: change.width, h: change.height,
        data: change.bgra.toString('base64') }) + '\n');
    }
    if (this.lastSent - this.lastPainted < IN_FLIGHT) acknowledge();
    else this.heldAck = acknowledge;
  }

  // The stand-in's report that the window has painted a frame.
  // A newer frame may have replaced older ones before a paint: those count as done.
  onPainted({ frame }) {
    const sentAt = this.sentAt.get(frame);
    for (const id of this.sentAt.keys()) if (id <= frame) this.sentAt.delete(id);
    this.lastPainted = Math.max(this.lastPainted, frame);
    this.painted.push({ frame, sentAt, paintedAt: Date.now() });
    if (this.heldAck && this.lastSent - this.lastPainted < IN_FLIGHT) {
      this.heldAck();
      this.heldAck = null;
    }
    for (const waiter of this.paintWaiters.splice(0)) waiter();
  }

  // Resolves once the window has painted more than `count` frames.
  paintedMoreThan(count) {
    if (this.painted.length > count) return Promise.resolve(this.painted.length);
    return new Promise((resolve) => this.paintWaiters.push(resolve))
      .then(() => this.paintedMoreThan(count));
  }
}
