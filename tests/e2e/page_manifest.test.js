// The page's resource manifest against the files: everything the page
// refers to by resource name is listed, every listed file exists, the
// vendored libraries are the pinned releases with their licences, and no
// page file loads anything from outside the program.
"use strict";

const { test } = require("node:test");
const assert = require("node:assert/strict");
const fs = require("node:fs");
const path = require("node:path");
const { readManifest, PAGE_DIR } = require("./lib/page_server.js");

const ROOT = path.resolve(PAGE_DIR, "../..");
const manifest = readManifest();
const read = (file) => fs.readFileSync(path.join(PAGE_DIR, file), "utf8");
const filesOfType = (ext) => [...manifest.values()].filter((f) => f.endsWith(ext));

test("the page is entry 104 and every listed file exists", () => {
  assert.equal(manifest.get("104"), "index.html");
  for (const [name, file] of manifest) {
    assert.match(name, /^(104|[A-Z][A-Z0-9_]*)$/, `resource name ${name}`);
    assert.ok(fs.statSync(path.join(PAGE_DIR, file)).isFile(), `${name}: ${file} is missing`);
  }
  for (const name of ["JS_MAIN", "VARNOK_JS", "CSS_MAIN", "CSS_SLIDER", "CSS_NANOSCROLLER", "IMG_SPINNER",
    "IMG_CLEANCHECK", "IMG_NOTCLEAN", "IMG_LUMOTITLE", "IMG_VARNOK"]) {
    assert.ok(manifest.has(name), `${name} is listed`);
  }
  for (const [name, file] of manifest) {
    if (name.startsWith("IMG_")) assert.match(file, /\.(svg|png|gif)$/, `${name} is an image`);
  }
});

// Bare resource names used by the page: src/href in the page, url() in the
// style sheets, and image names in our scripts.
function referencedNames() {
  const names = new Set();
  const html = read("index.html");
  for (const m of html.matchAll(/\s(?:src|href)="([^"#]+)"/g)) names.add(m[1]);
  for (const css of filesOfType(".css")) {
    for (const m of read(css).matchAll(/url\(\s*"?([^")]+)"?\s*\)/g)) {
      if (!m[1].startsWith("data:")) names.add(m[1]);
    }
  }
  for (const js of ["main.js", "grid.js", "varnok.js"]) {
    for (const m of read(js).matchAll(/"(IMG_[A-Z0-9_]+)"/g)) names.add(m[1]);
  }
  // The legend images have a disabled twin chosen at run time.
  for (const m of read("main.js").matchAll(/\d: "(IMG_[A-Z_]+)"/g)) names.add(`${m[1]}_DISABLED`);
  return names;
}

test("every resource the page refers to is listed, and every listed one is used", () => {
  const used = referencedNames();
  for (const name of used) assert.ok(manifest.has(name), `${name} is referred to but not listed`);
  for (const name of manifest.keys()) {
    if (name !== "104") assert.ok(used.has(name), `${name} is listed but never used`);
  }
});

test("nothing is loaded from outside the program", () => {
  const html = read("index.html");
  assert.doesNotMatch(html, /\s(?:src|href)="(?:[a-z]+:)?\/\//i);
  assert.doesNotMatch(html, /<script>(?!<\/script>)|<script(?![^>]*\ssrc=)[^>]*>/, "no inline script");
  assert.doesNotMatch(html, /\son[a-z]+="/i, "no inline event handlers");
  for (const css of filesOfType(".css")) {
    assert.doesNotMatch(read(css), /url\(\s*"?(?:[a-z]+:)?\/\//i, css);
    assert.doesNotMatch(read(css), /@import/, css);
  }
  for (const svg of filesOfType(".svg")) {
    assert.doesNotMatch(read(svg), /(?:href|src)="(?!#)/, `${svg} refers to another file`);
  }
  for (const js of ["main.js", "grid.js", "varnok.js"]) {
    assert.doesNotMatch(read(js), /\beval\s*\(|new Function|\.html\(/, `${js}: no eval, no markup insertion`);
  }
});

test("vendored libraries are the pinned releases, named by version, with licences", () => {
  const pkg = JSON.parse(fs.readFileSync(path.join(ROOT, "package.json"), "utf8"));
  const lock = JSON.parse(fs.readFileSync(path.join(ROOT, "package-lock.json"), "utf8"));
  const vendored = Object.fromEntries(
    read("vendor/VERSIONS")
      .split("\n")
      .filter((l) => l && !l.startsWith("#"))
      .map((l) => l.split(" "))
  );
  const libraries = {
    jquery: { names: ["JS_JQUERY_%"], banner: ["vendor/jquery/jquery.min.js", /jQuery v(\S+) /] },
    "jquery-ui": {
      names: ["JS_JQUERY_UI_%_MIN", "CSS_JQUERY_UI_%_MIN"],
      banner: ["vendor/jquery-ui/jquery-ui.min.js", /jQuery UI - v(\S+) /],
    },
    nanoscroller: {
      names: ["JS_JQUERY_NANOSCROLLER_%"],
      banner: ["vendor/nanoscroller/jquery.nanoscroller.js", /nanoScrollerJS - v(\S+) /],
    },
    raphael: { names: ["JS_RAPHAEL_%_MIN"], banner: null },
  };
  for (const [lib, { names, banner }] of Object.entries(libraries)) {
    const version = pkg.dependencies[lib];
    assert.match(version, /^\d+\.\d+\.\d+$/, `${lib} is pinned exactly`);
    assert.equal(lock.packages[`node_modules/${lib}`].version, version, `${lib} in the lock file`);
    assert.equal(vendored[lib], version, `${lib} vendored at the pinned version`);
    for (const pattern of names) {
      const name = pattern.replace("%", version.replace(/\./g, "_"));
      assert.ok(manifest.has(name), `${name} is listed`);
    }
    if (banner) assert.equal(read(banner[0]).match(banner[1])[1], version, `${banner[0]} banner`);
    const licence = path.join(PAGE_DIR, "vendor", lib, "LICENSE.txt");
    assert.ok(fs.readFileSync(licence, "utf8").length > 200, `${lib} licence text`);
  }
  assert.ok(pkg.dependencies.jquery.startsWith("3.7."), "jQuery 3.7.x");
  assert.ok(pkg.dependencies["jquery-ui"].startsWith("1.14."), "jQuery UI 1.14.x");
  assert.equal(pkg.dependencies.nanoscroller, "0.8.7");
  assert.equal(pkg.dependencies.raphael, "2.3.0");
});
