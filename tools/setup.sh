#!/usr/bin/env bash
# Prepares a Debian 12 machine to cross-build and test the programs:
# MinGW-w64 i686 (the shipped programs) and x86_64 (tests on machines that
# cannot run 32-bit Wine), Wine, Xvfb, test and JSON libraries; 32-bit Wine
# where the kernel runs 32-bit code and its packages can be had, else QEMU
# and debootstrap for the virtual machine that runs the shipped 32-bit
# programs (tools/wine32_here.sh decides); and for each
# processor a static libcurl with Schannel built from Debian's curl source
# package and BoringSSL's SHA-1 (the content check's fallback digest) built
# from Debian's source package.
# Idempotent: every step checks whether its result is already in place.
set -euo pipefail

CACHE_DIR="${TAVRIN_CACHE:-$HOME/.cache/tavrin}"

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo >/dev/null; then
    echo "setup: run as root, or as a user who may use sudo" >&2
    exit 1
  fi
  SUDO="sudo"
fi

packages=(
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
  mingw-w64-i686-dev cmake ninja-build
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
  binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
  wine wine64 xvfb xauth
  nlohmann-json3-dev googletest
  dpkg-dev file python3 imagemagick openssl
  chromium chromium-driver
)
# The virtual machine that runs the shipped 32-bit programs where 32-bit
# Wine cannot run on the host (tools/vm_image.sh, tools/vm_run.sh).
vm_packages=(qemu-system-x86 qemu-utils debootstrap e2fsprogs)
# 32-bit Wine on the host. TAVRIN_I386_PACKAGES replaces the list, so that
# a failing install can be tried (a package name that does not exist).
read -r -a i386_packages <<<"${TAVRIN_I386_PACKAGES:-wine32:i386 libgnutls30:i386}"

missing_of() {
  local p
  for p in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
      echo "$p"
    fi
  done
}

# A mirror index that is being synced fails for a while ("Mirror sync in
# progress?"), often one that nothing here needs: try a few times, then go on
# with the lists there are and let the install say whether they suffice.
update_failed=0
pending_update=0
apt_update() {
  local attempt
  update_failed=0
  pending_update=0
  for attempt in 1 2 3; do
    if $SUDO apt-get update -q; then
      return
    fi
    echo "setup: apt-get update failed (attempt $attempt of 3)" >&2
    [ "$attempt" -lt 3 ] && sleep 20
  done
  update_failed=1
  echo "setup: going on without a complete package index" >&2
}
apt_install() {
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q \
    --no-install-recommends "$@"
}
# Installs what is missing of the packages named, or stops the set-up.
install_or_stop() {
  local -a missing
  mapfile -t missing < <(missing_of "$@")
  [ ${#missing[@]} -gt 0 ] || return 0
  echo "setup: installing ${missing[*]}"
  apt_update
  if ! apt_install "${missing[@]}"; then
    echo "setup: FAILED to install: ${missing[*]}" >&2
    if [ $update_failed -eq 1 ]; then
      echo "setup: apt-get update had failed as well (see above); once the" \
        "mirror answers again, run this command again" >&2
    fi
    exit 1
  fi
}

# 32-bit Wine on the host, in an install of its own: on these machines the
# mirror's i386 indexes have been broken for days, and an install that held
# the i386 packages beside the rest installed nothing at all. Where it fails,
# the machine is put back as it was (no i386 architecture that nothing uses,
# so that the user's apt-get update stays clean) and the virtual machine's
# way is taken. A failure is remembered for a day, so that a set-up machine
# does not pay for the attempt on every run.
i386_failed_stamp=$CACHE_DIR/i386-install-failed
# Written before the architecture is added and cleared only once it is put
# back or in use: a run interrupted in between leaves the record, and the
# next run that cannot have the i386 packages removes what this one added.
# An i386 architecture without the record is someone else's and stays.
i386_added_record=$CACHE_DIR/i386-architecture-added

i386_packages_installed() {
  dpkg-query -W -f='${Architecture} ${db:Status-Status}\n' 2>/dev/null |
    grep -q '^i386 installed$'
}

# Removes the i386 architecture where this set-up added it and nothing uses
# it.
put_back_i386() {
  [ -f "$i386_added_record" ] || return 0
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    rm -f "$i386_added_record"
    return 0
  fi
  if i386_packages_installed; then
    echo "setup: i386 packages are installed now, so the i386 architecture" \
      "stays" >&2
    rm -f "$i386_added_record"
    return 0
  fi
  if $SUDO dpkg --remove-architecture i386; then
    echo "setup: removed the i386 architecture that an earlier set-up added"
    rm -f "$i386_added_record"
  else
    echo "setup: could not remove the i386 architecture; the next run" \
      "tries again" >&2
  fi
}

try_host_wine32() {
  [ ${#i386_packages[@]} -gt 0 ] || { put_back_i386; return 1; }
  if [ -z "$(missing_of "${i386_packages[@]}")" ]; then
    rm -f "$i386_added_record"
    return 0
  fi
  if [ -n "$(find "$i386_failed_stamp" -mmin -1440 2>/dev/null)" ]; then
    echo "setup: 32-bit Wine could not be installed here within the last" \
      "day; not trying again before then (delete $i386_failed_stamp to" \
      "try now)"
    put_back_i386
    return 1
  fi
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    touch "$i386_added_record"
    $SUDO dpkg --add-architecture i386
  fi
  local index="the package index was updated"
  if ! $SUDO apt-get update -q >"$CACHE_DIR/i386-apt.log" 2>&1; then
    index="the package index could not be updated"
  fi
  # The install decides: an index that failed may be one it does not need.
  if apt_install "${i386_packages[@]}" >>"$CACHE_DIR/i386-apt.log" 2>&1; then
    rm -f "$i386_failed_stamp" "$i386_added_record"
    return 0
  fi
  local failure="${i386_packages[*]} could not be installed; $index"
  echo "setup: 32-bit Wine is not available on this host ($failure;" \
    "details in $CACHE_DIR/i386-apt.log): the shipped programs will run" \
    "under 32-bit Wine in a virtual machine"
  touch "$i386_failed_stamp"
  put_back_i386
  return 1
}

mkdir -p "$CACHE_DIR"
src_list=/etc/apt/sources.list.d/debian-src.sources
if [ ! -f "$src_list" ]; then
  sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
    $SUDO tee "$src_list" >/dev/null
  pending_update=1
fi

if "$(dirname "$0")/wine32_here.sh" --kernel >/dev/null; then
  install_or_stop "${packages[@]}"
  if "$(dirname "$0")/wine32_here.sh" >/dev/null ||
    { try_host_wine32 && "$(dirname "$0")/wine32_here.sh" >/dev/null; }; then
    echo "setup: 32-bit Wine runs on this host"
  else
    install_or_stop "${vm_packages[@]}"
  fi
else
  # 32-bit Wine cannot start on this kernel, and adding the i386
  # architecture would only make the package index depend on i386 mirrors.
  echo "setup: this kernel runs no 32-bit code; the shipped programs will" \
    "run under 32-bit Wine in a virtual machine"
  put_back_i386
  install_or_stop "${packages[@]}" "${vm_packages[@]}"
fi
# The source index that the library builds below need.
if [ $pending_update -eq 1 ]; then
  apt_update
fi

# libcurl: the archive has no MinGW build, so build one from its source,
# for each processor.
build_curl() {
  local prefix=$1 mingw=$2
  if [ -f "$prefix/lib/cmake/CURL/CURLConfig.cmake" ]; then
    return
  fi
  echo "setup: building static libcurl for MinGW $mingw (Schannel)"
  local work="$CACHE_DIR/curl-src-$mingw"
  rm -rf "$work"
  mkdir -p "$work"
  (
    cd "$work"
    apt-get source --download-only curl >/dev/null
    dsc=$(ls curl_*.dsc | sort -V | tail -n 1)
    dpkg-source -x "$dsc" src >/dev/null 2>&1
    cd src
    # Debian's NSS and GnuTLS flavour patches rename the library; undo them.
    for p in 99_nss.patch 90_gnutls.patch; do
      if [ -f "debian/patches/$p" ]; then
        patch -R -p1 -s <"debian/patches/$p"
      fi
    done
    cmake -S . -B build -G Ninja \
      -DCMAKE_SYSTEM_NAME=Windows \
      -DCMAKE_C_COMPILER="$mingw-gcc-posix" \
      -DCMAKE_RC_COMPILER="$mingw-windres" \
      -DCMAKE_FIND_ROOT_PATH="/usr/$mingw" \
      -DCMAKE_FIND_ROOT_PATH_MODE_PROGRAM=NEVER \
      -DCMAKE_FIND_ROOT_PATH_MODE_LIBRARY=ONLY \
      -DCMAKE_FIND_ROOT_PATH_MODE_INCLUDE=ONLY \
      -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_INSTALL_PREFIX="$prefix" \
      -DBUILD_SHARED_LIBS=OFF -DBUILD_CURL_EXE=OFF -DBUILD_TESTING=OFF \
      -DCURL_STATICLIB=ON -DHTTP_ONLY=ON \
      -DCURL_USE_SCHANNEL=ON -DCURL_USE_OPENSSL=OFF \
      -DCURL_CA_BUNDLE=none -DCURL_CA_PATH=none \
      -DCURL_ZLIB=OFF -DCURL_BROTLI=OFF -DCURL_ZSTD=OFF -DUSE_NGHTTP2=OFF \
      -DUSE_LIBIDN2=OFF -DCURL_USE_LIBPSL=OFF -DCURL_USE_LIBSSH2=OFF \
      -DCURL_USE_LIBSSH=OFF -DENABLE_UNICODE=OFF >/dev/null
    cmake --build build >/dev/null
    cmake --install build >/dev/null
  )
  rm -rf "$work"
}
build_curl "$CACHE_DIR/curl-mingw" i686-w64-mingw32
build_curl "$CACHE_DIR/curl-mingw-x86_64" x86_64-w64-mingw32

# BoringSSL: only its SHA-1 is used, so only the five files that SHA1_Init,
# SHA1_Update and SHA1_Final need are built (about 0.1 MB in a program; the
# whole crypto library would add 0.66 MB). Its licence texts go along.
build_boringssl() {
  local prefix=$1 mingw=$2
  if [ -f "$prefix/lib/libboringssl_sha1.a" ]; then
    return
  fi
  echo "setup: building BoringSSL's SHA-1 for MinGW $mingw"
  local work="$CACHE_DIR/boringssl-src-$mingw"
  rm -rf "$work" "$prefix"
  mkdir -p "$work"
  (
    cd "$work"
    if ! apt-get source --download-only android-platform-external-boringssl \
      >apt.log 2>&1; then
      cat apt.log >&2
      exit 1
    fi
    dsc=$(ls android-platform-external-boringssl_*.dsc | sort -V | tail -n 1)
    dpkg-source -x "$dsc" src >/dev/null 2>&1
    cd src
    mkdir -p obj
    # err_data.c is the generated error table that the package ships.
    for f in src/crypto/fipsmodule/sha/sha1.c src/crypto/mem.c \
      src/crypto/err/err.c src/crypto/thread_pthread.c err_data.c; do
      "$mingw-gcc-posix" -O2 -DNDEBUG -DOPENSSL_NO_ASM \
        -DBORINGSSL_IMPLEMENTATION -Isrc/include -c "$f" \
        -o "obj/$(basename "$f" .c).o"
    done
    mkdir -p "$prefix/lib" "$prefix/include"
    "$mingw-ar" rcs "$prefix/lib/libboringssl_sha1.a.tmp" obj/*.o
    cp -r src/include/openssl "$prefix/include/"
    cp src/LICENSE "$prefix/LICENSE"
    # Last, so that an interrupted build is redone on the next run.
    mv "$prefix/lib/libboringssl_sha1.a.tmp" "$prefix/lib/libboringssl_sha1.a"
  )
  rm -rf "$work"
}
build_boringssl "$CACHE_DIR/boringssl-mingw" i686-w64-mingw32
build_boringssl "$CACHE_DIR/boringssl-mingw-x86_64" x86_64-w64-mingw32
# The hint pages' tests drive headless Chromium from Node.js and parse the
# pages' scripts as ES5: two packages from the npm registry, pinned.
NODE_PREFIX="$CACHE_DIR/node"
node_packages=(playwright-core@1.65.2 acorn@8.19.0)
node_stamp="$NODE_PREFIX/installed-${node_packages[*]// /_}"
node_stamp=${node_stamp// /_}
if ! command -v npm >/dev/null; then
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q \
    --no-install-recommends nodejs npm
fi
if [ ! -f "$node_stamp" ]; then
  echo "setup: installing ${node_packages[*]} for the hint-page tests"
  mkdir -p "$NODE_PREFIX"
  npm install --prefix "$NODE_PREFIX" --no-audit --no-fund --loglevel=error \
    "${node_packages[@]}"
  touch "$node_stamp"
fi
echo "setup: ready (libcurl, BoringSSL and the page-test packages in $CACHE_DIR)"
