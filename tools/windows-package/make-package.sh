#!/usr/bin/env bash
# Makes the Windows client's installer package and zip:
#   make-package.sh CLIENT_EXE OUTPUT_FOLDER VERSION
# OUTPUT_FOLDER receives DravantaClient-VERSION-x64.msi (wixl, from
# dravanta-client.wxs) and DravantaClient-VERSION-x64.zip, both holding
# dravanta-client.exe and the commented DravantaClientConf.ini (CR LF line
# ends, as Windows editors expect). The MSI installs into
# C:\Program Files\Varnok\Dravanta Client\ with a Start-menu shortcut.
set -euo pipefail

exe=$1
out=$2
version=$3
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
name=DravantaClient-$version-x64
stage=$out/stage

[ -f "$exe" ] || { echo "make-package: no executable at $exe" >&2; exit 1; }
command -v wixl >/dev/null || { echo "make-package: wixl missing (bash tools/install-windows-deps.sh)" >&2; exit 1; }

rm -rf "$stage" "$out/$name.msi" "$out/$name.zip"
mkdir -p "$stage"
cp "$exe" "$stage/dravanta-client.exe"
sed 's/\r*$/\r/' "$here/DravantaClientConf.ini" >"$stage/DravantaClientConf.ini"

# (wixl looks the files up in its working folder.)
(cd "$stage" && wixl --arch x64 --define "Version=$version" \
  --output "$out/$name.msi.part" "$here/dravanta-client.wxs")

# Uninstalling removes what the client wrote into its own folder (the
# default diagnostic log and its partner; reports saved under a relative
# name: a wildcard Windows Installer honours) and its state values under
# HKEY_LOCAL_MACHINE\Software\VARNOK\QN5RA ("-": the key with its subkeys).
remove_file() {
  printf "INSERT INTO \`RemoveFile\` (\`FileKey\`, \`Component_\`, \`FileName\`, \`DirProperty\`, \`InstallMode\`) VALUES ('%s', 'ClientExecutable', '%s', 'INSTALLDIR', 2)" "$1" "$2"
}
msibuild "$out/$name.msi.part" \
  -q "$(remove_file RemoveLog DravantaClient.log)" \
  -q "$(remove_file RemoveLogPartner _DravantaClient.log)" \
  -q "$(remove_file RemoveReports 'DravantaClientLog*')" \
  -q "INSERT INTO \`Registry\` (\`Registry\`, \`Root\`, \`Key\`, \`Name\`, \`Component_\`) VALUES ('RemoveStateValues', 2, 'Software\\VARNOK\\QN5RA', '-', 'ClientExecutable')"
mv "$out/$name.msi.part" "$out/$name.msi"

(cd "$stage" && python3 -m zipfile -c "../$name.zip.part" dravanta-client.exe DravantaClientConf.ini)
mv "$out/$name.zip.part" "$out/$name.zip"
rm -rf "$stage"
echo "make-package: $out/$name.msi, $out/$name.zip"
