// A stand-in for the program's side of the page bridge: the twelve methods
// answer from plain fields that a test sets, and every call and command is
// recorded so the test can check what the page sent.
"use strict";

const METHODS = [
  "getScanStatus",
  "getLastFileScanning",
  "getScanResults",
  "getScanDetails",
  "getLastErrorMessage",
  "openLink",
  "doSaveResult",
  "reportIssue",
  "getEnabledScanLevels",
  "pickFileFolder",
  "getClientInfo",
  "log",
];

class MockBridge {
  constructor(fields = {}) {
    this.version = "1.0.0.1";
    this.reportName = "DravantaClientLog_202612101430";
    this.enabledLevels = "1,2";
    this.status = "";
    this.lastFile = "";
    this.results = "";
    this.details = "[]";
    this.lastError = "";
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
    if (!METHODS.includes(method)) return undefined;
    this.calls.push({ method, args });
    const [a = "", b = ""] = args;
    switch (method) {
      case "getScanStatus":
        return this.status;
      case "getLastFileScanning":
        return this.lastFile;
      case "getScanResults":
        return this.results;
      case "getScanDetails":
        return this.details;
      case "getLastErrorMessage":
        return this.lastError;
      case "openLink":
        this.links.push(a);
        return "";
      case "doSaveResult":
        return a === "" ? "cancel" : this.saveAnswer(a);
      case "reportIssue":
        void b;
        return "false";
      case "getEnabledScanLevels":
        return this.enabledLevels;
      case "pickFileFolder":
        if (this.folders.has(a)) return JSON.stringify([{ folder: a }]).replace('{"folder":', '{"folder" : ');
        if (this.files.has(a)) return JSON.stringify([{ file: a }]).replace('{"file":', '{"file" : ');
        return "";
      case "getClientInfo":
        if (a === "version") return this.version;
        if (a === "reportName") return this.reportName;
        return "";
      case "log":
        this.logs.push(a);
        return "";
    }
    return undefined;
  }
}

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
