#!/usr/bin/env bash
# Refreshes the script libraries vendored under ui/page/vendor/ from the npm
# registry, at the exact versions pinned in package.json / package-lock.json.
#
# To move to a new release: change the version in package.json, run
# `npm install --package-lock-only`, run this script, then rename the
# versioned resource names in ui/page/resources.txt and ui/page/index.html
# (tests/e2e/page_manifest.test.js fails until both agree with the files).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
vendor=$root/ui/page/vendor

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp package.json package-lock.json "$work/"
(cd "$work" && npm ci --ignore-scripts --omit=dev --no-audit --no-fund --loglevel=error)
nm=$work/node_modules

rm -rf "$vendor"
mkdir -p "$vendor/jquery" "$vendor/jquery-ui/images" "$vendor/nanoscroller" "$vendor/raphael"

# jQuery
cp "$nm/jquery/dist/jquery.min.js" "$vendor/jquery/"
cp "$nm/jquery/LICENSE.txt" "$vendor/jquery/LICENSE.txt"

# jQuery UI, with its base theme. The theme's icon sprites are served under
# resource names, so their relative addresses in the style sheet are
# rewritten to those names: images/ui-icons_444444_256x240.png becomes
# IMG_JQUERY_UI_ICONS_444444.
cp "$nm/jquery-ui/dist/jquery-ui.min.js" "$vendor/jquery-ui/"
cp "$nm/jquery-ui/LICENSE.txt" "$vendor/jquery-ui/LICENSE.txt"
sed -E 's#url\("?images/ui-icons_([0-9a-fA-F]{6})_256x240\.png"?\)#url("IMG_JQUERY_UI_ICONS_\U\1\E")#g' \
  "$nm/jquery-ui/dist/themes/base/jquery-ui.min.css" >"$vendor/jquery-ui/jquery-ui.min.css"
cp "$nm"/jquery-ui/dist/themes/base/images/ui-icons_*_256x240.png "$vendor/jquery-ui/images/"
if grep -q 'url("\?images/' "$vendor/jquery-ui/jquery-ui.min.css"; then
  echo "refresh-page-vendor: jQuery UI style sheet still refers to images/ by path" >&2
  exit 1
fi

# nanoScroller (its package ships no minified build). The source-map comment
# is dropped: the map is not shipped and the page host would answer 404.
sed '/^\/\/# sourceMappingURL=/d' "$nm/nanoscroller/bin/javascripts/jquery.nanoscroller.js" \
  >"$vendor/nanoscroller/jquery.nanoscroller.js"
cp "$nm/nanoscroller/bin/css/nanoscroller.css" "$vendor/nanoscroller/"
cp "$nm/nanoscroller/LICENSE" "$vendor/nanoscroller/LICENSE.txt"

# Raphael (loaded by the page; none of its drawing is used).
cp "$nm/raphael/raphael.min.js" "$vendor/raphael/"
cp "$nm/raphael/license.txt" "$vendor/raphael/LICENSE.txt"

# Record what was vendored, for the manifest test and for reviewers.
{
  echo "# Written by tools/refresh-page-vendor.sh; do not edit."
  for pkg in jquery jquery-ui nanoscroller raphael; do
    echo "$pkg $(node -p "require('$nm/$pkg/package.json').version")"
  done
} >"$vendor/VERSIONS"
echo "refresh-page-vendor: vendored into ui/page/vendor:"
sed -n '2,$p' "$vendor/VERSIONS"
