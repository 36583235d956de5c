#!/usr/bin/env bash
# Installs the npm packages pinned in package-lock.json (the page's script
# libraries and playwright-core for the browser tests) into node_modules/.
# Idempotent: when node_modules already matches the lock file it returns at
# once, without asking the registry. No browser is downloaded: the tests
# drive Debian's /usr/bin/chromium.
set -euo pipefail
cd "$(dirname "$0")/.."

# Debian's nodejs comes without npm (other builds of nodejs carry it).
if ! command -v npm >/dev/null; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "install-node-deps: npm not found (run as root to install it)" >&2
    exit 1
  fi
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends npm
fi

# npm writes node_modules/.package-lock.json after every install; when it
# names the same packages and versions as the lock file, nothing is to do.
if [ -f node_modules/.package-lock.json ] &&
   node -e '
     const want = require("./package-lock.json").packages;
     const have = require("./node_modules/.package-lock.json").packages;
     for (const [p, e] of Object.entries(want)) {
       if (p === "") continue;
       if (!have[p] || have[p].version !== e.version) process.exit(1);
     }' 2>/dev/null; then
  exit 0
fi

export PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1
npm ci --no-audit --no-fund --loglevel=error
