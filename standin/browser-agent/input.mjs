// What a person does in the controller's window, as the stand-in runtime reports
// it, replayed into the engine through CDP's Input domain. Positions arrive in
// the window's pixels; the engine takes CSS pixels (device pixels / scale).
const MOUSE_TYPES = { move: 'mouseMoved', down: 'mousePressed', up: 'mouseReleased', wheel: 'mouseWheel' };

function mouseEvent(message, scale) {
  const event = { type: MOUSE_TYPES[message.action], x: message.x / scale, y: message.y / scale,
    modifiers: message.modifiers || 0, buttons: message.buttons || 0 };
  if (message.action === 'wheel') Object.assign(event, { deltaX: message.deltaX, deltaY: message.deltaY });
  if (message.action === 'move') event.button = 'none';
  if (message.action === 'down' || message.action === 'up')
    Object.assign(event, { button: message.button, clickCount: message.clickCount || 1 });
  return event;
}

function keyEvent(message) {
  if (message.action === 'char')
    return { type: 'char', text: message.text, unmodifiedText: message.text, modifiers: message.modifiers };
  return { type: message.action === 'down' ? 'rawKeyDown' : 'keyUp', windowsVirtualKeyCode: message.vk,
    nativeVirtualKeyCode: message.vk, code: message.code, key: message.key, modifiers: message.modifiers,
    autoRepeat: !!message.repeat, location: message.location, isKeypad: message.location === 3,
    isSystemKey: !!message.system };
}

// Sends one input message on to the engine; calls go out in arrival order.
export function replayInput(cdp, message, scale) {
  const ignore = () => {};
  switch (message.type) {
  case 'mouse': return cdp.send('Input.dispatchMouseEvent', mouseEvent(message, scale)).catch(ignore);
  case 'key': return cdp.send('Input.dispatchKeyEvent', keyEvent(message)).catch(ignore);
  case 'ime':
    if (message.action === 'commit') return cdp.send('Input.insertText', { text: message.text }).catch(ignore);
    return cdp.send('Input.imeSetComposition', { text: message.text, selectionStart: message.text.length,
      selectionEnd: message.text.length }).catch(ignore);
  case 'focus':
    return cdp.send('Emulation.setFocusEmulationEnabled', { enabled: message.focused }).catch(ignore);
  default: return Promise.resolve();
  }
}

export const INPUT_MESSAGES = new Set(['mouse', 'key', 'ime', 'focus']);
