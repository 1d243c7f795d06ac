# script/check-release, against a release folder made whole here and then
# doctored one way at a time.
load stand-ins

# write_zip TEXT: the zip, its README.txt opening with TEXT, and the sums.
write_zip() {
    python3 - "$zip" "$1" <<'PY'
import hashlib, sys, zipfile
exe = open("quenmar.exe", "rb").read()
readme = "%s\n\nSHA-256 of quenmar.exe:\n%s\n\n%s" % (
    sys.argv[2].replace("\\n", "\n"), hashlib.sha256(exe).hexdigest(), open("TOOLCHAIN.txt").read())
with zipfile.ZipFile(sys.argv[1], "w") as archive:
    archive.writestr("quenmar.exe", exe)
    archive.writestr("README.txt", readme.replace("\n", "\r\n"))
PY
    sha256sum "$zip" quenmar.exe TOOLCHAIN.txt >SHA256SUMS
}

setup() {
    good=$BATS_TEST_TMPDIR/good
    zip=quenmar-$(head -1 "$repo/VERSION")-win32.zip
    mkdir "$good"
    cd "$good"
    printf 'MZ stands in for the exe' >quenmar.exe
    printf 'quenmar.exe (24 bytes) was built with:\n  g++-mingw-w64-i686-win32 12\n' >TOOLCHAIN.txt
    write_zip 'certutil -hashfile quenmar.exe SHA256\nGet-FileHash quenmar.exe -Algorithm SHA256'
}

@test "check-release passes a whole release and fails each kind of fault" {
    for row in "whole||" \
        "SHA256SUMS leaves a file out|sed -i /TOOLCHAIN/d SHA256SUMS|SHA256SUMS names" \
        "SHA256SUMS names a file twice|sed -n 2p SHA256SUMS >>SHA256SUMS|SHA256SUMS names" \
        "an extra file|touch notes.txt|the folder holds" \
        "an extra file, with its sum|touch notes.txt && sha256sum notes.txt >>SHA256SUMS|the folder holds" \
        "a file changed after its sum|echo >>TOOLCHAIN.txt|wrong sum for TOOLCHAIN.txt" \
        "an extra entry in the zip|python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1], \"a\").writestr(\"x.dll\", \"\")' \$zip && sha256sum \$zip quenmar.exe TOOLCHAIN.txt >SHA256SUMS|$zip: it holds" \
        "a README.txt without the Windows checksum steps|write_zip 'certutil -hashfile quenmar.exe SHA256'|how to check the SHA-256" \
        "a README.txt with Markdown left|write_zip 'certutil -hashfile quenmar.exe SHA256\\nGet-FileHash quenmar.exe -Algorithm SHA256\\n\\\`run\\\`'|Markdown left" \
        "the zip gone|rm \$zip|$zip: "; do
        IFS='|' read -r name doctor fault <<<"$row"
        echo "case: $name"
        rm -rf "$BATS_TEST_TMPDIR/dist"
        cp -r "$good" "$BATS_TEST_TMPDIR/dist"
        (cd "$BATS_TEST_TMPDIR/dist" && eval "$doctor")
        try "$repo/script/check-release" "$BATS_TEST_TMPDIR/dist"
        if [ -z "$fault" ]; then [ "$status" -eq 0 ]; else [ "$status" -ne 0 ]; [[ "$output" == *"$fault"* ]]; fi
    done
}
