// A stand-in for the program's side of the page bridge: the twelve methods
// answer from plain fields that a test sets, and every call and command is
// recorded so the test can check what the page sent.
"use strict";

class MockBridge {
  constructor(fields = {}) {
    this.version = "1.0.0.1";
    this.reportName = "DravantaClientLog_202612101430.txt";
    this.enabledLevels = "1,2";
    this.status = "";
    this.lastFile = "";
    this.results = "";
    this.details = "[]";
    this.lastError = "";
    // getClientInfo: the exit settings ("1" on), the file scan running
    // ("", "clean" or "threats") and the files not scanned (a JSON text).
    this.exitOnClean = "0";
    this.exitOnDirty = "0";
    this.fileScan = "";
    this.notScanned = "";
    // Existing folders and files for pickFileFolder, by path.
    this.folders = new Set();
    this.files = new Set();
    // What doSaveResult answers for a non-empty path (default: the path).
    this.saveAnswer = (p) => p;
    this.calls = [];
    this.navigations = [];
    this.logs = [];
    this.links = [];
    this.missing = [];
    this.closeRequests = 0;
    Object.assign(this, fields);
  }

  callsOf(method) {
    return this.calls.filter((c) => c.method === method);
  }

  navigate(address) {
    this.navigations.push(address);
    return address.startsWith("app:") ? "handled" : "navigate";
  }

  call(method, args) {
    const answer = ANSWERS[method];
    if (answer === undefined) return undefined;
    this.calls.push({ method, args });
    const [a = "", b = ""] = args;
    return answer(this, a, b);
  }
}

// How each native method answers, from the bridge's fields; a name missing
// here is a method the program does not have.
const ANSWERS = {
  getScanStatus: (m) => m.status,
  getLastFileScanning: (m) => m.lastFile,
  getScanResults: (m) => m.results,
  getScanDetails: (m) => m.details,
  getLastErrorMessage: (m) => m.lastError,
  openLink: (m, link) => {
    m.links.push(link);
    return "";
  },
  doSaveResult: (m, path) => (path === "" ? "cancel" : m.saveAnswer(path)),
  reportIssue: () => "false",
  getEnabledScanLevels: (m) => m.enabledLevels,
  pickFileFolder: (m, path) => {
    if (m.folders.has(path)) return JSON.stringify([{ folder: path }]).replace('{"folder":', '{"folder" : ');
    if (m.files.has(path)) return JSON.stringify([{ file: path }]).replace('{"file":', '{"file" : ');
    return "";
  },
  getClientInfo: (m, what) => {
    if (what === "version") return m.version;
    if (what === "reportName") return m.reportName;
    if (what === "exitOnClean") return m.exitOnClean;
    if (what === "exitOnDirty") return m.exitOnDirty;
    if (what === "fileScan") return m.fileScan;
    if (what === "notScanned") return m.notScanned;
    return "";
  },
  log: (m, text) => {
    m.logs.push(text);
    return "";
  },
};
const METHODS = Object.keys(ANSWERS);

// The results text the program builds, from plain values.
function resultsText({ engine = 12, files = 35, time = "00:01:05", threats = [] } = {}) {
  return JSON.stringify({
    numThreats: threats.length,
    engine: String(engine),
    fileScanned: files,
    scanTime: time,
    result: threats.map(([p, name]) => [p, name]),
  });
}

// The details text: one entry per threat, each a list of
// [engine, result number or null, threat name].
function detailsText(perFile) {
  return JSON.stringify(perFile.map((engines, i) => ({ [`index_${i}`]: engines })));
}

module.exports = { MockBridge, resultsText, detailsText, METHODS };
