// The page served by the Windows client under Wine, driven by chromium: one
// custom scan of a folder holding the EICAR test file, against the
// reference scan server (a Linux program) on loopback. No display: the
// client opens no browser of its own (DRAVANTA_NO_BROWSER=1) and chromium
// runs headless.
"use strict";

const { test, after } = require("node:test");
const assert = require("node:assert/strict");
const { spawn } = require("node:child_process");
const crypto = require("node:crypto");
const fs = require("node:fs");
const os = require("node:os");
const path = require("node:path");
const { launchBrowser, screenshot } = require("../e2e/lib/browser.js");
const { waitForExit } = require("../e2e/lib/processes.js");

const WINE = process.env.DRAVANTA_WINE64;
const CLIENT = process.env.DRAVANTA_CLIENT;
const SCAN_SERVER = process.env.DRAVANTA_SCAN_SERVER;

const work = fs.mkdtempSync(path.join(os.tmpdir(), "dravanta-wine-page-"));
const children = [];
after(async () => {
  for (const child of children) {
    if (child.exitCode === null) {
      child.kill("SIGTERM");
      await waitForExit(child, 5000).catch(() => child.kill("SIGKILL"));
    }
  }
  fs.rmSync(work, { recursive: true, force: true });
});

// A Linux path as Wine's drive Z: shows it.
const windowsPath = (p) => "Z:" + p.replaceAll("/", "\\");

// Starts a program and resolves with the first match of `pattern` in its
// standard output (bounded by limitMs).
function startAndWaitFor(command, args, env, pattern, what, limitMs) {
  const child = spawn(command, args, { cwd: work, env, stdio: ["ignore", "pipe", "pipe"] });
  children.push(child);
  let seen = "";
  let errors = "";
  child.stderr.on("data", (c) => (errors += c.toString("utf8")));
  return new Promise((resolve, reject) => {
    const timer = setTimeout(() => reject(new Error(`${what}: nothing matching ${pattern} in ${limitMs} ms: ${seen} ${errors}`)), limitMs);
    child.stdout.on("data", (chunk) => {
      seen += chunk.toString("utf8");
      const match = seen.match(pattern);
      if (match) {
        clearTimeout(timer);
        resolve({ child, match });
      }
    });
    child.once("exit", (code) => {
      clearTimeout(timer);
      reject(new Error(`${what} ended with ${code}: ${seen} ${errors}`));
    });
  });
}

test("a custom scan through the Windows client's page finds the EICAR file", async () => {
  assert.ok(WINE && CLIENT && SCAN_SERVER, "DRAVANTA_WINE64, DRAVANTA_CLIENT and DRAVANTA_SCAN_SERVER");
  const folder = path.join(work, "samples");
  fs.mkdirSync(folder);
  fs.writeFileSync(path.join(folder, "clean.txt"), "nothing to see here\n");
  // Assembled from pieces: no file of the repository is the test file.
  fs.writeFileSync(
    path.join(folder, "eicar.com"),
    "X5O!P%@AP[4\\PZX54(P^)7CC)7}$" + "EICAR-STANDARD-ANTIVIRUS-" + "TEST-FILE!$H+H*"
  );

  const server = await startAndWaitFor(
    SCAN_SERVER,
    ["--listen", "127.0.0.1:0", "--db", path.join(work, "verdicts.db"), "--clamav-system-db=none"],
    process.env,
    /^listening on (\S+)$/m,
    "scan server",
    30000
  );
  const serverUrl = server.match[1];

  // A copy under a name of its own (the one-copy rule compares names).
  const exe = path.join(work, `dravanta-client-page-${crypto.randomBytes(4).toString("hex")}.exe`);
  fs.copyFileSync(CLIENT, exe);
  const env = { ...process.env, DRAVANTA_NO_BROWSER: "1", WINEDEBUG: "-all" };
  delete env.DISPLAY;
  delete env.WAYLAND_DISPLAY;
  const client = await startAndWaitFor(
    WINE,
    [exe, `server=${serverUrl}`, "allowed_scan_levels=0,1,2", `log_file=${windowsPath(path.join(work, "client.log"))}`],
    env,
    /Dravanta Client page: (http:\/\/127\.0\.0\.1:\d+\/\?token=[0-9a-f]{32})/,
    "client under Wine",
    60000
  );

  const browser = await launchBrowser();
  try {
    const page = browser.page;
    const pageErrors = [];
    page.on("pageerror", (e) => pageErrors.push(e.message));
    const waitView = (name, timeout = 30000) => page.waitForSelector(`#view-${name}:not([hidden])`, { timeout });
    await page.goto(client.match[1]);
    await waitView("start");
    await page.click("#custom-entry");
    await waitView("custom");
    await page.fill("#pick-path", windowsPath(folder));
    await page.click("#pick-add");
    await page.waitForSelector("#folder-list .target");
    assert.deepEqual(await page.locator("#folder-list .target-path").allInnerTexts(), [windowsPath(folder)]);
    await page.click("#custom-scan-button");
    await waitView("infected", 120000);
    assert.equal(await page.locator("#threat-count-text").innerText(), "1 Threats Found");
    const rows = await page.evaluate(() =>
      [...document.querySelectorAll("#threat-grid .grid-row")].map((r) => [...r.children].map((c) => c.textContent))
    );
    assert.deepEqual(rows, [[windowsPath(path.join(folder, "eicar.com")), "Dravanta.Test.EICAR.UNOFFICIAL"]]);
    await screenshot(page, "windows-infected");
    assert.deepEqual(pageErrors, []);
    await page.click("#view-infected .actions .done-button");
    assert.equal(await waitForExit(client.child, 20000, "client"), 1);
  } finally {
    await browser.close();
  }
});
