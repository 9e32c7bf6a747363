#include "pads/pad_script.h"

// Its message listener is the page's first, being added before any page
// script runs: it stops the host's "gamepads" messages there, so the page's
// own chrome.webview listeners never see them.
const char kPadPageScript[] = R"JS((() => {
  const view = window.chrome && window.chrome.webview;
  if (!view || window.top !== window) return;
  const ID = 'Xbox 360 Controller (XInput STANDARD GAMEPAD)';
  const LONGEST_MS = 5000;
  const entries = [null, null, null, null];
  const pads = [null, null, null, null];
  const actuators = [];
  const post = (message) => view.postMessage(JSON.stringify(message));
  const prototypeOf = (name) =>
    typeof window[name] === 'function' ? window[name].prototype : Object.prototype;
  const make = (name, fields) => Object.freeze(Object.create(prototypeOf(name),
    Object.fromEntries(Object.entries(fields).map(([key, value]) => [key, { value, enumerable: true }]))));

  function actuator(index) {
    let playing = null;
    const finish = (result) => {
      if (!playing) return;
      clearTimeout(playing.timer);
      playing.resolve(result);
      playing = null;
    };
    return make('GamepadHapticActuator', {
      type: 'dual-rumble',
      effects: Object.freeze(['dual-rumble']),
      playEffect(type, params) {
        if (type !== 'dual-rumble')
          return Promise.reject(new DOMException(`${type} is not supported`, 'NotSupportedError'));
        const { duration = 0, startDelay = 0, strongMagnitude = 0, weakMagnitude = 0 } = params || {};
        const effect = { duration: +duration, startDelay: +startDelay,
          strongMagnitude: +strongMagnitude, weakMagnitude: +weakMagnitude };
        const valid = Object.values(effect).every((value) => value >= 0 && Number.isFinite(value)) &&
          effect.strongMagnitude <= 1 && effect.weakMagnitude <= 1;
        if (!valid) return Promise.reject(new TypeError('invalid dual-rumble parameters'));
        if (!pads[index]) return Promise.reject(new DOMException('the gamepad is not connected', 'InvalidStateError'));
        effect.startDelay = Math.min(effect.startDelay, LONGEST_MS);
        effect.duration = Math.min(effect.duration, LONGEST_MS - effect.startDelay);
        finish('preempted');
        post({ type: 'gamepad-rumble', index, ...effect });
        return new Promise((resolve) => {
          const timer = setTimeout(() => { playing = null; resolve('complete'); },
            effect.startDelay + effect.duration);
          playing = { resolve, timer };
        });
      },
      reset() {
        finish('preempted');
        post({ type: 'gamepad-rumble', index, duration: 0 });
        return Promise.resolve('complete');
      },
    });
  }

  function gamepad(index, entry, connected, timestamp) {
    actuators[index] = actuators[index] || actuator(index);
    return make('Gamepad', {
      id: ID, index, connected, timestamp, mapping: 'standard',
      axes: Object.freeze(entry.axes.slice()),
      buttons: Object.freeze(entry.buttons.map((value, button) => {
        const pressed = ((entry.pressed >>> button) & 1) === 1;
        return make('GamepadButton', { pressed, touched: pressed || value > 0, value });
      })),
      vibrationActuator: actuators[index],
    });
  }

  function announce(type, pad) {
    const event = new Event(type);
    Object.defineProperty(event, 'gamepad', { value: pad, enumerable: true });
    window.dispatchEvent(event);
  }

  function take(changes) {
    const now = performance.now();
    const events = [];
    for (const entry of changes) {
      const index = entry && entry.index;
      if (!(index >= 0 && index < 4) || index !== (index | 0)) continue;
      const before = pads[index];
      if (entry.connected && Array.isArray(entry.buttons) && Array.isArray(entry.axes)) {
        entries[index] = entry;
        pads[index] = gamepad(index, entry, true, now);
        if (!before) events.push(['gamepadconnected', pads[index]]);
      } else if (before) {
        pads[index] = null;
        events.push(['gamepaddisconnected', gamepad(index, entries[index], false, now)]);
      }
    }
    for (const [type, pad] of events) announce(type, pad);
  }

  view.addEventListener('message', (event) => {
    const data = event.data;
    if (!data || data.type !== 'gamepads' || !Array.isArray(data.pads)) return;
    event.stopImmediatePropagation();
    take(data.pads);
  });
  Object.defineProperty(navigator, 'getGamepads', {
    value: function getGamepads() { return pads.slice(); }, configurable: true, writable: true,
  });
  post({ type: 'gamepads-sync' });
})();
)JS";
