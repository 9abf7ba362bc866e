# Shared by the signing test and scripts/check-reproducible.sh: a throwaway publisher certificate
# and a signed build made with it. The key lives for one test run in a build folder; its password
# and the signing time are fixed here so that a second signed build can sign the same way.

KV_TEST_SIGNING_PASSWORD=throwaway-test-key
KV_TEST_SIGNING_EPOCH=1700000000
KV_TEST_PUBLISHER="Kavento Test Publisher"

# kv_signing_tools_missing: names what signing needs and this machine lacks (nothing: all there).
kv_signing_tools_missing() {
    local tool
    for tool in osslsigncode openssl; do
        command -v "$tool" >/dev/null || printf '%s ' "$tool"
    done
}

# kv_make_test_certificate DIR: a new CA (DIR/ca.pem) and a code-signing certificate issued by it,
# with its RSA key, in DIR/publisher.pfx. RSA, because its signatures are the same bytes each time;
# an ECDSA signature draws a random number and would differ between two builds.
kv_make_test_certificate() {
    local dir=$1
    rm -rf "$dir"
    mkdir -p "$dir"
    (
        cd "$dir" &&
            openssl req -x509 -newkey rsa:2048 -noenc -keyout ca.key -out ca.pem -days 30 \
                -subj "/CN=Kavento Throwaway Test CA" -addext basicConstraints=critical,CA:TRUE \
                -addext keyUsage=critical,keyCertSign 2>/dev/null &&
            openssl req -new -newkey rsa:2048 -noenc -keyout publisher.key -out publisher.csr \
                -subj "/CN=$KV_TEST_PUBLISHER" 2>/dev/null &&
            printf '%s\n' basicConstraints=CA:FALSE keyUsage=critical,digitalSignature \
                extendedKeyUsage=codeSigning >publisher.ext &&
            openssl x509 -req -in publisher.csr -CA ca.pem -CAkey ca.key -set_serial 2 -days 30 \
                -extfile publisher.ext -out publisher.pem 2>/dev/null &&
            KV_PASS=$KV_TEST_SIGNING_PASSWORD openssl pkcs12 -export -inkey publisher.key \
                -in publisher.pem -out publisher.pfx -passout env:KV_PASS &&
            rm -f ca.key publisher.key publisher.csr
    )
}

# kv_build_signed SOURCE_DIR BUILD_DIR PFX [CMAKE_ARG...]: configures BUILD_DIR as a Win32 build
# signed with PFX and builds the installer, with the programs it carries.
kv_build_signed() {
    local source=$1 build=$2 pfx=$3
    shift 3
    cmake -S "$source" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$source/cmake/toolchain-i686-mingw.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DKV_SIGNING_PFX="$pfx" "$@" >/dev/null &&
        KV_SIGNING_PASSWORD=$KV_TEST_SIGNING_PASSWORD SOURCE_DATE_EPOCH=$KV_TEST_SIGNING_EPOCH \
            cmake --build "$build" --target Kavento-Install -j2 >/dev/null
}
