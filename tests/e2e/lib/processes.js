// Starting the real program and the tests' scanning server as child
// processes, reading the address each prints, and waiting (bounded) for
// them to end.
"use strict";

const { execFileSync, spawn } = require("node:child_process");
const crypto = require("node:crypto");
const fs = require("node:fs");
const net = require("node:net");
const os = require("node:os");
const path = require("node:path");

// Resolves with the first match of pattern in the child's standard output.
function waitForLine(child, pattern, what, limitMs) {
  return new Promise((resolve, reject) => {
    let seen = "";
    const timer = setTimeout(() => reject(new Error(`${what}: no line matching ${pattern} in ${limitMs} ms; got: ${seen}`)), limitMs);
    const onData = (chunk) => {
      seen += chunk.toString("utf8");
      const match = seen.match(pattern);
      if (match) {
        clearTimeout(timer);
        child.stdout.off("data", onData);
        resolve(match);
      }
    };
    child.stdout.on("data", onData);
    child.once("exit", (code) => {
      clearTimeout(timer);
      reject(new Error(`${what} ended with ${code} before printing its address; output: ${seen}`));
    });
  });
}

function collect(stream) {
  const parts = [];
  stream.on("data", (c) => parts.push(c));
  return () => Buffer.concat(parts).toString("utf8");
}

function exitPromise(child) {
  return new Promise((resolve) => {
    if (child.exitCode !== null) return resolve(child.exitCode);
    child.once("exit", (code, signal) => resolve(code === null ? `signal ${signal}` : code));
  });
}

// Resolves to the exit code, or rejects after limitMs.
function waitForExit(child, limitMs, what = "process") {
  return Promise.race([
    exitPromise(child),
    new Promise((_, reject) => setTimeout(() => reject(new Error(`${what} still running after ${limitMs} ms`)), limitMs)),
  ]);
}

// The tests' scanning server with `engines` engines; infected maps SHA-1
// signatures to threat names. With hold, lookups wait for release().
async function startScanServer({ engines = 3, infected = {}, hold = false } = {}) {
  const binary = process.env.DRAVANTA_E2E_SCAN_SERVER && path.resolve(process.env.DRAVANTA_E2E_SCAN_SERVER);
  if (!binary) throw new Error("DRAVANTA_E2E_SCAN_SERVER is not set");
  const args = [
    String(engines),
    ...(hold ? ["--hold"] : []),
    ...Object.entries(infected).map(([s, t]) => `${s}=${t}`),
  ];
  const child = spawn(binary, args, { stdio: ["pipe", "pipe", "inherit"] });
  const [, url] = await waitForLine(child, /^url (\S+)$/m, "scan server", 10000);
  return {
    url,
    release: () => child.stdin.write("release\n"),
    stop: async () => {
      child.stdin.end();
      await waitForExit(child, 5000, "scan server").catch(() => child.kill("SIGKILL"));
    },
  };
}

// The program with key=value arguments, in a fresh folder of its own
// (home, state folder, log and reports). No desktop session is passed on,
// so it opens no browser of its own.
async function startClient(settings) {
  const binary = process.env.DRAVANTA_CLIENT && path.resolve(process.env.DRAVANTA_CLIENT);
  if (!binary) throw new Error("DRAVANTA_CLIENT is not set");
  const home = fs.mkdtempSync(path.join(os.tmpdir(), "dravanta-e2e-client-"));
  const env = {
    PATH: process.env.PATH,
    HOME: home,
    XDG_STATE_HOME: path.join(home, "state"),
    LANG: "C.UTF-8",
    DRAVANTA_NO_BROWSER: "1",
  };
  // Every scan's JSON result goes here; stop() checks it against the schema.
  const jsonReport = path.join(home, "result.json");
  const args = Object.entries({
    show_ui: "1",
    log_file: path.join(home, "client.log"),
    json_report: jsonReport,
    ...settings,
  }).map(
    ([k, v]) => `${k}=${v}`
  );
  // A copy under a name of its own: the one-copy rule compares executable
  // names machine-wide, and other runs of the program must not count.
  const copy = path.join(home, `dravanta-client-e2e-${crypto.randomBytes(4).toString("hex")}`);
  fs.copyFileSync(binary, copy);
  fs.chmodSync(copy, 0o755);
  const child = spawn(copy, args, { cwd: home, env, stdio: ["ignore", "pipe", "pipe"] });
  const stdout = collect(child.stdout);
  const stderr = collect(child.stderr);
  const exited = exitPromise(child);
  const [, url] = await waitForLine(child, /Dravanta Client page: (http:\/\/127\.0\.0\.1:\d+\/\?token=[0-9a-f]{32})/, "client", 15000);
  return {
    url,
    home,
    child,
    exited,
    stdout,
    stderr,
    waitForExit: (limitMs = 10000) => waitForExit(child, limitMs, "client"),
    jsonReport,
    stop: async () => {
      if (child.exitCode === null) {
        child.kill("SIGTERM");
        await waitForExit(child, 5000, "client").catch(() => child.kill("SIGKILL"));
      }
      try {
        if (fs.existsSync(jsonReport)) validateJsonResult(jsonReport);
      } finally {
        fs.rmSync(home, { recursive: true, force: true });
      }
    },
  };
}

// A loopback port that nothing listens on (bound, then released).
// Checks a JSON result against docs/json-result.schema.json with Debian's
// python3-jsonschema; throws with the validator's findings.
function validateJsonResult(file) {
  const root = path.resolve(__dirname, "..", "..", "..");
  try {
    execFileSync("/usr/bin/python3", [
      path.join(root, "tests", "support", "validate_json_result.py"),
      path.join(root, "docs", "json-result.schema.json"),
      file,
    ], { stdio: ["ignore", "pipe", "pipe"] });
  } catch (error) {
    throw new Error(`the JSON result does not validate: ${error.stderr}`);
  }
}

function closedPort() {
  return new Promise((resolve, reject) => {
    const server = net.createServer();
    server.once("error", reject);
    server.listen(0, "127.0.0.1", () => {
      const { port } = server.address();
      server.close(() => resolve(port));
    });
  });
}

function sha1OfFile(file) {
  return crypto.createHash("sha1").update(fs.readFileSync(file)).digest("hex");
}

module.exports = { startScanServer, startClient, closedPort, sha1OfFile, waitForExit, validateJsonResult };
