#!/usr/bin/env bash
# Signs the installer with Authenticode (osslsigncode, SHA-256).
#
#   scripts/sign.sh CERTIFICATE KEY [OUT]
#
# CERTIFICATE is the code-signing certificate in PEM or DER form, followed by
# its intermediate certificates if any; KEY is its private key (PEM or DER).
# OUT defaults to out/InstallKorvane6.52a.exe; the built installer itself is
# left as the build made it. Environment:
#   TW_INSTALLER        the executable to sign (default: the build's installer)
#   TW_KEY_PASSWORD_FILE  file holding the key's password, for an encrypted key
#   TW_TIMESTAMP_URL    an RFC 3161 time-stamping service, so that the
#                       signature outlives the certificate
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [ $# -lt 2 ] || [ $# -gt 3 ]; then
  echo "usage: $0 CERTIFICATE KEY [OUT]" >&2
  exit 2
fi
cert=$1 key=$2
exe=${TW_INSTALLER:-$root/build-win${TW_BUILD_SUFFIX:-}/InstallKorvane6.52a.exe}
out=${3:-$root/out/InstallKorvane6.52a.exe}
[ -f "$exe" ] || { echo "sign: no installer at $exe (run scripts/build.sh installer)" >&2; exit 1; }
command -v osslsigncode >/dev/null || { echo "sign: osslsigncode missing (run scripts/setup.sh)" >&2; exit 1; }

options=(-certs "$cert" -key "$key" -h sha256 -n "Korvane 6.52a" -in "$exe")
[ -n "${TW_KEY_PASSWORD_FILE:-}" ] && options+=(-readpass "$TW_KEY_PASSWORD_FILE")
[ -n "${TW_TIMESTAMP_URL:-}" ] && options+=(-ts "$TW_TIMESTAMP_URL")

mkdir -p "$(dirname "$out")"
# Written beside the target and moved into place, so that a failed signing
# leaves no half-written executable under the final name.
tmp=$(mktemp "$out.XXXXXX")
trap 'rm -f "$tmp"' EXIT
rm -f "$tmp" # osslsigncode refuses to overwrite
osslsigncode sign "${options[@]}" -out "$tmp" >/dev/null
mv "$tmp" "$out"
echo "sign: signed $out"
