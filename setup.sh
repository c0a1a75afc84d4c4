#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what ZARN needs on Debian 12, builds it, and then:
#   ./setup.sh run    builds the three programs only and starts the program
#                     (build/zarn)
#   ./setup.sh test   builds everything, runs every test, then again under
#                     AddressSanitizer and UndefinedBehaviorSanitizer
set -euo pipefail
cd "$(dirname "$0")"

# qt6-svg-dev draws the charts as SVG and renders the menu icon;
# qt6-translations-l10n puts Qt's own dialogs in the user's language; dpkg-dev
# and file let cpack build the Debian package; libboost-dev gives the
# Grubbs-Beck test its Student's t quantile and the regional analysis its quadrature;
# gfortran builds the Fortran peer the benchmark times the regional analysis against;
# libseccomp-dev gives the rule-engine helper (zarn-advisor) its system-call filter.
packages=(cmake ninja-build g++ qt6-base-dev qt6-charts-dev libqt6opengl6-dev libgl-dev libgtest-dev locales libclips-dev
          qt6-svg-dev qt6-translations-l10n dpkg-dev file libboost-dev gfortran libseccomp-dev)
# Only for the tests: the installation test checks the Debian packages with
# the tools a packager runs (lintian, desktop-file-validate, appstreamcli,
# man for the manual pages); poppler-utils (pdftotext) lets the tests read
# back the text of the study PDF.
test_packages=(lintian desktop-file-utils appstream man-db poppler-utils)

install_missing() {  # install_missing [extra packages...]
    local missing=()
    for p in "${packages[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
}

build() {  # build DIR [cmake options...]: everything, the tests included
    local dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$dir" -j "$(nproc)"
}

build_programs() {  # build DIR: the three programs and what they need beside them, no test
    cmake -S . -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$1" -j "$(nproc)" --target zarn zarn-cli zarn-charts
}

case "${1:-}" in
run)
    install_missing
    build_programs build
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
        echo
        echo "O ZARN é um programa de janelas e precisa de uma tela (nenhum DISPLAY foi encontrado)."
        echo "Em vez das janelas, eis o relatório que a ferramenta de lote (build/zarn-cli) faz de um exemplo:"
        echo "  build/zarn-cli --data examples/ocmulgee-river-macon.dat --title Ocmulgee --location Macon --report -"
        echo
        build/zarn-cli --data examples/ocmulgee-river-macon.dat --title Ocmulgee --location Macon --report - |
            iconv -f WINDOWS-1252 -t UTF-8 | tr -d '\r'
        exit 0
    fi
    # Started in build/: the fact file for the external rule engine lands there.
    cd build && exec ./zarn
    ;;
test)
    install_missing "${test_packages[@]}"
    build build
    (cd build && ctest --output-on-failure -j "$(nproc)")
    echo
    echo "== The same tests under AddressSanitizer and UndefinedBehaviorSanitizer"
    build build-sanitize -DZARN_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
    (cd build-sanitize && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
        LSAN_OPTIONS=suppressions="$PWD/../tests/lsan-suppressions.txt" \
        ctest --output-on-failure -j "$(nproc)")
    ;;
*)
    echo "usage: ./setup.sh run | test" >&2
    exit 2
    ;;
esac
