#!/usr/bin/env bash
# scripts/sign on a Windows build's files, with a throw-away certificate: the signed module,
# vthost.exe (and the MSI package where the build made one) verify against that certificate;
# a copy changed by one byte after signing, or checked against another certificate, does not;
# the password reaches osslsigncode through a private file, never on its command line; and
# `vthost check` tells the signed module from the unsigned one and from one cut short.
#
#   signing.sh --source DIR --build DIR --module FILE --vthost FILE --standin FILE
#                    [--msi FILE] [--check-vthost "COMMAND..."]
#
# --check-vthost is the vthost that runs the check: the native one (it reads a Windows module as
# bytes like any other), or this build's under its emulator; without one that part is skipped.
set -uo pipefail

source_dir=""; build=""; module=""; vthost_exe=""; standin=""; msi=""; check_vthost=""
while [ $# -gt 0 ]; do
  case "$1" in
    --source) source_dir="$2" ;; --build) build="$2" ;; --module) module="$2" ;;
    --vthost) vthost_exe="$2" ;; --standin) standin="$2" ;; --msi) msi="$2" ;;
    --check-vthost) check_vthost="$2" ;;
    *) echo "signing: unknown argument $1" >&2; exit 2 ;;
  esac
  shift 2
done

# The script works in its own folder: every path given becomes absolute first.
absolute() { [ -z "$1" ] || realpath -m -- "$1"; }
source_dir=$(absolute "$source_dir"); build=$(absolute "$build"); module=$(absolute "$module")
vthost_exe=$(absolute "$vthost_exe"); standin=$(absolute "$standin"); msi=$(absolute "$msi")

failures=0
fail() { echo "FAILED: $*" >&2; failures=$((failures + 1)); }
for tool in openssl osslsigncode; do
  command -v "$tool" >/dev/null || { echo "signing: $tool is missing: run scripts/setup signing" >&2; exit 1; }
done

work="$build/sign-test"
rm -rf "$work"
mkdir -p "$work/signed" "$work/unsigned" "$work/wrap" "$work/calls"
cd "$work" || exit 1

# ---- a throw-away code-signing certificate in a PKCS#12 file with a password ------------------
password="vt-$(openssl rand -hex 12)"
( umask 077; printf '%s\n' "$password" >password.txt )
certificate() {  # certificate NAME: NAME.pem, NAME.key and NAME.p12
  openssl req -x509 -newkey rsa:2048 -nodes -keyout "$1.key" -out "$1.pem" -days 2 \
      -subj "/CN=vt-vexo signing test $1" -addext "extendedKeyUsage=codeSigning" \
      -addext "keyUsage=digitalSignature" >/dev/null 2>&1 &&
    openssl pkcs12 -export -inkey "$1.key" -in "$1.pem" -out "$1.p12" -passout file:password.txt >/dev/null 2>&1
}
certificate signer || { echo "signing: openssl could not make the test certificate" >&2; exit 1; }
certificate stranger || exit 1

# ---- osslsigncode behind a wrapper that records how scripts/sign calls it --------------------
real=$(command -v osslsigncode)
cat >wrap/osslsigncode <<EOF
#!/bin/sh
# Records each call: its arguments one a line, the mode of the -readpass file, whether the
# password's variable reached it; then runs the real osslsigncode.
call="$work/calls/\$\$"
printf '%s\n' "\$@" >"\$call.args"
previous=""
for argument in "\$@"; do
  if [ "\$previous" = -readpass ]; then
    printf '%s\n' "\$argument" >"\$call.passfile"
    stat -c %a "\$argument" >"\$call.mode"
  fi
  previous="\$argument"
done
[ -z "\${VT_SIGN_PASSWORD+set}" ] || echo inherited >"\$call.environment"
exec "$real" "\$@"
EOF
chmod +x wrap/osslsigncode

files=("$module" "$vthost_exe")
[ -n "$msi" ] && [ -f "$msi" ] && files+=("$msi")
for f in "${files[@]}"; do
  cp "$f" signed/
  cp "$f" unsigned/
done
cp "$standin" signed/
cp "$standin" unsigned/
module_name=$(basename "$module")
vthost_name=$(basename "$vthost_exe")

# The module and the MSI with the password in the environment; vthost.exe from a password file;
# the module again (a second signature replaces the first).
env_targets=("signed/$module_name")
[ -f "signed/$(basename "${msi:-none}")" ] && env_targets+=("signed/$(basename "$msi")")
if ! PATH="$work/wrap:$PATH" VT_SIGN_PASSWORD="$password" "$source_dir/scripts/sign" --pkcs12 signer.p12 \
       --name "vt-vexo" "${env_targets[@]}" >sign.log 2>&1; then
  fail "scripts/sign with VT_SIGN_PASSWORD: $(cat sign.log)"
fi
for round in 1 2; do
  target="signed/$vthost_name"
  [ $round = 2 ] && target="signed/$module_name"
  if ! (unset VT_SIGN_PASSWORD; PATH="$work/wrap:$PATH" "$source_dir/scripts/sign" --pkcs12 signer.p12 \
          --password-file password.txt "$target" >>sign.log 2>&1); then
    fail "scripts/sign --password-file on $target: $(cat sign.log)"
  fi
done
if PATH="$work/wrap:$PATH" VT_SIGN_PASSWORD="not-$password" "$source_dir/scripts/sign" --pkcs12 signer.p12 \
     "unsigned/$module_name" >wrong.log 2>&1; then
  fail "scripts/sign accepted a wrong password"
fi
cmp -s "$module" "unsigned/$module_name" || fail "a failed signing changed the file"

# ---- how the password travelled -----------------------------------------------------------
calls=$(ls calls/*.args 2>/dev/null | wc -l)
[ "$calls" -eq $((${#env_targets[@]} + 3)) ] || fail "expected $((${#env_targets[@]} + 3)) osslsigncode calls, saw $calls"
for args in calls/*.args; do
  call="${args%.args}"
  while IFS= read -r argument; do
    case "$argument" in
      *"$password"*) fail "the password is on the osslsigncode command line" ;;
      -pass) fail "scripts/sign gives the password with -pass" ;;
    esac
  done <"$args"
  if [ ! -f "$call.passfile" ]; then
    fail "osslsigncode was called without -readpass: $(tr '\n' ' ' <"$args")"
    continue
  fi
  [ "$(cat "$call.mode")" = 600 ] || fail "the password file had mode $(cat "$call.mode"), not 600"
  [ ! -e "$(cat "$call.passfile")" ] || fail "the password file $(cat "$call.passfile") is left behind"
  [ ! -f "$call.environment" ] || fail "VT_SIGN_PASSWORD reached osslsigncode's environment"
done
leftovers=$(find signed unsigned -name '.sign-*' | wc -l)
[ "$leftovers" -eq 0 ] || fail "scripts/sign left temporary folders beside the files"

# ---- verification ---------------------------------------------------------------------------
verify() {  # verify FILE CA: status of osslsigncode verify
  osslsigncode verify -CAfile "$2" -in "$1" >"$work/verify.log" 2>&1
}
for f in "${files[@]}"; do
  name=$(basename "$f")
  if verify "signed/$name" signer.pem; then
    grep -q "Number of verified signatures: 1" verify.log || fail "$name: not exactly one signature: $(cat verify.log)"
  else
    fail "$name: the signed file does not verify: $(cat verify.log)"
  fi
  verify "unsigned/$name" signer.pem && fail "$name: the unsigned copy verifies"
  verify "signed/$name" stranger.pem && fail "$name: verifies against a certificate that did not sign it"
done
# One byte changed after signing, in the middle of the code.
for name in "$module_name" "$vthost_name"; do
  cp "signed/$name" "changed-$name"
  size=$(stat -c %s "changed-$name")
  offset=$((size / 2))
  byte=$(od -An -tu1 -j "$offset" -N1 "changed-$name" | tr -d ' ')
  printf "\\$(printf '%03o' $(((byte + 1) % 256)))" |
    dd of="changed-$name" bs=1 seek="$offset" conv=notrunc status=none
  cmp -s "signed/$name" "changed-$name" && fail "$name: the byte was not changed"
  verify "changed-$name" signer.pem && fail "$name: verifies after one byte changed"
done

# ---- what vthost check says ------------------------------------------------------------------
if [ -z "$check_vthost" ]; then
  echo "signing: no vthost to run the check (build the native preset): that part is skipped"
else
  head -c $(($(stat -c %s "signed/$module_name") - 100)) "signed/$module_name" >cut.tmp
  mkdir -p cut && cp cut.tmp "cut/$module_name" && cp "$standin" cut/
  for tree in signed unsigned cut; do
    printf 'name vt_vexo\nstartup dll\nexec_file %s\ntext_dir %s\nrevision Wildfire\nend\n' \
      "$work/$tree/$module_name" "$build/app/text" >"$tree/protk.dat"
    # shellcheck disable=SC2086  # the command may be an emulator and a program
    $check_vthost check --no-start "$work/$tree" 2>&1 | tr -d '\r' >"$tree.check" || true
  done
  grep -Eq "^ok +module +.*$module_name: signed \(Authenticode, [0-9]+ bytes" signed.check ||
    fail "vthost check does not say the signed module is signed: $(cat signed.check)"
  grep -Eq "^warning +module +.*$module_name: is not signed -- sign it with scripts/sign" unsigned.check ||
    fail "vthost check does not say the unsigned module is not signed: $(cat unsigned.check)"
  grep -Eq "^FAULT +module +.*$module_name: is damaged: the signature cannot be read: the certificate table runs past the end of the file" cut.check ||
    fail "vthost check does not find the signed module cut short: $(cat cut.check)"
  grep -q "is not signed" signed.check && fail "vthost check calls the signed module unsigned: $(cat signed.check)"
fi

if [ "$failures" -gt 0 ]; then
  echo "signing: $failures failures" >&2
  exit 1
fi
echo "signing: ${#files[@]} files signed and verified; changed copies fail; the password stayed off the command line"
