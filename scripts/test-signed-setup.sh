#!/usr/bin/env bash
# A signed setup end to end: the main job's sample setup, built with --sign
# (osslsigncode and a throw-away certificate), verifies, stops verifying when
# a byte changes, and installs under Wine, leaving an uninstaller that
# verifies too.
set -euo pipefail
cd "$(dirname "$0")/.."
keys=$(mktemp -d)
trap 'rm -rf "$keys"' EXIT
openssl req -x509 -newkey rsa:2048 -nodes -subj "/CN=setupkit test vendor" -days 2 \
    -keyout "$keys/key.pem" -out "$keys/cert.pem" 2>/dev/null
cat >"$keys/sign.sh" <<END
#!/bin/sh
osslsigncode sign -certs "$keys/cert.pem" -key "$keys/key.pem" -n "setupkit test" \
    -in "\$1" -out "\$1.signed" >/dev/null && mv "\$1.signed" "\$1"
END
chmod +x "$keys/sign.sh"

verifies() { osslsigncode verify -CAfile "$keys/cert.pem" -in "$1" >/dev/null 2>&1; }
passed=0 failed=0
check() { # WHAT COMMAND...
    local what=$1; shift
    if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $what" >&2; fi
}

SETUPKIT_SIGN="$keys/sign.sh %1" scripts/main-job.sh >"$keys/main-job.log" 2>&1 || {
    cat "$keys/main-job.log" >&2
    failed=$((failed + 1))
}
setup=build/main-job/setup.exe
check "the signed setup installs" grep -q '"Installation completed."' "$keys/main-job.log"
check "the setup verifies" verifies "$setup"
installed=$(find build/main-job/wineprefix/drive_c -name UnInstall.exe -path '*Tessaline*' | head -n 1)
check "the installed uninstaller verifies" verifies "$installed"
python3 -c 'import sys; b = bytearray(open(sys.argv[1], "rb").read()); b[40000] ^= 1
open(sys.argv[2], "wb").write(b)' "$setup" "$keys/tampered.exe"
check "a changed byte breaks the signature" bash -c "! osslsigncode verify -CAfile '$keys/cert.pem' -in '$keys/tampered.exe' >/dev/null 2>&1"
echo "signed setup: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
