// The real program end to end: its page host serves the page, chromium
// shows it, and the program scans against the tests' scanning server on
// loopback. One program run per test; a screenshot of every view is kept.
"use strict";

const { test, before, after, afterEach } = require("node:test");
const assert = require("node:assert/strict");
const crypto = require("node:crypto");
const fs = require("node:fs");
const os = require("node:os");
const path = require("node:path");
const { launchBrowser, screenshot } = require("./lib/browser.js");
const { startScanServer, startClient, closedPort, sha1OfFile } = require("./lib/processes.js");

let browser;
let client;
let server;
let page;

before(async () => {
  browser = await launchBrowser();
});
after(async () => {
  await browser.close();
});
afterEach(async () => {
  if (page) await page.close().catch(() => {});
  page = null;
  if (client) await client.stop();
  client = null;
  if (server) await server.stop();
  server = null;
  if (targetFolder) fs.rmSync(targetFolder, { recursive: true, force: true });
  targetFolder = null;
});

async function openPage() {
  page = await browser.context.newPage();
  const problems = [];
  page.on("pageerror", (e) => problems.push(e.message));
  await page.goto(client.url);
  await page.waitForFunction(() => document.body.dataset.view !== undefined);
  return problems;
}

const text = (selector) => page.locator(selector).innerText();
const waitView = (name, timeout = 30000) => page.waitForSelector(`#view-${name}:not([hidden])`, { timeout });

// A folder with one clean file and one that the scanning server knows as
// infected.
let targetFolder = null;
function makeTargetFolder() {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), "dravanta-e2e-targets-"));
  targetFolder = folder;
  fs.writeFileSync(path.join(folder, "clean.txt"), "nothing to see here\n");
  fs.writeFileSync(path.join(folder, "infected.bin"), crypto.randomBytes(4096));
  return folder;
}

test("default start view: fast scan chosen, full and custom scans disabled", async () => {
  server = await startScanServer();
  client = await startClient({ server: server.url });
  const problems = await openPage();
  await waitView("start");
  assert.match(await text("#client-version"), /^\d+\.\d+\.\d+\.\d+$/);
  assert.equal(await text("#level-duration"), "Seconds to Minutes");
  assert.equal(await text("#level-description"), "Scan active processes");
  assert.equal(await page.locator("#legend-3").getAttribute("title"), "Full scan is disabled");
  assert.equal(await page.locator("#custom-entry").getAttribute("title"), "Custom scan is disabled");
  await page.hover("#legend-3");
  await page.waitForSelector(".ui-tooltip >> text=Full scan is disabled");
  await screenshot(page, "program-start");
  assert.deepEqual(problems, []);

  // Closing the page closes the program's window.
  await page.close();
  page = null;
  assert.equal(await client.waitForExit(15000), 0);
});

test("a clean fast scan, then the close control ends the program with 0", async () => {
  server = await startScanServer({ engines: 3 });
  client = await startClient({ server: server.url });
  await openPage();
  await waitView("start");
  await page.click("#scan-button");
  await waitView("detection", 5000);
  await screenshot(page, "program-progress");
  await waitView("clean", 60000);
  assert.equal(await text("#view-clean .verdict-text"), "No Threats Found");
  assert.equal(await text("#view-clean .sum-engine"), "3");
  assert.ok(Number(await text("#view-clean .sum-files")) > 0, "files were scanned");
  assert.match(await text("#view-clean .sum-time"), /^\d\d:\d\d:\d\d$/);
  await screenshot(page, "program-clean");

  await page.click("#view-clean .actions .done-button");
  assert.equal(await client.waitForExit(10000), 0);
});

test("a custom scan of a typed folder finds the infected file; grid, details, saving", async () => {
  const folder = makeTargetFolder();
  const infectedFile = path.join(folder, "infected.bin");
  server = await startScanServer({ engines: 3, infected: { [sha1OfFile(infectedFile)]: "Trojan.E2E" } });
  client = await startClient({ server: server.url, allowed_scan_levels: "0,1,2" });
  await openPage();
  await waitView("start");
  await page.click("#custom-entry");
  await waitView("custom");
  await page.fill("#pick-path", folder);
  await page.click("#pick-add");
  await page.waitForSelector("#folder-list .target");
  assert.deepEqual(await page.locator("#folder-list .target-path").allInnerTexts(), [folder]);
  await page.fill("#pick-path", path.join(folder, "no-such-file"));
  await page.click("#pick-add");
  await page.waitForSelector("#pick-message:not([hidden])");
  await screenshot(page, "program-custom");

  await page.click("#custom-scan-button");
  await waitView("infected", 60000);
  assert.equal(await text("#threat-count-text"), "1 Threats Found");
  assert.equal(await text("#view-infected .sum-engine"), "3");
  assert.equal(await text("#view-infected .sum-files"), "2");
  const rows = await page.evaluate(() =>
    [...document.querySelectorAll("#threat-grid .grid-row")].map((r) => [...r.children].map((c) => c.textContent))
  );
  assert.deepEqual(rows, [[infectedFile, "Trojan.E2E"]]);
  await screenshot(page, "program-infected");

  await page.locator("#threat-grid .grid-row").first().click();
  await waitView("detail");
  assert.equal(await text("#detail-path"), infectedFile);
  const engines = await page.evaluate(() =>
    [...document.querySelectorAll("#engine-grid .grid-row")].map((r) => [...r.children].map((c) => c.textContent))
  );
  assert.deepEqual(engines, [
    ["engine1", "Threat detected", "[Trojan.E2E]"],
    ["engine2", "Suspicious", "[Suspicious.Generic]"],
    ["engine3", "Threat not detected", ""],
  ]);
  await screenshot(page, "program-detail");
  await page.click("#detail-back");
  await waitView("infected");

  // Save under the offered name: the program says where it wrote the report.
  await page.click("#view-infected .save-button");
  await page.waitForSelector("#save-dialog:not([hidden])");
  const offered = await page.inputValue("#save-path");
  assert.match(offered, /^DravantaClientLog_\d{12}\.txt$/);
  const reportPath = path.join(client.home, "report.txt");
  await page.fill("#save-path", reportPath);
  await page.click("#save-confirm");
  await page.waitForSelector("#view-infected .save-message:not([hidden])");
  assert.equal(await text("#view-infected .save-message"), `Your scan results have been saved at ${reportPath}`);
  assert.ok(fs.readFileSync(reportPath, "utf8").includes(infectedFile), "the report names the infected file");
  await screenshot(page, "program-saved");

  await page.click("#view-infected .actions .done-button");
  assert.equal(await client.waitForExit(10000), 1);
});

test("an unreachable server gives the error view; the program ends with 100", async () => {
  const port = await closedPort();
  client = await startClient({ server: `http://127.0.0.1:${port}/dravanta_rest` });
  await openPage();
  await waitView("start");
  await page.click("#scan-button");
  await waitView("error", 60000);
  assert.equal(await text("#error-message"), "server cannot be reached");
  await screenshot(page, "program-error");
  await page.click("#view-error .actions .done-button");
  assert.equal(await client.waitForExit(10000), 100);
});

// Whether leaving the page now would ask first.
const leavingAsks = () =>
  page.evaluate(() => {
    const event = new Event("beforeunload", { cancelable: true });
    window.dispatchEvent(event);
    return event.defaultPrevented;
  });

// The page's side of a reload is shown against the mock bridge
// (page_flows.test.js); a reload here races the close grace on a busy machine.
test("the exit question of the program's own auto_start file scan", async () => {
  for (const exitOnClean of ["0", "1"]) {
    const folder = makeTargetFolder();
    server = await startScanServer({ engines: 2, hold: true });
    client = await startClient({
      server: server.url,
      auto_start: "1",
      scan_type: "1",
      scan_location: folder,
      exit_on_clean: exitOnClean,
    });
    await openPage();
    await waitView("detection", 20000);
    await page.waitForFunction(() => window.DravantaPage.state().fileScan === "clean");
    assert.equal(await leavingAsks(), exitOnClean === "0", `exit_on_clean=${exitOnClean}`);
    server.release();
    await waitView("clean", 60000);
    assert.equal(await leavingAsks(), false);
    await page.click("#view-clean .actions .done-button");
    assert.equal(await client.waitForExit(10000), 0);
    await page.close();
    page = null;
    await client.stop();
    client = null;
    await server.stop();
    server = null;
    fs.rmSync(folder, { recursive: true, force: true });
  }
});

test("auto_start: the program scans by itself and the page follows", async () => {
  const folder = makeTargetFolder();
  const infectedFile = path.join(folder, "infected.bin");
  server = await startScanServer({ engines: 2, infected: { [sha1OfFile(infectedFile)]: "Trojan.E2E" } });
  client = await startClient({ server: server.url, auto_start: "1", scan_type: "1", scan_location: folder });
  await openPage();
  await waitView("infected", 60000);
  assert.equal(await text("#threat-count-text"), "1 Threats Found");
  assert.equal(await text("#view-infected .sum-engine"), "2");
  await screenshot(page, "program-auto-start");
  // The program's own file scan is over: leaving asks nothing.
  assert.equal(await page.evaluate(() => window.DravantaPage.state().fileScan), "");
  await page.click("#view-infected .actions .done-button");
  assert.equal(await client.waitForExit(10000), 1);
  const result = JSON.parse(fs.readFileSync(client.jsonReport, "utf8"));
  assert.equal(result.status, "infected");
  assert.equal(result.exit_code, 1);
  assert.equal(result.counts.threat, 1);
});
