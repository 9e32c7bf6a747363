// The surface test application (tests/e2e/apps/surface) started in Quorrin's
// window, with its handle and a wait for its coloured block in a capture.
import { waitFor } from '../../scenarios/lib/host.mjs';
import { captureUntil, findColour } from './window_driver.mjs';

export const CRIMSON = [220, 20, 60];
export const TEAL = [0, 128, 128];

// start: the file's appsOfThisFile().
export async function startSurface(start, options = {}) {
  const app = await start('surface', { testApp: true, ...options });
  await waitFor(() => app.session.screen.painted.length > 0, 'the first frame painted');
  app.handle = (await app.windows()).main.handle;
  app.blockAt = (expected, colour = CRIMSON) => {
    let last = null;
    return captureUntil(app.handle, app.folder, (image) => {
      last = findColour(image, colour, 8);
      return last && JSON.stringify(last) === JSON.stringify(expected) && { image, found: last };
    }, `the block at ${JSON.stringify(expected)}`).catch((error) => {
      throw new Error(`${error.message}; last seen at ${JSON.stringify(last)}`);
    });
  };
  app.evaluate = (script, arg) => app.page.evaluate(script, arg);
  return app;
}
