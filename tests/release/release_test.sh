#!/usr/bin/env bash
# The release of the sample stick from the product build PRODUCT_DIR (its
# program and stand-in components), unsigned and signed, in the working
# folder:
#   tests/release/release_test.sh PRODUCT_DIR
# The sources that a record calls clean are those that a rebuild copies,
# whatever git's settings hide. Unsigned: every file in its place, the
# manifest names every component, the exact xz source and, with the
# .buildinfo, the tools' exact packages; SHA256SUMS verifies with sha256sum
# -c (and fails on a changed byte), and the stick's program is the build's;
# tools/reproduce.sh --against passes on it and names a recorded version
# changed by hand. Signed, by a throwaway authority made here (root,
# intermediate, code-signing certificate, time stamps from a local server; no
# key lives anywhere else): the signature verifies against the root alone
# and fails on a changed byte, its Authenticode digest is the build's
# (tools/reproduce.sh --against), and the manifest names the signer and the
# exact osslsigncode; signing keeps the image flags. The signed program is left in launcher/, beside the
# build's components, for the test release_signed_start, which starts it
# from a stick under Wine.
# tools/sign.sh signs nothing without its identity, a whole chain or the time
# stamp asked for, and a release without its signature has no stick; a test
# build is no release's.
set -euo pipefail
[ $# -eq 1 ] && [ -f "$1/Quillon.exe" ] || { echo "usage: release_test.sh PRODUCT_DIR" >&2; exit 2; }
root=$(cd "$(dirname "$0")/../.." && pwd)
product=$(cd "$1" && pwd)
work=$PWD
source "$root/tools/product.sh"
components=$(quillon_components "$product")
built="$product/Quillon.exe"
find "$work" -mindepth 1 -delete
fail() { echo "FAIL: $*"; exit 1; }
sum() { sha256sum <"$1" | cut -d' ' -f1; }
"$root/tools/sample-stick.sh" "$work/files"

# release NAME [OPTIONS...]: tools/release.sh of the product build into
# $work/NAME, its output in $work/NAME.log; its status in $status.
release() {
  local name=$1
  shift
  status=0
  "$root/tools/release.sh" --build-dir "$product" "$@" "$work/files/.cfg" "$work/$name" \
    >"$work/$name.log" 2>&1 || status=$?
}

# ---- The sources that a record names ----
# A repository of its own with the functions, whose settings hide untracked
# files from git status; the build would compile them all the same.
tree="$work/tree"
mkdir -p "$tree/tools"
cp "$root/tools/product.sh" "$tree/tools/"
(cd "$tree" && git init -q && git config status.showUntrackedFiles no &&
  echo ignored.cpp >.gitignore && echo a >a.cpp && git add -A &&
  git -c user.name=t -c user.email=t@t commit -qm sources)
commit=$(git -C "$tree" rev-parse HEAD)
# Rows: a change | the state's suffix | the sources listed.
while IFS='|' read -r change suffix listed; do
  git -C "$tree" reset -q --hard && git -C "$tree" clean -qfdx
  actual=$(cd "$tree" && eval "$change" && source tools/product.sh &&
    echo "$(quillon_sources_state)|$(quillon_sources | tr '\0' '\n' | LC_ALL=C sort | paste -sd' ')")
  [ "$actual" = "$commit$suffix|$listed" ] || fail "sources after '$change': $actual"
done <<EOF
:||.gitignore a.cpp tools/product.sh
touch new.cpp| with local changes|.gitignore a.cpp new.cpp tools/product.sh
touch ignored.cpp||.gitignore a.cpp tools/product.sh
echo b >>a.cpp| with local changes|.gitignore a.cpp tools/product.sh
rm a.cpp| with local changes|.gitignore tools/product.sh
EOF

# ---- Unsigned ----
release plain
out="$work/plain"
buildinfo="quillon_$(quillon_cached "$product" QUILLON_VERSION).buildinfo"
[ "$status" -eq 0 ] || { cat "$work/plain.log"; fail "tools/release.sh failed"; }
for f in stick/Quillon.exe stick/.cfg/Language.cfg stick/.cfg/0409.cfg stick/.cfg/0411.cfg \
         stick/.cfg/0804.cfg stick/.cfg/Setting.ini gallery/index.html check-stick.txt \
         SHA256SUMS MANIFEST "$buildinfo"; do
  [ -s "$out/$f" ] || fail "$f missing or empty"
done
[ "$(grep -c unsigned "$work/plain.log")" -eq 1 ] ||
  fail "the unsigned release doesn't say so in one line: $(cat "$work/plain.log")"
grep -qx 'signature none' "$out/MANIFEST" || fail "MANIFEST: no 'signature none'"
# Every file of the stick is summed, and nothing else.
listed=$(cut -d' ' -f3- "$out/SHA256SUMS" | LC_ALL=C sort)
present=$(cd "$out" && find stick -type f | LC_ALL=C sort)
[ "$listed" = "$present" ] || fail "SHA256SUMS lists: $listed; the stick holds: $present"
(cd "$out" && sha256sum --quiet -c SHA256SUMS) || fail "sha256sum -c SHA256SUMS"
cp "$out/stick/.cfg/Setting.ini" "$work/Setting.ini"
printf 'x' >>"$out/stick/.cfg/Setting.ini"
if (cd "$out" && sha256sum --quiet -c SHA256SUMS) >/dev/null 2>&1; then
  fail "sha256sum -c passes with a changed Setting.ini"
fi
cp "$work/Setting.ini" "$out/stick/.cfg/Setting.ini"

# One row per payload, each with the file's own size and sum.
grep -q '^program Quillon.exe [0-9]*\.[0-9]*\.[0-9]*\.[0-9]*$' "$out/MANIFEST" ||
  fail "no program version in MANIFEST"
rows=$(grep -c '^component ' "$out/MANIFEST")
[ "$rows" -eq 20 ] || fail "MANIFEST: $rows components, expected 20"
while read -r _ resource file size sum packed; do
  [ "$size" = "$(wc -c <"$components/$file" | tr -d ' ')" ] || fail "$resource: size $size"
  [ "$sum" = "$(sum "$components/$file")" ] || fail "$resource: sum $sum"
  [ "$packed" -gt 13 ] || fail "$resource: packed size $packed"
done < <(grep '^component ' "$out/MANIFEST")

cmp "$out/stick/Quillon.exe" "$built" || fail "the release's Quillon.exe isn't the build's"
echo "release: unsigned, $rows components, SHA256SUMS verifies, $(sum "$built" | cut -c1-16) = the build's"

# The record: the xz source as the set-up recorded it, whose tree says the
# same version; the compiler's package at the version installed; the
# program's sum.
xz=$(quillon_cached "$product" QUILLON_XZ_SOURCE_DIR)
grep -qx "xz-source $(cat "$xz/.quillon-source")" "$out/MANIFEST" ||
  fail "MANIFEST: $(grep '^xz-source' "$out/MANIFEST"), $xz records $(cat "$xz/.quillon-source")"
changelog=$(sed -n '1s/^\([^ ]*\) (\([^)]*\)).*/\1 (= \2)/p' "$xz/debian/changelog")
compiler_version=$(dpkg-query -W -f='${Version}' g++-mingw-w64-i686-win32)
compiler="g++-mingw-w64-i686-win32 (= $compiler_version)"
for line in "Built-Using: $changelog" " $compiler" " $(sum "$built") $(wc -c <"$built") Quillon.exe"; do
  sed 's/,$//' "$out/$buildinfo" | grep -qxF "$line" ||
    fail "$buildinfo: no '$line': $(cat "$out/$buildinfo")"
done
# The check that anyone can run passes on it, and names what a hand changed
# in the record (the program compared byte for byte).
against() {
  status=0
  "$root/tools/reproduce.sh" --against "$1" --first "$product" >"$work/against.log" 2>&1 || status=$?
}
against "$out"
[ "$status" -eq 0 ] && grep -qx "reproduce: nothing differs from the release's record" "$work/against.log" ||
  fail "reproduce.sh --against its own release: status $status, $(cat "$work/against.log")"
# Rows: the file changed | the change | what is named.
while IFS='|' read -r file edit expected; do
  rm -rf "$work/changed" && mkdir -p "$work/changed/stick"
  cp "$out/MANIFEST" "$out/$buildinfo" "$work/changed/"
  cp "$built" "$work/changed/stick/Quillon.exe"
  sed -i "$edit" "$work/changed/$file"
  against "$work/changed"
  [ "$status" -eq 1 ] && grep -qF "reproduce: $expected" "$work/against.log" ||
    fail "reproduce.sh --against, $file changed by '$edit': status $status, $(cat "$work/against.log")"
done <<EOF
$buildinfo|s/^ $compiler/ g++-mingw-w64-i686-win32 (= 12.2.0-1)/|g++-mingw-w64-i686-win32 differs: the release's 12.2.0-1, here $compiler_version
MANIFEST|s/^xz-source xz-utils [^ ]*/xz-source xz-utils 5.4.1-1/|the xz source differs: the release's xz-utils 5.4.1-1
MANIFEST|s/^sources [0-9a-f]*/sources 0123456789/|the sources' commit differs: the release's 0123456789
MANIFEST|/^component OSTRELVT_DLL /s/ [0-9]*\$/ 1/|the component OSTRELVT_DLL differs
stick/Quillon.exe|1s/^MZ/MX/|Quillon.exe differs: the release's SHA-256
EOF
echo "release: the record names the xz source and the tools exactly; reproduce.sh --against passes, and" \
  "names a changed version"

# Only the product's configuration of this tree makes a release, with the
# record that a release names and from the sources as they are: the product
# build's cache changed as another build's would be, one without the xz
# source's record, or one built from another tree.
while IFS='|' read -r name expected edit; do
  mkdir -p "$work/$name"
  cp "$built" "$work/$name/"
  # Built from other sources: an older tree, say.
  if [ "$name" = older ]; then git -C "$root" hash-object -t tree /dev/null >"$work/$name/sources.tree"
  else cp "$product/sources.tree" "$work/$name/"; fi
  [ -z "$edit" ] || sed "$edit" "$product/CMakeCache.txt" >"$work/$name/CMakeCache.txt"
  status=0
  "$root/tools/release.sh" --build-dir "$work/$name" "$work/files/.cfg" "$work/$name/out" \
    >"$work/$name.log" 2>&1 || status=$?
  [ "$status" -eq 1 ] && grep -q "$expected" "$work/$name.log" &&
    [ ! -e "$work/$name/out/stick" ] || fail "a release from the $name build: status $status," \
      "$(cat "$work/$name.log")"
done <<EOF
test|is not a build of this tree's product|s/^QUILLON_TESTS:BOOL=.*/QUILLON_TESTS:BOOL=ON/
x86-64|is not a build of this tree's product|s/mingw-i686\.cmake/mingw-x86_64.cmake/
other-tree|is not a build of this tree's product|s|^CMAKE_HOME_DIRECTORY:INTERNAL=.*|CMAKE_HOME_DIRECTORY:INTERNAL=/elsewhere|
no-build|is not a build of this tree's product|
no-xz-record|records no QUILLON_XZ_SOURCE|s/^QUILLON_XZ_SOURCE:INTERNAL=.*/QUILLON_XZ_SOURCE:INTERNAL=/
older|wasn't built from the sources as they are now: build it again|s/^//
EOF

# ---- The throwaway authority, and its time-stamp server ----
pki="$work/pki"
mkdir -p "$pki"
echo 01 >"$pki/stamp-serial"
cat >"$pki/openssl.cnf" <<EOF
[ca]
basicConstraints = critical, CA:true
keyUsage = critical, keyCertSign, cRLSign
[signer]
basicConstraints = critical, CA:false
keyUsage = critical, digitalSignature
extendedKeyUsage = codeSigning
[stamper]
basicConstraints = critical, CA:false
keyUsage = critical, digitalSignature
extendedKeyUsage = critical, timeStamping
[tsa]
default_tsa = stamps
[stamps]
serial = $pki/stamp-serial
certs = $pki/intermediate.pem
signer_digest = sha256
default_policy = 1.2.3.4.1
digests = sha256
ess_cert_id_alg = sha256
EOF
# issue NAME SUBJECT EXTENSIONS [ISSUER]: NAME.key and NAME.pem, self-signed
# without ISSUER.
issue() {
  local name=$1 subject=$2 extensions=$3 issuer=${4:-$1}
  local by=(-CA "$pki/$issuer.pem" -CAkey "$pki/$issuer.key" -CAcreateserial)
  [ "$issuer" != "$name" ] || by=(-key "$pki/$name.key")
  openssl req -new -newkey rsa:2048 -nodes -keyout "$pki/$name.key" -subj "$subject" \
    -out "$pki/$name.csr" 2>/dev/null
  openssl x509 -req -in "$pki/$name.csr" "${by[@]}" -days 2 -out "$pki/$name.pem" \
    -extfile "$pki/openssl.cnf" -extensions "$extensions" 2>/dev/null
}
issue root "/CN=Quillon Test Root" ca
issue intermediate "/CN=Quillon Test Intermediate" ca root
issue signer "/O=Quillon Test/CN=Quillon release signer" signer intermediate
issue stamper "/CN=Quillon Test Time Stamps" stamper intermediate
issue stranger "/CN=Stranger Time Stamps" stamper
cat "$pki/root.pem" "$pki/intermediate.pem" >"$pki/authority.pem"
cat "$pki/authority.pem" "$pki/signer.pem" >"$pki/chain.pem"
printf 'a pass phrase\n' >"$pki/password"
printf 'a wrong one\n' >"$pki/wrong-password"
openssl pkcs12 -export -inkey "$pki/signer.key" -in "$pki/signer.pem" \
  -certfile "$pki/authority.pem" -passout "file:$pki/password" \
  -out "$pki/signer.p12"
subject="/O=Quillon Test/CN=Quillon release signer"
fingerprint=$(openssl x509 -in "$pki/signer.pem" -noout -fingerprint -sha256 | sed 's/^[^=]*=//')
# An RFC 3161 server on a free port: http://127.0.0.1:PORT/NAME stamps with
# NAME.pem (stamper, of the authority; stranger, of none that the release knows).
python3 - "$pki" <<'EOF' &
import http.server, os, subprocess, sys
pki = sys.argv[1]
class Stamps(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        name = pki + "/" + self.path.strip("/")
        query = self.rfile.read(int(self.headers["Content-Length"]))
        reply = subprocess.run(["openssl", "ts", "-reply", "-config", pki + "/openssl.cnf",
                                "-queryfile", "/dev/stdin", "-signer", name + ".pem",
                                "-inkey", name + ".key", "-out", "/dev/stdout"],
                               input=query, capture_output=True).stdout
        self.send_response(200)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(reply)))
        self.end_headers()
        self.wfile.write(reply)
    def log_message(self, *args):
        pass
server = http.server.HTTPServer(("127.0.0.1", 0), Stamps)
with open(pki + "/port.new", "w") as f:
    f.write(str(server.server_port))
os.replace(pki + "/port.new", pki + "/port")
server.serve_forever()
EOF
stamps=$!
trap 'kill "$stamps" 2>/dev/null || true' EXIT
while [ ! -s "$pki/port" ] && kill -0 "$stamps" 2>/dev/null; do sleep 0.1; done
[ -s "$pki/port" ] || fail "the time-stamp server didn't start"
stamps_url="http://127.0.0.1:$(cat "$pki/port")"

# ---- Signed ----
release signed --pkcs12 "$pki/signer.p12" --password-file "$pki/password" \
  --timestamp "$stamps_url/stamper" --url https://example.org/quillon
out="$work/signed"
[ "$status" -eq 0 ] || { cat "$work/signed.log"; fail "the signed release failed"; }
program="$out/stick/Quillon.exe"
manifest() { sed -n "s/^$1 //p" "$out/MANIFEST"; }
# The signature: SHA-256, the name and the URL, the whole chain (the root alone
# verifies it), the time stamp.
osslsigncode verify -CAfile "$pki/root.pem" -TSA-CAfile "$pki/root.pem" -in "$program" \
  >"$work/verify.log" 2>&1 ||
  { cat "$work/verify.log"; fail "the signed program doesn't verify against the root"; }
for line in 'Message digest algorithm *: SHA256' 'Text description: Vaultine' \
            'URL description: https://example.org/quillon' \
            'Timestamp Server Signature verification: ok'; do
  grep -q "^[[:space:]]*$line *\$" "$work/verify.log" || fail "osslsigncode verify: no '$line'"
done
# Signing keeps the image flags and leaves a right header checksum: the
# build's step, run again on a copy, changes nothing.
cp "$program" "$work/flags.exe"
"$QUILLON_IMAGE_FLAGS" "$work/flags.exe" >/dev/null && cmp -s "$program" "$work/flags.exe" ||
  fail "the signed program lost its image flags or its header checksum"
# Its Authenticode digest is that of the build's program: the signature of the
# release put on it gives the release, byte for byte.
against "$out"
[ "$status" -eq 0 ] && grep -q "Authenticode digest is the release's" "$work/against.log" ||
  fail "reproduce.sh --against the signed release: status $status, $(cat "$work/against.log")"
# A changed byte, in the program's code, fails.
cp "$program" "$work/changed.exe"
offset=4096
byte=$(od -An -tu1 -j "$offset" -N1 "$program" | tr -d ' ')
printf "\\$(printf '%03o' $(((byte + 1) % 256)))" |
  dd of="$work/changed.exe" bs=1 seek="$offset" conv=notrunc 2>/dev/null
if osslsigncode verify -CAfile "$pki/root.pem" -in "$work/changed.exe" >/dev/null 2>&1; then
  fail "a program changed at offset $offset verifies"
fi
# The manifest: the signature, the signer, its certificate, both programs'
# sums, the digest.
signer_tool="osslsigncode $(dpkg-query -W -f='${Version}' osslsigncode)"
grep -qxF "signature $signer_tool, SHA-256, time stamp from $stamps_url/stamper" "$out/MANIFEST" ||
  fail "MANIFEST: $(grep '^signature' "$out/MANIFEST")"
while IFS='|' read -r field expected; do
  [ "$(manifest "$field")" = "$expected" ] ||
    fail "MANIFEST $field: '$(manifest "$field")', expected '$expected'"
done <<EOF
signer|$subject
signer-certificate-sha256|$fingerprint
program-unsigned-sha256|$(sum "$built")
program-signed-sha256|$(sum "$program")
EOF
grep -qx "$(sum "$program")  stick/Quillon.exe" "$out/SHA256SUMS" ||
  fail "SHA256SUMS doesn't list the signed program"

# The signed program, beside the build's components as the end-to-end test
# compares them, for release_signed_start.
mkdir -p "$work/launcher"
cp "$program" "$work/launcher/Quillon.exe"
ln -s "$components" "$work/launcher/components"
echo "release: signed by $(manifest signer), digest $(manifest authenticode-sha256 | cut -c1-16)" \
  "= the build's, verifies against the root, fails on a changed byte"

# ---- Signatures that can't be made or checked: none, and why ----
# The signer is the certificate of the key, wherever it is in the chain.
"$root/tools/sign.sh" --cert "$pki/chain.pem" --key "$pki/signer.key" 2>&1 |
  grep -qF "signer $subject (certificate SHA-256 $fingerprint)" || fail "sign.sh names another signer"
while IFS='|' read -r name expected options; do
  read -ra args <<<"$options"
  status=0
  "$root/tools/sign.sh" "${args[@]}" "$built" "$work/$name.exe" >"$work/$name.log" 2>&1 || status=$?
  if [ "$status" -ne 1 ] || [ -e "$work/$name.exe" ] || ! grep -qF "$expected" "$work/$name.log"; then
    cat "$work/$name.log"
    fail "$name ($options): status $status, expected 1, no program and '$expected'"
  fi
done <<EOF
wrong-password|can't be read with the password|--pkcs12 $pki/signer.p12 --password-file $pki/wrong-password
no-certificate-of-the-key|holds no certificate of its key|--cert $pki/authority.pem --key $pki/signer.key
incomplete-chain|doesn't verify against the identity's certificates|--cert $pki/signer.pem --key $pki/signer.key
unreachable-time-stamp|no time stamp from http://127.0.0.1:9/ (the server can't be reached|--cert $pki/chain.pem --key $pki/signer.key --timestamp http://127.0.0.1:9/
stranger-time-stamp|no time stamp from $stamps_url/stranger that verifies|--cert $pki/chain.pem --key $pki/signer.key --timestamp $stamps_url/stranger
EOF
# A release whose program can't be signed stops, without a stick.
release unstamped --cert "$pki/chain.pem" --key "$pki/signer.key" --timestamp http://127.0.0.1:9/
if [ "$status" -eq 0 ] || [ -e "$work/unstamped/stick" ] ||
   ! grep -q "no time stamp from http://127.0.0.1:9/" "$work/unstamped.log"; then
  cat "$work/unstamped.log"
  fail "a release without the time stamp asked for: status $status"
fi
echo "release: no signature without its identity, a whole chain, or the time stamp asked for"
