#!/usr/bin/env bash
# Makes sure the build's system packages are present (sourced by test.sh and run.sh). Missing ones are
# installed through apt-get when running as root; otherwise the script names them and stops.
# KV_DEPS_SKIP=1 skips the check (for machines that provide the tools some other way). KV_DEPS_CLANG=1
# also asks for clang with its sanitizer and libFuzzer runtimes (the fuzz build).

kv_deps_missing() {
  local missing=()
  have_cmd() { command -v "$1" >/dev/null 2>&1; }
  have_file() { local f; for f in "$@"; do [ -e "$f" ] && return 0; done; return 1; }
  have_cmd cmake || missing+=(cmake)
  have_cmd ninja || missing+=(ninja-build)
  { have_cmd g++ || have_cmd clang++; } || missing+=(g++)
  have_cmd git || missing+=(git)
  if [ "${KV_DEPS_CLANG:-0}" = 1 ]; then
    have_cmd clang++ || missing+=(clang)
    compgen -G "/usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a" >/dev/null ||
      missing+=(libclang-rt-dev)
  fi
  have_file /usr/include/png.h /usr/local/include/png.h || missing+=(libpng-dev)
  have_file /usr/include/zlib.h /usr/local/include/zlib.h || missing+=(zlib1g-dev)
  have_file /usr/include/gtest/gtest.h /usr/local/include/gtest/gtest.h || missing+=(libgtest-dev)
  have_file /usr/include/gmock/gmock.h /usr/local/include/gmock/gmock.h || missing+=(libgmock-dev)
  have_file /usr/include/benchmark/benchmark.h /usr/local/include/benchmark/benchmark.h || missing+=(libbenchmark-dev)
  have_file /usr/include/freetype2/ft2build.h || missing+=(libfreetype-dev)
  have_file /usr/include/fontconfig/fontconfig.h || missing+=(libfontconfig-dev)
  have_file /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf || missing+=(fonts-dejavu-core)
  echo "${missing[@]}"
}

kv_deps_ensure() {
  [ "${KV_DEPS_SKIP:-0}" = 1 ] && return 0
  local missing
  missing=$(kv_deps_missing)
  [ -z "$missing" ] && return 0
  if [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null 2>&1; then
    echo "== installing the missing system packages: $missing"
    export DEBIAN_FRONTEND=noninteractive
    # shellcheck disable=SC2086
    if ! { apt-get update -q && apt-get install -y -q --no-install-recommends $missing; }; then
      echo "error: apt-get could not install: $missing" >&2
      return 1
    fi
    missing=$(kv_deps_missing)
    [ -z "$missing" ] && return 0
    echo "error: still missing after installing: $missing" >&2
    return 1
  fi
  echo "error: the build needs these system packages, which are missing: $missing" >&2
  echo "       install them as root, e.g.: sudo apt-get install $missing" >&2
  echo "       (run this script as root and it installs them itself)" >&2
  return 1
}
