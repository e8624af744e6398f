#!/usr/bin/env bash
# Builds the service's Debian package from a build tree and checks what an installation
# relies on: the file name, the files, the conffile, and a unit systemd accepts.
set -euo pipefail
build=${1:?build folder} version=${2:?version}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && cpack -B "$work/out" >/dev/null)
deb="$work/out/lumora-service_${version}_amd64.deb"
[ -f "$deb" ] || fail "no $(basename "$deb") in: $(ls "$work/out")"

contents=$(dpkg-deb -c "$deb")
for file in ./usr/bin/lumora-service ./lib/systemd/system/lumora-service.service \
            ./usr/lib/sysusers.d/lumora-service.conf ./etc/default/lumora-service \
            ./usr/share/doc/lumora-service/README.md ./usr/share/doc/lumora-service/nginx-site.conf; do
  grep -q " $file\$" <<<"$contents" || fail "$file is not in the package"
done
[ "$(dpkg-deb --ctrl-tarfile "$deb" | tar -xO ./conffiles)" = /etc/default/lumora-service ] ||
  fail "the flags file is not the one conffile"
dpkg-deb -f "$deb" Depends | grep -q libmicrohttpd12 || fail "the libraries are not in Depends"

# systemd checks the unit against the packaged binary; any complaint fails.
dpkg-deb -x "$deb" "$work/root"
sed "s|/usr/bin/lumora-service|$work/root/usr/bin/lumora-service|" \
  "$work/root/lib/systemd/system/lumora-service.service" >"$work/lumora-service.service"
complaints=$(systemd-analyze verify "$work/lumora-service.service" 2>&1) || fail "$complaints"
[ -z "$complaints" ] || fail "$complaints"

# The flags the package starts with are ones the binary takes; the file reads as shell,
# as an administrator starting the binary by hand would read it.
flags=$(sh -c '. "$1" && printf %s "$LUMORA_SERVICE_FLAGS"' sh "$work/root/etc/default/lumora-service") ||
  fail "the flags file does not read as shell"
[ -n "$flags" ] || fail "the flags file sets no LUMORA_SERVICE_FLAGS"
read -ra words <<<"$flags"
# A bad last flag stops it after parsing the others, before it binds or opens anything.
said=$("$work/root/usr/bin/lumora-service" "${words[@]}" --listen 127.0.0.1:-1 2>&1 || true)
grep -q "bad address '127.0.0.1:-1'" <<<"$said" || fail "the packaged flags are not accepted: $flags: $said"
echo "package ok: $(basename "$deb")"
