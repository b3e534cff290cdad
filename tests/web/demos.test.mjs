// The demo browser in a real headless browser: its page loads, draws the
// first demo, and a key press moves to the next demo through a transition.
// Run by scripts/web-test with TESSERA_WEB_SITE set.

import assert from 'node:assert/strict';
import { after, before, describe, it } from 'node:test';

import { openSitePage } from './browser.mjs';

const site = process.env.TESSERA_WEB_SITE ?? new URL('../../build/web/site', import.meta.url).pathname;

describe('the demo browser in a browser', () => {
  let opened;
  let page;

  before(async () => {
    opened = await openSitePage(site, 'tessera-demos/index.html?TESSERA_FAKE_CLOCK=1');
    page = opened.page;
    await page.waitFor(`Module.tessera.started && Module.tessera.state().presents >= 10`, { what: 'the first frames' });
  });

  after(async () => {
    await opened?.close();
  });

  it('shows the first demo and draws it', async () => {
    const log = await page.evaluate('Module.tessera.log');
    assert.ok(log.some((line) => line.includes('showing 1/11')), log.join('\n'));
    const frame = await page.evaluate(`(() => {
      const f = Module.tessera.capture();
      let lit = 0;
      for (let i = 0; i < f.rgba.length; i += 4) if (f.rgba[i] + f.rgba[i + 1] + f.rgba[i + 2] > 300) ++lit;
      return { width: f.width, height: f.height, lit };
    })()`);
    assert.equal(frame.width, 320);
    assert.equal(frame.height, 480);
    assert.ok(frame.lit > 500, `only ${frame.lit} bright pixels`);
  });

  it('goes to the next demo on the right arrow key', async () => {
    await page.press('ArrowRight', 'ArrowRight', 39);
    await page.waitFor(`Module.tessera.log.some(line => line.includes('showing 2/11'))`, { what: 'the second demo' });
    // Nothing on the way printed an error or warning.
    const log = await page.evaluate('Module.tessera.log');
    assert.deepEqual(log.filter((line) => /error|warning|cannot/i.test(line) && !line.startsWith('WARNING: using emscripten GL')), []);
  });
});
