// Drives headless Chromium over its DevTools protocol, with no dependency
// beyond node itself (node 20 needs --experimental-websocket for WebSocket).
//
//   const site = await serveFolder(folder);        // a static server on 127.0.0.1
//   const browser = await launchBrowser();
//   const page = await browser.openPage(site.url + 'index.html');
//   await page.evaluate('1 + 1');                   // 2
//   await browser.close(); site.close();
//
// WebGL runs on SwiftShader: Chromium draws WebGL headless only with
// --headless=new --use-angle=swiftshader --enable-unsafe-swiftshader.

import { spawn } from 'node:child_process';
import { createServer } from 'node:http';
import { mkdtempSync, readFile, rmSync, statSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { extname, join, normalize, sep } from 'node:path';

const kContentTypes = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.mjs': 'text/javascript; charset=utf-8',
  '.wasm': 'application/wasm',
  '.data': 'application/octet-stream',
  '.css': 'text/css; charset=utf-8',
  '.png': 'image/png',
  '.json': 'application/json',
};

// Serves `folder` on 127.0.0.1 at a free port. Only files inside the folder are served.
export function serveFolder(folder) {
  const root = normalize(folder + sep);
  const server = createServer((request, response) => {
    const path = decodeURIComponent(new URL(request.url, 'http://localhost').pathname);
    let file = normalize(join(root, path));
    if (!file.startsWith(root)) {
      response.writeHead(403).end();
      return;
    }
    try {
      if (statSync(file).isDirectory()) file = join(file, 'index.html');
    } catch {
      response.writeHead(404).end();
      return;
    }
    readFile(file, (error, data) => {
      if (error) {
        response.writeHead(404).end();
        return;
      }
      response.writeHead(200, {
        'Content-Type': kContentTypes[extname(file)] ?? 'application/octet-stream',
        'Cache-Control': 'no-store',
      });
      response.end(data);
    });
  });
  return new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(0, '127.0.0.1', () => {
      const { port } = server.address();
      resolve({ url: `http://127.0.0.1:${port}/`, close: () => server.close() });
    });
  });
}

// One DevTools protocol connection (a browser or a page target).
class Session {
  constructor(socket) {
    this.socket = socket;
    this.nextId = 1;
    this.pending = new Map();
    this.listeners = new Map();
    socket.addEventListener('message', (event) => {
      const message = JSON.parse(event.data);
      if (message.id !== undefined) {
        const waiting = this.pending.get(message.id);
        if (!waiting) return;
        this.pending.delete(message.id);
        if (message.error) waiting.reject(new Error(`${waiting.method}: ${message.error.message}`));
        else waiting.resolve(message.result);
      } else {
        for (const listener of this.listeners.get(message.method) ?? []) listener(message.params);
      }
    });
    socket.addEventListener('close', () => {
      for (const waiting of this.pending.values()) waiting.reject(new Error('the browser closed the connection'));
      this.pending.clear();
    });
  }

  static connect(url) {
    return new Promise((resolve, reject) => {
      const socket = new WebSocket(url);
      socket.addEventListener('open', () => resolve(new Session(socket)), { once: true });
      socket.addEventListener('error', () => reject(new Error(`cannot connect to ${url}`)), { once: true });
    });
  }

  send(method, params = {}) {
    const id = this.nextId++;
    return new Promise((resolve, reject) => {
      this.pending.set(id, { resolve, reject, method });
      this.socket.send(JSON.stringify({ id, method, params }));
    });
  }

  on(method, listener) {
    if (!this.listeners.has(method)) this.listeners.set(method, []);
    this.listeners.get(method).push(listener);
  }

  close() {
    this.socket.close();
  }
}

// A page: evaluate expressions, read its console, dispatch input.
class Page {
  constructor(session) {
    this.session = session;
    this.console = [];
    session.on('Runtime.consoleAPICalled', (params) => {
      const text = params.args.map((arg) => arg.value ?? arg.description ?? '').join(' ');
      this.console.push(text);
      if (process.env.TESSERA_WEB_TEST_VERBOSE) console.log(`  [page] ${text}`);
    });
    // The browser's own messages (WebGL errors among them).
    session.on('Log.entryAdded', ({ entry }) => {
      const text = `${entry.source}: ${entry.text}`;
      this.console.push(text);
      if (process.env.TESSERA_WEB_TEST_VERBOSE) console.log(`  [browser] ${text}`);
    });
    session.on('Runtime.exceptionThrown', (params) => {
      const details = params.exceptionDetails;
      const text = `uncaught: ${details.exception?.description ?? details.text}`;
      this.console.push(text);
      if (process.env.TESSERA_WEB_TEST_VERBOSE) console.log(`  [page] ${text}`);
    });
  }

  // The value of `expression` (awaited when it is a promise), as JSON.
  async evaluate(expression) {
    const result = await this.session.send('Runtime.evaluate', {
      expression,
      awaitPromise: true,
      returnByValue: true,
    });
    if (result.exceptionDetails) {
      throw new Error(`page: ${result.exceptionDetails.exception?.description ?? result.exceptionDetails.text}`);
    }
    return result.result.value;
  }

  // Polls `expression` until it is truthy; returns its value. An expression
  // that throws (the page is still loading) counts as not yet.
  async waitFor(expression, { timeout = 30000, interval = 50, what = expression } = {}) {
    const deadline = Date.now() + timeout;
    let lastError = null;
    for (;;) {
      try {
        const value = await this.evaluate(expression);
        if (value) return value;
        lastError = null;
      } catch (error) {
        lastError = error;
      }
      if (Date.now() > deadline) {
        throw new Error(`timed out waiting for ${what}${lastError ? ` (${lastError.message})` : ''}`);
      }
      await new Promise((resolve) => setTimeout(resolve, interval));
    }
  }

  // A real mouse click (press and release) at CSS pixel (x, y) of the page.
  async click(x, y) {
    const base = { x, y, button: 'left', clickCount: 1 };
    await this.session.send('Input.dispatchMouseEvent', { type: 'mouseMoved', x, y });
    await this.session.send('Input.dispatchMouseEvent', { type: 'mousePressed', ...base });
    await this.session.send('Input.dispatchMouseEvent', { type: 'mouseReleased', ...base });
  }

  // A key press and release, as a keyboard sends them (`key` and `code` as
  // the DOM names them, e.g. 'ArrowRight', and the Windows key code, e.g. 39).
  async press(key, code, keyCode) {
    const base = { key, code, windowsVirtualKeyCode: keyCode, nativeVirtualKeyCode: keyCode };
    await this.session.send('Input.dispatchKeyEvent', { type: 'rawKeyDown', ...base });
    await this.session.send('Input.dispatchKeyEvent', { type: 'keyUp', ...base });
  }

  // A PNG screenshot of the page, as a Buffer.
  async screenshot() {
    const { data } = await this.session.send('Page.captureScreenshot', { format: 'png' });
    return Buffer.from(data, 'base64');
  }
}

// Starts headless Chromium with a throw-away profile.
export async function launchBrowser({ width = 480, height = 320 } = {}) {
  const profile = mkdtempSync(join(tmpdir(), 'tessera-chromium-'));
  const executable = process.env.CHROMIUM ?? 'chromium';
  const child = spawn(
    executable,
    [
      '--headless=new',
      '--use-angle=swiftshader',
      '--enable-unsafe-swiftshader',
      '--no-sandbox',
      '--no-first-run',
      '--no-default-browser-check',
      '--disable-gpu-vsync',
      '--disable-background-timer-throttling',
      '--disable-renderer-backgrounding',
      '--disable-backgrounding-occluded-windows',
      `--window-size=${width},${height}`,
      '--remote-debugging-port=0',
      `--user-data-dir=${profile}`,
      'about:blank',
    ],
    { stdio: ['ignore', 'ignore', 'pipe'] },
  );
  const endpoint = await new Promise((resolve, reject) => {
    let text = '';
    const timer = setTimeout(() => reject(new Error(`${executable} did not start: ${text}`)), 30000);
    child.stderr.on('data', (chunk) => {
      text += chunk;
      const found = /DevTools listening on (ws:\/\/\S+)/.exec(text);
      if (found) {
        clearTimeout(timer);
        resolve(found[1]);
      }
    });
    child.once('exit', (code) => {
      clearTimeout(timer);
      reject(new Error(`${executable} exited (${code}): ${text}`));
    });
  });
  child.stderr.resume();
  const browser = await Session.connect(endpoint);
  const pages = [];

  return {
    async openPage(url) {
      const { targetId } = await browser.send('Target.createTarget', { url: 'about:blank' });
      const { port } = new URL(endpoint);
      const page = new Page(await Session.connect(`ws://127.0.0.1:${port}/devtools/page/${targetId}`));
      pages.push(page);
      await page.session.send('Runtime.enable');
      await page.session.send('Log.enable');
      await page.session.send('Page.enable');
      await page.session.send('Page.navigate', { url });
      return page;
    },
    async close() {
      for (const page of pages) page.session.close();
      try {
        await browser.send('Browser.close');
      } catch {
        // already gone
      }
      browser.close();
      await new Promise((resolve) => {
        if (child.exitCode !== null) resolve();
        else child.once('exit', resolve);
        setTimeout(() => {
          child.kill('SIGKILL');
          resolve();
        }, 5000);
      });
      rmSync(profile, { recursive: true, force: true });
    },
  };
}

// Serves the folder `site` and opens `path` (relative to its root) in a new
// headless browser. close() shuts the browser, then the server.
export async function openSitePage(site, path) {
  const server = await serveFolder(site);
  let browser;
  try {
    browser = await launchBrowser();
    const page = await browser.openPage(`${server.url}${path}`);
    return {
      page,
      async close() {
        await browser.close();
        server.close();
      },
    };
  } catch (error) {
    await browser?.close();
    server.close();
    throw error;
  }
}
