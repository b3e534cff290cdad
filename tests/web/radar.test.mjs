// The radar application in a real headless browser (Chromium, WebGL on
// SwiftShader), driven over the DevTools protocol. Run by scripts/web-test:
//   node --experimental-websocket --test tests/web/radar.test.mjs
// with TESSERA_WEB_SITE (the built site folder) and, for the comparison with
// the desktop, TESSERA_DESKTOP_CAPTURE (a PNG the desktop program wrote with
// the same fake clock, seed and capture time as below).
//
// The page runs on the fake clock: every browser frame is one display refresh
// and 1/60 s of loop time, so frame n shows loop time n/60 s and the arm has
// turned 6n degrees, however fast the browser draws.

import assert from 'node:assert/strict';
import { readFileSync, mkdirSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { after, before, describe, it } from 'node:test';

import { openSitePage } from './browser.mjs';
import { decodePNG, encodePNG } from './png.mjs';

const site = process.env.TESSERA_WEB_SITE ?? new URL('../../build/web/site', import.meta.url).pathname;
const desktopCapture = process.env.TESSERA_DESKTOP_CAPTURE ?? '';
const failures = process.env.TESSERA_WEB_TEST_OUTPUT ?? '';
const kSeed = 7;
const kCaptureAt = 1.5;
// How far the browser's capture may be from the desktop's. Both draw into a
// 16-bit (RGB 565) colour buffer, one step of which is 8 in red and blue and
// 4 in green once read back as 8 bits; the two rasterisers (SwiftShader,
// llvmpipe) round colours into that format differently, so most of the
// radar's pixels are one step apart, and blending the arm's trail can add a
// second. So: every channel within two steps (17) except at a few edge
// pixels of the turned arm (at most 0.1% of the picture), and a mean
// difference of at most 4.
const kChannelTolerance = 17;
const kOutlierShare = 0.001;
const kMeanTolerance = 4;

// [SECTION] Pictures: pixels in screen points, origin bottom left

function pixel(frame, x, y) {
  const at = ((frame.height - 1 - y) * frame.width + x) * 4;
  return { r: frame.rgba[at], g: frame.rgba[at + 1], b: frame.rgba[at + 2] };
}

// Columns of near-white pixels in the box [x0, x1) × [y0, y1).
function whiteColumns(frame, x0, x1, y0, y1) {
  const columns = [];
  for (let x = x0; x < x1; ++x) {
    for (let y = y0; y < y1; ++y) {
      const p = pixel(frame, x, y);
      if (p.r > 180 && p.g > 180 && p.b > 180) {
        columns.push(x);
        break;
      }
    }
  }
  return columns;
}

// Sum of green minus red over a box: how much radar green there is.
function greenness(frame, x0, x1, y0, y1) {
  let sum = 0;
  for (let x = x0; x < x1; ++x) {
    for (let y = y0; y < y1; ++y) {
      const p = pixel(frame, x, y);
      sum += p.g - p.r;
    }
  }
  return sum;
}

// Where the arm points, in degrees clockwise from straight up: the brightest
// spot on a ring around the radar's centre (the arm is a bright line, its
// trail fades behind it).
function armAngle(frame) {
  let best = -1;
  let bestAngle = 0;
  for (let tenth = 0; tenth < 3600; ++tenth) {
    const angle = tenth / 10;
    const radians = (angle * Math.PI) / 180;
    let brightness = 0;
    for (const radius of [60, 70, 80]) {
      const p = pixel(frame, Math.round(240 + radius * Math.sin(radians)), Math.round(160 + radius * Math.cos(radians)));
      brightness += p.g + p.r + p.b;
    }
    if (brightness > best) {
      best = brightness;
      bestAngle = angle;
    }
  }
  return bestAngle;
}

function angleBetween(from, to) {
  return (((to - from) % 360) + 360) % 360;
}

function keepPicture(name, frame) {
  if (!failures) return;
  mkdirSync(failures, { recursive: true });
  writeFileSync(join(failures, name), encodePNG(frame));
}

// [SECTION] The page

// The state and the frame, read in one go (no browser frame in between).
async function snapshot(page) {
  const result = await page.evaluate(`(() => {
    const state = Module.tessera.state();
    const frame = Module.tessera.capture();
    if (!frame) return { state, frame: null };
    let text = '';
    for (let i = 0; i < frame.rgba.length; i += 0x8000) {
      text += String.fromCharCode.apply(null, frame.rgba.subarray(i, i + 0x8000));
    }
    return { state, frame: { width: frame.width, height: frame.height, rgba: btoa(text) } };
  })()`);
  if (result.frame) result.frame.rgba = new Uint8Array(Buffer.from(result.frame.rgba, 'base64'));
  return result;
}

async function waitForPresents(page, count) {
  return page.waitFor(`Module.tessera.started && Module.tessera.state().presents >= ${count}`, {
    what: `${count} frames`,
  });
}

// Hides or shows the page as switching browser tabs does: the document's
// visibility changes and the page hears "visibilitychange". Headless
// Chromium has no second tab to switch to, so the document says so itself.
async function setHidden(page, hidden) {
  await page.evaluate(`(() => {
    Object.defineProperty(document, 'hidden', { configurable: true, get: () => ${hidden} });
    Object.defineProperty(document, 'visibilityState', { configurable: true, get: () => '${hidden ? 'hidden' : 'visible'}' });
    document.dispatchEvent(new Event('visibilitychange'));
  })()`);
}

// [SECTION] Tests

describe('the radar application in a browser', () => {
  let opened;
  let page;

  before(async () => {
    opened = await openSitePage(site, `umbrascope/index.html?TESSERA_FAKE_CLOCK=1&TESSERA_SEED=${kSeed}`);
    page = opened.page;
    await waitForPresents(page, 1);
  });

  after(async () => {
    await opened?.close();
  });

  it('draws its first frames: title, readouts, arm, pad and banner', async () => {
    await waitForPresents(page, 90);
    const { state, frame } = await snapshot(page);
    assert.equal(state.state, 'active');
    assert.equal(frame.width, 480);
    assert.equal(frame.height, 320);
    keepPicture('first-frames.png', frame);

    // The title straddles x = 240 at y = 300; the readout columns stand at
    // x = 50, the instruction at (90, 60).
    const title = whiteColumns(frame, 160, 320, 292, 309);
    assert.ok(title.length > 0, 'no title');
    assert.ok(Math.abs((title[0] + title.at(-1)) / 2 - 240) <= 3, `title centred at ${(title[0] + title.at(-1)) / 2}`);
    assert.ok(title.at(-1) - title[0] > 40, 'title too narrow');
    assert.ok(whiteColumns(frame, 20, 80, 285, 296).length > 0, 'no upper readouts');
    assert.ok(whiteColumns(frame, 20, 80, 135, 146).length > 0, 'no middle readouts');
    assert.ok(whiteColumns(frame, 20, 160, 45, 75).length > 0, 'no instruction');
    // The finger pad's green frame surrounds (140, 100); the radar disc is green.
    assert.ok(greenness(frame, 118, 162, 74, 126) > 44 * 52 * 20, 'no finger pad');
    assert.ok(greenness(frame, 160, 320, 80, 240) > 160 * 160 * 20, 'no radar');
    // The house ad's banner runs along the bottom edge, over the drawing:
    // bright green lettering across most of it.
    let lettered = 0;
    for (let x = 0; x < 480; ++x) {
      for (let y = 4; y < 28; ++y) {
        const p = pixel(frame, x, y);
        if (p.g > 150 && p.r < 120) {
          ++lettered;
          break;
        }
      }
    }
    assert.ok(lettered > 100, `no banner (${lettered} lettered columns)`);
  });

  it('turns the arm 6 degrees a frame between two read-backs', async () => {
    const first = await snapshot(page);
    await waitForPresents(page, first.state.presents + 7);
    const second = await snapshot(page);
    keepPicture('arm-first.png', first.frame);
    keepPicture('arm-second.png', second.frame);
    const frames = second.state.presents - first.state.presents;
    assert.ok(frames > 0);
    const expected = (frames * 6) % 360;
    const turned = angleBetween(armAngle(first.frame), armAngle(second.frame));
    assert.ok(Math.abs(turned - expected) <= 4, `the arm turned ${turned}° in ${frames} frames, not ${expected}°`);
  });

  it('hands a click on the finger pad to the GL view as a touch', async () => {
    // The pad is at (140, 100) in points from the bottom left: (140, 220)
    // from the canvas's top left.
    const box = await page.evaluate(`(() => {
      const r = Module.canvas.getBoundingClientRect();
      return { left: r.left, top: r.top, width: r.width, height: r.height };
    })()`);
    assert.equal(box.width, 480);
    await page.click(box.left + 140, box.top + 220);
    const touches = await page.waitFor(
      `(() => { const t = Module.tessera.state().touches; return t.some(e => e.phase === 'ended') && t; })()`,
      { what: 'the touch to end' },
    );
    const began = touches.find((touch) => touch.phase === 'began');
    const ended = touches.find((touch) => touch.phase === 'ended');
    assert.ok(began && ended, JSON.stringify(touches));
    assert.equal(began.view, 'EAGLView');
    assert.ok(Math.abs(began.x - 140) <= 1 && Math.abs(began.y - 220) <= 1, JSON.stringify(began));
  });

  it('stops the director while the tab is hidden and resumes when it is shown', async () => {
    await setHidden(page, true);
    const hidden = await page.waitFor(`(() => { const s = Module.tessera.state(); return s.state === 'background' && s; })()`, {
      what: 'the background state',
    });
    // The browser still runs its frames; the director draws none of them.
    await new Promise((resolve) => setTimeout(resolve, 500));
    const later = await page.evaluate('Module.tessera.state()');
    assert.equal(later.state, 'background');
    assert.ok(later.presents <= hidden.presents + 1, `${later.presents - hidden.presents} frames drawn while hidden`);

    await setHidden(page, false);
    await page.waitFor(`Module.tessera.state().state === 'active'`, { what: 'the active state' });
    await waitForPresents(page, later.presents + 10);
  });
});

describe('the radar screen in a browser and on the desktop', { skip: !desktopCapture && 'TESSERA_DESKTOP_CAPTURE not set' }, () => {
  it(`captures the same picture at ${kCaptureAt} s on the fake clock`, async () => {
    const opened = await openSitePage(
      site,
      `umbrascope/index.html?TESSERA_FAKE_CLOCK=1&TESSERA_SEED=${kSeed}` +
        `&TESSERA_CAPTURE=/capture.png&TESSERA_CAPTURE_AT=${kCaptureAt}`,
    );
    try {
      const { page } = opened;
      await page.waitFor(`Module.tessera && Module.tessera.log.some(line => line.includes('wrote /capture.png'))`, {
        what: 'the capture',
      });
      const text = await page.evaluate(`(() => {
        const bytes = Module.FS.readFile('/capture.png');
        let text = '';
        for (let i = 0; i < bytes.length; i += 0x8000) text += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
        return btoa(text);
      })()`);
      const web = decodePNG(Buffer.from(text, 'base64'));
      const desktop = decodePNG(readFileSync(desktopCapture));
      keepPicture('compare-web.png', web);
      keepPicture('compare-desktop.png', desktop);
      assert.equal(web.width, desktop.width);
      assert.equal(web.height, desktop.height);

      const pixels = web.width * web.height;
      let differing = 0;
      let outliers = 0;
      let largest = 0;
      let total = 0;
      const difference = new Uint8Array(web.rgba.length);
      for (let i = 0; i < web.rgba.length; i += 4) {
        let most = 0;
        for (let c = 0; c < 3; ++c) most = Math.max(most, Math.abs(web.rgba[i + c] - desktop.rgba[i + c]));
        if (most > 0) ++differing;
        if (most > kChannelTolerance) ++outliers;
        largest = Math.max(largest, most);
        total += most;
        difference[i] = difference[i + 1] = difference[i + 2] = Math.min(255, most * 8);
        difference[i + 3] = 255;
      }
      keepPicture('compare-difference.png', { width: web.width, height: web.height, rgba: difference });
      const mean = total / pixels;
      const summary =
        `${differing} of ${pixels} pixels differ, ${outliers} by more than ${kChannelTolerance}, ` +
        `largest ${largest}, mean ${mean.toFixed(2)}`;
      console.log(`web capture vs desktop capture: ${summary}`);
      assert.ok(outliers <= pixels * kOutlierShare, summary);
      assert.ok(mean <= kMeanTolerance, summary);
    } finally {
      await opened.close();
    }
  });
});
