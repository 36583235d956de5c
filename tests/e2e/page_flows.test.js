// The page's flows in a real browser, against a mock of the program's side
// of the bridge: what the page shows for each answer, and what it sends.
"use strict";

const { test, before, after, beforeEach, afterEach } = require("node:test");
const assert = require("node:assert/strict");
const { startPageServer } = require("./lib/page_server.js");
const { MockBridge, resultsText, detailsText } = require("./lib/mock_bridge.js");
const { launchBrowser, screenshot, DIALOG_SIZE, FULL_WINDOW_SIZE } = require("./lib/browser.js");

let browser;
let server;
let bridge;
let page;

before(async () => {
  browser = await launchBrowser();
});
after(async () => {
  await browser.close();
});

// Each test gets a fresh bridge, server and tab; the test sets the bridge's
// fields before calling open().
beforeEach(() => {
  bridge = new MockBridge();
  browser.problems.length = 0;
});
afterEach(async () => {
  if (page) await page.close().catch(() => {});
  page = null;
  if (server) await server.close();
  server = null;
  assert.deepEqual(browser.problems, [], "the page reported errors");
  assert.deepEqual(bridge.missing, [], "the page asked for resources that do not exist");
});

async function open(viewport = DIALOG_SIZE) {
  server = await startPageServer(bridge);
  page = await browser.context.newPage();
  page.on("pageerror", (e) => browser.problems.push(`page error: ${e.message}`));
  await page.setViewportSize(viewport);
  await page.goto(server.url);
  await page.waitForFunction(() => document.body.dataset.view !== undefined);
}

const visibleView = () => page.evaluate(() => document.body.dataset.view);
const text = (selector) => page.locator(selector).innerText();
const waitView = (name) => page.waitForSelector(`#view-${name}:not([hidden])`);

async function waitUntil(predicate, what, limitMs = 5000) {
  const end = Date.now() + limitMs;
  while (!predicate()) {
    if (Date.now() > end) throw new Error(`timed out waiting for ${what}`);
    await new Promise((r) => setTimeout(r, 20));
  }
}

// ---- start view ----------------------------------------------------------

test("default levels: fast scan selected, full and custom scans disabled with their tooltips", async () => {
  await open();
  assert.equal(await visibleView(), "start");
  assert.deepEqual(bridge.navigations, ["app:1005@Init"]);
  assert.equal(await text("#client-version"), "1.0.0.1");
  assert.equal(await text("#level-duration"), "Seconds to Minutes");
  assert.equal(await text("#level-description"), "Scan active processes");
  assert.ok(await page.locator("#legend-1").evaluate((e) => e.classList.contains("selected")));
  assert.equal(await page.locator("#legend-3 img").getAttribute("src"), "IMG_LEVEL_FULL_DISABLED");
  assert.equal(await page.locator("#custom-wrench").getAttribute("src"), "IMG_WRENCH_DISABLED");
  assert.equal(await page.locator("#legend-1 img").getAttribute("src"), "IMG_LEVEL_FAST");
  await screenshot(page, "mock-start-dialog");

  await page.hover("#legend-3");
  await page.waitForSelector(".ui-tooltip");
  assert.equal(await text(".ui-tooltip"), "Full scan is disabled");
  await screenshot(page, "mock-start-tooltip");
  await page.hover("#custom-entry");
  await page.waitForSelector(".ui-tooltip >> text=Custom scan is disabled");

  // A disabled level cannot be chosen; an enabled one can.
  await page.click("#legend-3");
  assert.equal(await text("#level-duration"), "Seconds to Minutes");
  await page.click("#custom-entry");
  assert.equal(await visibleView(), "start");
  await page.click("#legend-2");
  assert.equal(await text("#level-duration"), "5 Minutes to 2 Hours");
  assert.equal(await text("#level-description"), "Scan active processes and loaded libraries");
  // The slider cannot be moved onto the disabled full scan.
  await page.focus("#level-slider .ui-slider-handle");
  await page.keyboard.press("ArrowRight");
  assert.equal(await page.evaluate(() => $("#level-slider").slider("value")), 2);
  await page.keyboard.press("ArrowLeft");
  assert.equal(await text("#level-duration"), "Seconds to Minutes");
  assert.deepEqual(bridge.navigations, ["app:1005@Init"], "choosing a level sends nothing");
});

test("every level's tooltip when nothing but the custom scan is enabled", async () => {
  bridge.enabledLevels = "0";
  await open();
  assert.ok(await page.locator("#scan-button").isDisabled());
  assert.equal((await page.evaluate(() => DravantaPage.state())).level, 0);
  const tips = { 1: "Fast scan is disabled", 2: "This type of scan is disabled", 3: "Full scan is disabled" };
  for (const [level, tip] of Object.entries(tips)) {
    assert.equal(await page.locator(`#legend-${level}`).getAttribute("title"), tip);
  }
  assert.equal(await page.locator("#custom-wrench").getAttribute("src"), "IMG_WRENCH");
});

test("the lowest enabled level other than custom is selected", async () => {
  bridge.enabledLevels = "3, 2";
  await open();
  assert.equal(await text("#level-duration"), "5 Minutes to 2 Hours");
  await page.click("#legend-3");
  assert.equal(await text("#level-description"), "Scan all files on system");
  assert.equal(await text("#level-duration"), "Hours to Days");
  await page.click("#legend-1");
  assert.equal(await text("#level-duration"), "Hours to Days", "level 1 is not enabled");
});

test("links open through the program", async () => {
  await open();
  await page.click("#title-image");
  await page.click("#report-link");
  await page.click("#maker-logo");
  await waitUntil(() => bridge.links.length === 3, "three openLink calls");
  assert.equal(new Set(bridge.links).size, 3);
  for (const link of bridge.links) assert.match(link, /^https:\/\//);
});

test("a page without the program's token shows that the program does not answer", async () => {
  server = await startPageServer(bridge);
  page = await browser.context.newPage();
  await page.goto(server.url.replace(/token=.*/, "token=0123"));
  await waitView("error");
  assert.equal(await text("#view-error .verdict-text"), "The program is not answering");
  assert.equal(await text("#error-message"), "The connection to the program was lost.");
  assert.equal(bridge.calls.length, 0, "nothing ran without the token");
  browser.problems.length = 0; // the refused requests are logged by the browser
});

// ---- custom scan ---------------------------------------------------------

async function addTarget(path) {
  const before = bridge.callsOf("pickFileFolder").length;
  await page.fill("#pick-path", path);
  await page.click("#pick-add");
  await waitUntil(() => bridge.callsOf("pickFileFolder").length === before + 1, "pickFileFolder");
  // The Add button is back once the page has taken the answer in.
  await page.waitForSelector("#pick-add:not([disabled])");
}

const listed = (selector) => page.locator(`${selector} .target-path`).allInnerTexts();

test("custom list: typed folders and files, sorted, no duplicates, removable", async () => {
  bridge.enabledLevels = "0,1,2";
  bridge.folders = new Set(["/srv/data", "/home/user", "C:\\dir\\sub"]);
  bridge.files = new Set(["/home/user/a.exe"]);
  await open();
  await page.click("#custom-entry");
  await waitView("custom");
  assert.equal(await text("#view-custom .view-title"), "Select folders to scan");
  assert.ok(await page.locator("#no-targets").isVisible());
  assert.equal(await text("#no-targets"), "No folders selected");
  assert.ok(await page.locator("#custom-scan-button").isDisabled());
  await screenshot(page, "mock-custom-empty");

  await addTarget("/srv/data");
  await addTarget("/home/user");
  await addTarget("/srv/data");
  await addTarget("C:\\dir\\sub");
  await addTarget("/home/user/a.exe");
  await page.waitForFunction(() => document.querySelectorAll("#file-list .target").length === 1);
  assert.deepEqual(await listed("#folder-list"), ["/home/user", "/srv/data", "C:\\dir\\sub"]);
  assert.deepEqual(await listed("#file-list"), ["/home/user/a.exe"]);
  assert.equal(bridge.callsOf("pickFileFolder")[0].args[0], "/srv/data", "the typed path is the argument");
  assert.ok(await page.locator("#no-targets").isHidden());
  assert.ok(await page.locator("#custom-scan-button").isEnabled());

  await addTarget("/no/such/place");
  await page.waitForSelector("#pick-message:not([hidden])");
  assert.equal(await text("#pick-message"), "No folder or file was found at /no/such/place");
  assert.equal(await page.locator("#folder-list .target").count(), 3);
  await addTarget("home/user");
  await page.waitForFunction(() => document.querySelector("#pick-message").textContent.startsWith("Type"));
  assert.equal(await text("#pick-message"), "Type the full path of a folder or file, starting with /");
  await addTarget("/no/such/place");
  await page.waitForFunction(() => document.querySelector("#pick-message").textContent.startsWith("No folder"));
  await screenshot(page, "mock-custom-list");

  // Remove everything again: the scan button goes back to disabled.
  for (let left = 4; left > 0; left--) {
    await page.locator("#target-list .remove").first().click();
    await page.waitForFunction((n) => document.querySelectorAll("#target-list .target").length === n, left - 1);
  }
  assert.ok(await page.locator("#custom-scan-button").isDisabled());
  assert.ok(await page.locator("#no-targets").isVisible());
});

test("custom list scrolls with nanoScroller when it is long", async () => {
  bridge.enabledLevels = "0,1";
  for (let i = 0; i < 30; i++) bridge.folders.add(`/data/folder-${String(i).padStart(2, "0")}`);
  await open();
  await page.click("#custom-entry");
  for (const folder of bridge.folders) await addTarget(folder);
  await page.waitForFunction(() => document.querySelectorAll("#folder-list .target").length === 30);
  await page.locator("#target-list .nano-content").evaluate((e) => {
    e.scrollTop = e.scrollHeight;
  });
  await page.waitForSelector("#target-list .nano-pane", { state: "visible" });
  const slider = await page.locator("#target-list .nano-slider").boundingBox();
  assert.ok(slider && slider.height > 10, "the scroll handle is drawn");
  await screenshot(page, "mock-custom-long-list");
});

test("custom scan sends the folders, then the files, with % and | encoded", async () => {
  bridge.enabledLevels = "0,1,2";
  bridge.folders = new Set(["/b/100%", "/a/x|y"]);
  bridge.files = new Set(["/a/file.txt"]);
  await open();
  await page.click("#custom-entry");
  for (const p of ["/b/100%", "/a/file.txt", "/a/x|y"]) await addTarget(p);
  await page.waitForFunction(() => document.querySelectorAll("#target-list .target").length === 3);
  bridge.status = "scanning";
  await page.click("#custom-scan-button");
  await waitView("detection");
  await waitUntil(() => bridge.navigations.length === 2, "ScanNow");
  assert.equal(bridge.navigations[1], "app:1005@ScanNow:0|/a/x%7Cy|/b/100%25|/a/file.txt");
});

test("closing the custom view empties the list and restores the level", async () => {
  bridge.enabledLevels = "0,1,2";
  bridge.folders = new Set(["/srv"]);
  await open();
  await page.click("#legend-2");
  await page.click("#custom-entry");
  await addTarget("/srv");
  await page.waitForSelector("#folder-list .target");
  await page.click("#custom-close");
  await waitView("start");
  assert.equal(await text("#level-duration"), "5 Minutes to 2 Hours");
  await page.click("#custom-entry");
  assert.equal(await page.locator("#target-list .target").count(), 0);
  assert.deepEqual(bridge.navigations, ["app:1005@Init"]);
});

// ---- progress and results ------------------------------------------------

test("progress: status and current file while scanning, then the clean list", async () => {
  await open();
  bridge.status = "Initializing...";
  await page.click("#scan-button");
  await waitView("detection");
  await waitUntil(() => bridge.navigations.length === 2, "ScanNow");
  assert.equal(bridge.navigations[1], "app:1005@ScanNow:1|");

  bridge.status = "Looking up known modules...";
  bridge.lastFile = "/usr/lib/x86_64-linux-gnu/libc.so.6";
  await page.waitForFunction(() => document.querySelector("#action-text").textContent === "Looking up known modules...");
  await page.waitForFunction(() => document.querySelector("#scanning-text").textContent.includes("libc.so.6"));
  assert.equal(await page.locator("#scanning-text").textContent(), "Now scanning: /usr/lib/x86_64-linux-gnu/libc.so.6");
  assert.equal(await page.locator("#scanning-text br").count(), 1);
  assert.ok(await page.locator("#spinner").isVisible());
  await screenshot(page, "mock-progress");

  bridge.lastFile = "";
  bridge.status = "Scanning...";
  await page.waitForFunction(() => document.querySelector("#action-text").textContent === "Scanning...");
  await page.waitForFunction(() => document.querySelector("#scanning-text").textContent === "");

  bridge.results = resultsText({ engine: 12, files: 35, time: "00:01:05" });
  bridge.status = "clean";
  await waitView("clean");
  assert.equal(await text("#view-clean .verdict-text"), "No Threats Found");
  assert.equal(await text("#view-clean .sum-engine"), "12");
  assert.equal(await text("#view-clean .sum-files"), "35");
  assert.equal(await text("#view-clean .sum-time"), "00:01:05");
  assert.match(await text("#view-clean .summary"), /Engine count[\s\S]*Files Scanned[\s\S]*Total Scan Time/);
  assert.equal(bridge.callsOf("getScanResults").length, 1);
  assert.equal(bridge.callsOf("getScanDetails").length, 0);
  await screenshot(page, "mock-clean-dialog");

  // Polling has stopped.
  const polls = bridge.callsOf("getScanStatus").length;
  await new Promise((r) => setTimeout(r, 600));
  assert.equal(bridge.callsOf("getScanStatus").length, polls);
});

const INFECTED = {
  results: resultsText({
    engine: 3,
    files: 120,
    time: "01:02:05",
    threats: [
      ["/home/user/Downloads/setup.exe", "Trojan.X"],
      ["/home/user/lib/evil \"quoted\".so", "Worm.Y"],
    ],
  }),
  details: detailsText([
    [
      ["Engine A", 1, "Trojan.X"],
      ["Engine B", 0, ""],
      ["Engine C", 13, ""],
    ],
    [
      ["Engine A", 2, "Worm.Y"],
      ["Engine B", null, ""],
      ["Engine C", 8, "Worm.Generic"],
      ["Engine D", 99, ""],
    ],
  ]),
};

async function runToInfected(answers = INFECTED) {
  bridge.status = "scanning";
  await page.click("#scan-button");
  await waitView("detection");
  bridge.results = answers.results;
  bridge.details = answers.details;
  bridge.status = "infected";
  await waitView("infected");
}

const cellTexts = (grid) =>
  page.evaluate(
    (g) => [...document.querySelectorAll(`${g} .grid-row`)].map((r) => [...r.children].map((c) => c.textContent)),
    grid
  );

test("infected list with the threat grid and each engine's verdict", async () => {
  await open();
  await runToInfected();
  assert.equal(await text("#threat-count-text"), "2 Threats Found");
  assert.equal(await text("#view-infected .sum-engine"), "3");
  assert.equal(await text("#view-infected .sum-files"), "120");
  assert.equal(await text("#view-infected .sum-time"), "01:02:05");
  assert.deepEqual(await page.locator("#threat-grid .grid-head .grid-cell").allInnerTexts(), ["Path", "Virus Name"]);
  assert.deepEqual(await cellTexts("#threat-grid"), [
    ["/home/user/Downloads/setup.exe", "Trojan.X"],
    ['/home/user/lib/evil "quoted".so', "Worm.Y"],
  ]);
  assert.ok(
    bridge.calls.findIndex((c) => c.method === "getScanResults") <
      bridge.calls.findIndex((c) => c.method === "getScanDetails"),
    "results are asked before details"
  );
  await screenshot(page, "mock-infected-dialog");

  await page.locator("#threat-grid .grid-row").nth(1).click();
  await waitView("detail");
  assert.equal(await text("#detail-path"), '/home/user/lib/evil "quoted".so');
  assert.deepEqual(await page.locator("#engine-grid .grid-head .grid-cell").allInnerTexts(), ["Engines", "Results", "Name"]);
  assert.deepEqual(await cellTexts("#engine-grid"), [
    ["Engine A", "Suspicious", "[Worm.Y]"],
    ["Engine B", "Unknown", ""],
    ["Engine C", "Skipped Dirty", "[Worm.Generic]"],
    ["Engine D", "Unknown", ""],
  ]);
  const colours = await page.evaluate(() =>
    [...document.querySelectorAll("#engine-grid .grid-row")].map((r) => [
      getComputedStyle(r.children[1]).color,
      getComputedStyle(r.children[2]).color,
    ])
  );
  const red = "rgb(198, 40, 40)";
  const grey = "rgb(123, 135, 148)";
  assert.deepEqual(colours.map((c) => c[0]), [red, grey, red, grey]);
  assert.equal(colours[0][1], red);
  await screenshot(page, "mock-detail-dialog");

  await page.click("#detail-back");
  await waitView("infected");
  await page.locator("#threat-grid .grid-row").nth(0).click();
  await waitView("detail");
  assert.deepEqual(await cellTexts("#engine-grid"), [
    ["Engine A", "Threat detected", "[Trojan.X]"],
    ["Engine B", "Threat not detected", ""],
    ["Engine C", "Exceeded Archive Size", ""],
  ]);
  await page.setViewportSize(FULL_WINDOW_SIZE);
  await screenshot(page, "mock-detail-full");
  await page.click("#detail-close");
  await waitView("infected");
  await screenshot(page, "mock-infected-full");
});

test("every engine result number has its name and colour", async () => {
  const names = [
    "Threat not detected", "Threat detected", "Suspicious", "Failed To Scan", "Cleaned", "Unknown",
    "Quarantined", "Skipped Clean", "Skipped Dirty", "Exceeded Archive Depth", "Not Scanned", "Aborted",
    "Encrypted", "Exceeded Archive Size", "Exceeded Archive File Number",
  ];
  const engines = names.map((_, n) => [`Engine ${n}`, n, ""]);
  await open();
  await runToInfected({
    results: resultsText({ threats: [["/x", "T"]] }),
    details: detailsText([engines]),
  });
  await page.locator("#threat-grid .grid-row").first().click();
  await waitView("detail");
  await page.locator("#engine-grid").evaluate((g) => {
    g.style.height = "800px";
  });
  await page.evaluate(() => window.dispatchEvent(new Event("resize")));
  const shown = await page.evaluate(() =>
    [...document.querySelectorAll("#engine-grid .grid-row")].map((r) => [
      r.children[1].textContent,
      r.children[1].classList.contains("result-red"),
    ])
  );
  const red = new Set([1, 2, 4, 6, 8]);
  assert.deepEqual(shown, names.map((name, n) => [name, red.has(n)]));
});

test("a details text that cannot be read is logged and no details are shown", async () => {
  await open();
  await runToInfected({
    results: resultsText({ threats: [["/x/a.exe", "Trojan.X"]] }),
    details: '[{"index_0":[["Engine A",,"Trojan.X"]]}]',
  });
  assert.equal(bridge.logs.length, 1);
  assert.match(bridge.logs[0], /^The scan details could not be read: /);
  await page.locator("#threat-grid .grid-row").first().click();
  await waitView("detail");
  assert.equal(await page.locator("#engine-grid .grid-row").count(), 0);
  assert.equal(await text("#detail-message"), "No engine details are available for this file.");
});

test("texts from the program are shown as text, never as markup", async () => {
  await open();
  const hostile = '<img src="IMG_CLOSE" id="injected">';
  await runToInfected({
    results: resultsText({ threats: [[`/tmp/${hostile}.exe`, `<b id="bold">${hostile}</b>`]] }),
    details: detailsText([[[`<i id="italic">E</i>`, 1, hostile]]]),
  });
  await page.locator("#threat-grid .grid-row").first().click();
  await waitView("detail");
  assert.equal(await page.locator("#injected, #bold, #italic").count(), 0);
  assert.equal(await text("#detail-path"), `/tmp/${hostile}.exe`);
  assert.deepEqual((await cellTexts("#engine-grid"))[0], ['<i id="italic">E</i>', "Threat detected", `[${hostile}]`]);
});

test("a grid of thousands of threats draws only the rows in sight", async () => {
  const threats = [];
  for (let i = 0; i < 5000; i++) threats.push([`/data/file-${String(i).padStart(4, "0")}.bin`, `Threat.${i}`]);
  await open();
  await runToInfected({ results: resultsText({ threats }), details: detailsText(threats.map(() => [])) });
  assert.equal(await text("#threat-count-text"), "5000 Threats Found");
  const drawn = await page.locator("#threat-grid .grid-row").count();
  assert.ok(drawn < 60, `${drawn} rows drawn`);
  await page.locator("#threat-grid .grid-body").evaluate((b) => {
    b.scrollTop = b.scrollHeight;
  });
  await page.waitForSelector('#threat-grid .grid-row >> text="/data/file-4999.bin"');
  // Keyboard: Home goes back to the first row, Enter opens it.
  await page.focus("#threat-grid .grid-body");
  await page.keyboard.press("Home");
  await page.keyboard.press("ArrowDown");
  await page.keyboard.press("Enter");
  await waitView("detail");
  assert.equal(await text("#detail-path"), "/data/file-0001.bin");
});

test("the error view shows the program's message", async () => {
  await open();
  bridge.status = "scanning";
  await page.click("#scan-button");
  await waitView("detection");
  bridge.results = resultsText({ engine: 0, files: 0, time: "00:00:00" });
  bridge.lastError = "server cannot be reached";
  bridge.status = "error";
  await waitView("error");
  assert.equal(await text("#error-message"), "server cannot be reached");
  assert.equal(bridge.callsOf("getScanResults").length, 1);
  await screenshot(page, "mock-error-dialog");
  await page.click("#view-error .start-over");
  await waitView("start");
});

test("a scan already running when the page loads is followed", async () => {
  bridge.status = "Scanning...";
  bridge.lastFile = "/bin/sh";
  await open();
  await waitView("detection");
  await page.waitForFunction(() => document.querySelector("#scanning-text").textContent.includes("/bin/sh"));
  assert.deepEqual(bridge.navigations, ["app:1005@Init"]);
  bridge.results = resultsText();
  bridge.status = "clean";
  await waitView("clean");
});

test("a scan that is over when the page loads shows its outcome", async () => {
  bridge.status = "infected";
  bridge.results = INFECTED.results;
  bridge.details = INFECTED.details;
  await open();
  await waitView("infected");
  assert.equal(await text("#threat-count-text"), "2 Threats Found");
  assert.deepEqual(bridge.navigations, ["app:1005@Init"]);
  await page.click("#view-infected .start-over");
  await waitView("start");
});

// ---- saving, starting over, closing --------------------------------------

test("saving: the chosen path, a failed save and a cancelled one", async () => {
  await open();
  bridge.results = resultsText();
  bridge.status = "clean";
  await page.click("#scan-button");
  await waitView("clean");

  await page.click("#view-clean .save-button");
  await page.waitForSelector("#save-dialog:not([hidden])");
  assert.equal(await page.inputValue("#save-path"), "DravantaClientLog_202612101430.txt");
  await screenshot(page, "mock-save-dialog");
  bridge.saveAnswer = (p) => `/opt/dravanta/${p}`;
  await page.click("#save-confirm");
  await page.waitForSelector("#view-clean .save-message:not([hidden])");
  assert.equal(
    await text("#view-clean .save-message"),
    "Your scan results have been saved at /opt/dravanta/DravantaClientLog_202612101430.txt"
  );
  assert.deepEqual(bridge.callsOf("doSaveResult").map((c) => c.args[0]), ["DravantaClientLog_202612101430.txt"]);
  await screenshot(page, "mock-saved");

  bridge.saveAnswer = () => "";
  await page.click("#view-clean .save-button");
  await page.fill("#save-path", "/read-only/report.txt");
  await page.press("#save-path", "Enter");
  await page.waitForFunction(() => document.querySelector("#view-clean .save-message").textContent === "failed to save results");

  // Cancelling the page's dialog sends nothing; an emptied path answers
  // "cancel", which leaves the last message alone.
  await page.click("#view-clean .save-button");
  await page.click("#save-cancel");
  assert.ok(await page.locator("#save-dialog").isHidden());
  await page.click("#view-clean .save-button");
  await page.fill("#save-path", "");
  await page.click("#save-confirm");
  await waitUntil(() => bridge.callsOf("doSaveResult").length === 3, "the third save");
  await new Promise((r) => setTimeout(r, 100));
  assert.equal(await text("#view-clean .save-message"), "failed to save results");
});

test("start over clears the threat grid; the close control sends Done", async () => {
  await open();
  await runToInfected();
  await page.click("#view-infected .start-over");
  await waitView("start");
  assert.equal(await page.locator("#threat-grid .grid-row").count(), 0);
  assert.equal(await text("#level-duration"), "Seconds to Minutes");

  await runToInfected();
  await page.locator("#view-infected .close-view").click();
  await waitView("closed");
  assert.equal(bridge.navigations.at(-1), "app:1005@Done");
  assert.equal(bridge.navigations.filter((a) => a === "app:1005@Done").length, 1);
});

test("leaving the page sends a close request; a reload loads the page again", async () => {
  await open();
  await page.reload();
  await page.waitForFunction(() => document.body.dataset.view === "start");
  await waitUntil(() => bridge.closeRequests === 1, "the close request of the reload");
  assert.deepEqual(bridge.navigations, ["app:1005@Init", "app:1005@Init"]);
});

test("closing the page sends a close request", async () => {
  await open();
  await page.close();
  page = null;
  await waitUntil(() => bridge.closeRequests === 1, "the close request");
});

test("a full file scan in progress asks before the page is left", async () => {
  bridge.enabledLevels = "1,3";
  await open();
  await page.click("#legend-3");
  bridge.status = "scanning";
  bridge.fileScan = "clean";
  await page.click("#scan-button");
  await waitView("detection");
  const prevented = await page.evaluate(() => {
    const event = new Event("beforeunload", { cancelable: true });
    window.dispatchEvent(event);
    return event.defaultPrevented;
  });
  assert.equal(prevented, true);
  await waitUntil(() => bridge.navigations.length === 2, "ScanNow");
  assert.equal(bridge.navigations[1], "app:1005@ScanNow:3|");
  bridge.results = resultsText();
  bridge.status = "clean";
  await waitView("clean");
  const preventedAfter = await page.evaluate(() => {
    const event = new Event("beforeunload", { cancelable: true });
    window.dispatchEvent(event);
    return event.defaultPrevented;
  });
  assert.equal(preventedAfter, false);
});

// Whether leaving the page now would ask first.
const leavingAsks = () =>
  page.evaluate(() => {
    const event = new Event("beforeunload", { cancelable: true });
    window.dispatchEvent(event);
    return event.defaultPrevented;
  });
const fileScanPolls = () => bridge.callsOf("getClientInfo").filter((c) => c.args[0] === "fileScan").length;
// Waits for two more polls, so that the page has seen the bridge's fields.
async function nextPolls() {
  const seen = fileScanPolls();
  await waitUntil(() => fileScanPolls() >= seen + 2, "two polls of the file scan");
}

test("the exit question: every file scan the program runs, as the exit settings say", async () => {
  // Each case: the settings, then the file scan state in turn with whether
  // leaving asks. The scan runs when the page loads, as one started by
  // auto_start (or before a reload) does.
  const cases = [
    { name: "no settings", exitOnClean: "0", exitOnDirty: "0", steps: [["clean", true], ["threats", true]] },
    { name: "exit_on_clean", exitOnClean: "1", exitOnDirty: "0", steps: [["clean", false], ["threats", true]] },
    { name: "exit_on_dirty", exitOnClean: "0", exitOnDirty: "1", steps: [["clean", true], ["threats", false]] },
    { name: "both", exitOnClean: "1", exitOnDirty: "1", steps: [["clean", false], ["threats", false]] },
    { name: "a module scan", exitOnClean: "0", exitOnDirty: "0", steps: [["", false]] },
  ];
  for (const c of cases) {
    bridge = new MockBridge({ status: "scanning", exitOnClean: c.exitOnClean, exitOnDirty: c.exitOnDirty });
    bridge.fileScan = c.steps[0][0];
    await open();
    await waitView("detection");
    for (const [fileScan, asks] of c.steps) {
      bridge.fileScan = fileScan;
      await nextPolls();
      assert.equal(await leavingAsks(), asks, `${c.name}, ${fileScan || "no file scan"}`);
    }
    bridge.results = resultsText();
    bridge.status = "clean";
    await waitView("clean");
    assert.equal(await leavingAsks(), false, `${c.name}, after the scan`);
    await page.close();
    page = null;
    await server.close();
    server = null;
  }
});

test("the exit question after a reload during a file scan", async () => {
  bridge.status = "scanning";
  bridge.fileScan = "clean";
  await open();
  await waitView("detection");
  await nextPolls();
  assert.equal(await leavingAsks(), true);
  page.on("dialog", (dialog) => dialog.accept());
  await page.reload();
  await waitView("detection");
  await nextPolls();
  assert.equal(await leavingAsks(), true);
  bridge.exitOnClean = "1";
  await page.reload();
  await waitView("detection");
  await nextPolls();
  assert.equal(await leavingAsks(), false);
  bridge.results = resultsText();
  bridge.status = "clean";
  await waitView("clean");
});

const NOT_SCANNED = JSON.stringify({
  line: "2 files could not be scanned, 1 could not be read, 1 was over the size limit",
  files: [
    ["/srv/a.iso", "skipped_size", "larger than the size limit"],
    ["/srv/b.doc", "failed", "the server answered 500"],
    ["/srv/c.doc", "failed", "the server answered 500"],
    ["/srv/locked", "unreadable", "could not be opened: Permission denied"],
  ],
});

test("the result views show the files not scanned; the error view lists the failed ones", async () => {
  bridge.notScanned = NOT_SCANNED;
  await open();
  bridge.status = "scanning";
  await page.click("#scan-button");
  await waitView("detection");
  bridge.results = resultsText();
  bridge.status = "clean";
  await waitView("clean");
  const line = "#view-clean .not-scanned-line";
  assert.equal(await text(line), JSON.parse(NOT_SCANNED).line);
  await page.click(line);
  await waitView("not-scanned");
  await page.waitForFunction(() => document.querySelectorAll("#not-scanned-grid .grid-row").length === 4);
  assert.match(await text("#not-scanned-grid"), /\/srv\/locked[\s\S]*unreadable[\s\S]*could not be opened: Permission denied/);
  await screenshot(page, "mock-not-scanned");
  await page.click("#not-scanned-back");
  await waitView("clean");
  await page.click("#view-clean .start-over");
  await waitView("start");

  // An error: the message, then the failed files with their reasons.
  bridge.status = "scanning";
  await page.click("#scan-button");
  await waitView("detection");
  bridge.lastError = "2 of 9 files could not be scanned: the server answered 500";
  bridge.status = "error";
  await waitView("error");
  assert.equal(await text("#error-message"), bridge.lastError);
  await page.waitForFunction(() => document.querySelectorAll("#error-grid .grid-row").length === 2);
  assert.match(await text("#error-grid"), /\/srv\/b\.doc[\s\S]*the server answered 500/);
  assert.equal(await page.locator("#view-error .not-scanned").isVisible(), true);
  await screenshot(page, "mock-error-with-files");

  // Nothing left out: no line.
  bridge.notScanned = JSON.stringify({ line: "", files: [] });
  await page.click("#view-error .start-over");
  bridge.status = "clean";
  await page.click("#scan-button");
  await waitView("clean");
  assert.equal(await page.locator("#view-clean .not-scanned").isVisible(), false);
});

test("views at the full window size", async () => {
  bridge.enabledLevels = "0,1,2,3";
  await open(FULL_WINDOW_SIZE);
  await screenshot(page, "mock-start-full");
  bridge.status = "Looking up known modules...";
  bridge.lastFile = "/usr/bin/bash";
  await page.click("#scan-button");
  await page.waitForFunction(() => document.querySelector("#scanning-text").textContent.includes("bash"));
  await screenshot(page, "mock-progress-full");
  bridge.results = resultsText();
  bridge.status = "clean";
  await waitView("clean");
  await screenshot(page, "mock-clean-full");
});
