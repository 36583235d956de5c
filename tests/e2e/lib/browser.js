// Debian's chromium driven by playwright-core, headless, with a fresh
// profile per launch and nothing that reaches out to the network by itself.
"use strict";

const fs = require("node:fs");
const os = require("node:os");
const path = require("node:path");
const { chromium } = require("playwright-core");

const CHROMIUM = process.env.DRAVANTA_CHROMIUM || "/usr/bin/chromium";

const CHROMIUM_ARGS = [
  "--headless",
  "--no-sandbox",
  "--disable-gpu",
  "--disable-quic",
  "--no-first-run",
  "--disable-background-networking",
  "--disable-component-update",
  "--disable-sync",
];

// The program's window: 276 by 400 dialog units of an 8-point dialog font.
const DIALOG_SIZE = { width: 414, height: 650 };
const FULL_WINDOW_SIZE = { width: 1280, height: 820 };

// Resolves to { context, page, close() }. The profile folder is removed on
// close. viewport defaults to the dialog's size.
async function launchBrowser({ viewport = DIALOG_SIZE } = {}) {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), "dravanta-e2e-profile-"));
  // launchPersistentContext is playwright's way to pass --user-data-dir.
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: CHROMIUM,
    headless: true,
    args: CHROMIUM_ARGS,
    viewport,
    timeout: 30000,
  });
  context.setDefaultTimeout(10000);
  const page = context.pages()[0] || (await context.newPage());
  const problems = [];
  page.on("pageerror", (error) => problems.push(`page error: ${error.message}`));
  page.on("console", (message) => {
    if (message.type() === "error") problems.push(`console: ${message.text()}`);
  });
  return {
    context,
    page,
    problems,
    close: async () => {
      await context.close().catch(() => {});
      fs.rmSync(profile, { recursive: true, force: true });
    },
  };
}

// Where the screenshots of a run go: the build folder's artefacts.
function artifactDir() {
  const dir = process.env.DRAVANTA_E2E_ARTIFACTS || path.join(os.tmpdir(), "dravanta-e2e-artifacts");
  fs.mkdirSync(dir, { recursive: true });
  return dir;
}

async function screenshot(page, name) {
  const file = path.join(artifactDir(), `${name}.png`);
  await page.screenshot({ path: file });
  return file;
}

module.exports = { launchBrowser, screenshot, artifactDir, DIALOG_SIZE, FULL_WINDOW_SIZE, CHROMIUM_ARGS };
