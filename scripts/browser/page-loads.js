// Opens pages in headless Chromium and prints, for each, every resource the page asked
// for with whether it loaded: one JSON object per page, {"page", "loaded": [...],
// "failed": [...]}, each resource as its URL. Usage: node page-loads.js URL...
const { chromium } = require('playwright-core');

(async () => {
  const browser = await chromium.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync',
           '--allow-file-access-from-files'],
  });
  for (const page of process.argv.slice(2)) {
    const tab = await browser.newPage();
    const loaded = [], failed = [];
    tab.on('requestfinished', async (request) => {
      const response = await request.response();
      const status = response ? response.status() : 0;
      // A file: URL answers with no status; an http one must have answered well.
      (status === 0 || (status >= 200 && status < 400) ? loaded : failed).push(request.url());
    });
    tab.on('requestfailed', (request) => failed.push(request.url()));
    try {
      await tab.goto(page, { waitUntil: 'networkidle', timeout: 30000 });
    } catch (error) {
      failed.push(page + ' (' + error.message.split('\n')[0] + ')');
    }
    console.log(JSON.stringify({ page, loaded: loaded.filter((url) => url !== page), failed }));
    await tab.close();
  }
  await browser.close();
})();
