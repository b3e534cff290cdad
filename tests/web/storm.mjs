// The sprite storm's frame times in headless Chromium, and the size of each
// page of the web build. Not a test: it prints a Markdown table for
// bench/README.md.
//   node --experimental-websocket tests/web/storm.mjs [SITE] [--counts 1000,10000] [--frames 150] [--size 32]

import { readdirSync, statSync } from 'node:fs';
import { join } from 'node:path';

import { openSitePage } from './browser.mjs';

const args = process.argv.slice(2);
let site = new URL('../../build/web/site', import.meta.url).pathname;
let counts = '1000,10000';
let frames = '150';
let size = '32';
for (let i = 0; i < args.length; ++i) {
  if (args[i] === '--counts') counts = args[++i];
  else if (args[i] === '--frames') frames = args[++i];
  else if (args[i] === '--size') size = args[++i];
  else site = args[i];
}

// Page sizes: what a browser downloads for each program.
console.log('| Page | wasm | data | js | total |\n|---|---:|---:|---:|---:|');
const kibibytes = (bytes) => `${(bytes / 1024).toFixed(0)} KiB`;
for (const name of readdirSync(site).sort()) {
  const folder = join(site, name);
  if (!statSync(folder).isDirectory()) continue;
  const size = (extension) => {
    try {
      return statSync(join(folder, `${name}.${extension}`)).size;
    } catch {
      return 0;
    }
  };
  const wasm = size('wasm');
  const data = size('data');
  const js = size('js');
  if (!wasm) continue;
  console.log(`| ${name} | ${kibibytes(wasm)} | ${kibibytes(data)} | ${kibibytes(js)} | ${kibibytes(wasm + data + js)} |`);
}

const opened = await openSitePage(
  site,
  `sprite-storm/index.html?TESSERA_STORM_COUNTS=${counts}&TESSERA_STORM_FRAMES=${frames}&TESSERA_STORM_SIZE=${size}`,
);
try {
  const { page } = opened;
  await page.waitFor(`Module.tessera.log.includes('storm: done')`, { timeout: 600000, interval: 500, what: 'the storm' });
  console.log('');
  for (const line of await page.evaluate(`Module.tessera.log.filter(line => line.startsWith('storm: '))`)) {
    console.log(line);
  }
} finally {
  await opened.close();
}
