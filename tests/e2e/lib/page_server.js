// Serves ui/page/ the way the program's page host does (same addresses,
// headers and token rules) and answers the page's method calls, commands and
// close requests from a MockBridge. Lets the page be driven in a browser
// without the program.
"use strict";

const crypto = require("node:crypto");
const fs = require("node:fs");
const http = require("node:http");
const path = require("node:path");

const PAGE_DIR = path.resolve(__dirname, "../../../ui/page");

const CONTENT_TYPES = {
  ".html": "text/html; charset=utf-8",
  ".js": "text/javascript; charset=utf-8",
  ".css": "text/css; charset=utf-8",
  ".svg": "image/svg+xml",
  ".png": "image/png",
  ".gif": "image/gif",
  ".ico": "image/x-icon",
};

const SECURITY_HEADERS = {
  "Cache-Control": "no-store",
  "X-Content-Type-Options": "nosniff",
  "Content-Security-Policy":
    "default-src 'self'; script-src 'self'; style-src 'self' 'unsafe-inline'; " +
    "img-src 'self' data:; connect-src 'self'; frame-ancestors 'none'; form-action 'none'",
};

// Reads resources.txt: one "NAME path" a line, "#" comments, blank lines.
function readManifest(dir = PAGE_DIR) {
  const entries = new Map();
  const text = fs.readFileSync(path.join(dir, "resources.txt"), "utf8");
  text.split("\n").forEach((raw, i) => {
    const line = raw.trim();
    if (line === "" || line.startsWith("#")) return;
    const parts = line.split(/\s+/);
    if (parts.length !== 2) throw new Error(`resources.txt:${i + 1}: expected NAME and file`);
    const [name, file] = parts;
    if (entries.has(name)) throw new Error(`resources.txt:${i + 1}: ${name} listed twice`);
    entries.set(name, file);
  });
  return entries;
}

function contentTypeOf(file) {
  return CONTENT_TYPES[path.extname(file).toLowerCase()] || "application/octet-stream";
}

function readBody(req) {
  return new Promise((resolve, reject) => {
    const chunks = [];
    req.on("data", (c) => chunks.push(c));
    req.on("end", () => resolve(Buffer.concat(chunks).toString("utf8")));
    req.on("error", reject);
  });
}

function parseStringArray(body) {
  if (body.trim() === "") return [];
  const value = JSON.parse(body);
  if (!Array.isArray(value) || value.some((v) => typeof v !== "string")) {
    throw new Error("not an array of strings");
  }
  return value;
}

// Starts the server on 127.0.0.1 and a free port. Resolves to
// { url, port, token, close() }; url is the page's address with the token.
async function startPageServer(bridge, { dir = PAGE_DIR } = {}) {
  const manifest = readManifest(dir);
  const token = crypto.randomBytes(16).toString("hex");
  let port = 0;

  const send = (res, status, body, type = "text/plain; charset=utf-8") => {
    res.writeHead(status, { ...SECURITY_HEADERS, "Content-Type": type });
    res.end(body);
  };

  const server = http.createServer(async (req, res) => {
    try {
      const origin = `http://127.0.0.1:${port}`;
      if (req.headers.host !== `127.0.0.1:${port}`) return send(res, 403, "forbidden");
      if (req.headers.origin !== undefined && req.headers.origin !== origin) return send(res, 403, "forbidden");
      const url = new URL(req.url, origin);

      if (req.method === "GET") {
        const name = url.pathname === "/" ? "104" : decodeURIComponent(url.pathname.slice(1));
        const file = manifest.get(name);
        if (!file) {
          bridge.missing.push(url.pathname);
          return send(res, 404, "not found");
        }
        return send(res, 200, fs.readFileSync(path.join(dir, file)), contentTypeOf(file));
      }

      if (req.method !== "POST") return send(res, 405, "method not allowed");
      const given = req.headers["x-dravanta-token"] || url.searchParams.get("token");
      if (given !== token) return send(res, 403, "forbidden");
      const body = await readBody(req);

      if (url.pathname === "/close") {
        bridge.closeRequests += 1;
        res.writeHead(204, SECURITY_HEADERS);
        return res.end();
      }
      let args;
      try {
        args = parseStringArray(body);
      } catch {
        return send(res, 400, "bad request");
      }
      if (url.pathname === "/navigate") {
        return send(res, 200, bridge.navigate(args[0] || ""));
      }
      if (url.pathname.startsWith("/call/")) {
        const method = url.pathname.slice("/call/".length);
        const answer = await bridge.call(method, args);
        if (answer === undefined) return send(res, 404, "unknown method");
        return send(res, 200, answer);
      }
      return send(res, 404, "not found");
    } catch (error) {
      send(res, 500, String(error));
    }
  });

  await new Promise((resolve) => server.listen(0, "127.0.0.1", resolve));
  port = server.address().port;
  return {
    port,
    token,
    url: `http://127.0.0.1:${port}/?token=${token}`,
    close: () =>
      new Promise((resolve) => {
        server.close(resolve);
        server.closeAllConnections();
      }),
  };
}

module.exports = { startPageServer, readManifest, PAGE_DIR, contentTypeOf };
