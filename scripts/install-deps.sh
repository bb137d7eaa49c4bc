#!/usr/bin/env bash
# Installs what Orlavex needs on Debian 12: the native build by default; with --test also the
# Windows cross-compilers, Wine, GoogleTest, clang for the sanitizers and fuzzers, and the other
# tools the test suite uses.
set -euo pipefail

packages=(cmake make g++)
if [[ ${1:-} == --test ]]; then
  packages+=(libgtest-dev g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64 locales
             python3-pefile strace tmux time clang libclang-rt-14-dev)
fi

sudo=()
[[ $(id -u) == 0 ]] || sudo=(sudo)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed' || missing+=("$package")
done
if ((${#missing[@]})); then
  "${sudo[@]}" apt-get update -q
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Wine's ANSI code page is GBK (936) only under a Simplified Chinese locale.
if [[ ${1:-} == --test ]] && ! locale -a 2>/dev/null | grep -qix 'zh_CN\.utf8'; then
  "${sudo[@]}" localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
fi
