# Shared by scripts/run, scripts/test and scripts/bench: install what is missing, configure, build.
# shellcheck shell=bash
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD="$ROOT/build"

say() { printf '%s\n' "$*" >&2; }

# install_packages LIST...: installs the missing packages named in scripts/packages-LIST.txt (run, test).
install_packages() {
    local wanted list missing=()
    wanted=$(for list in "$@"; do grep -vE '^\s*(#|$)' "$ROOT/scripts/packages-$list.txt"; done)
    for p in $wanted; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    say "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get -o DPkg::Lock::Timeout=300 update -qq
    $sudo apt-get -o DPkg::Lock::Timeout=300 install -y -qq --no-install-recommends "${missing[@]}"
}

# The project's C++ sources (generated files live in build folders and are not tracked) must be formatted
# as .clang-format says.
check_format() {
    local files
    files=$(cd "$ROOT" && git ls-files -- 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' \
        'bench/*.h' 'fuzz/*.cpp' 'fuzz/*.h')
    [ -n "$files" ] || return 0
    # shellcheck disable=SC2086
    (cd "$ROOT" && clang-format --dry-run -Werror $files) || {
        say "Formatting differs from .clang-format: run clang-format -i on the files above"
        return 1
    }
}

# configure_and_build [-DOPTION=ON|OFF...]: configures once, and again when a given option differs from
# the cache (scripts/run leaves tests and benchmarks out, whose packages it does not install).
configure_and_build() {
    local opt name configure=0
    [ -f "$BUILD/build.ninja" ] || configure=1
    for opt in "$@"; do
        name=${opt#-D}
        name=${name%%=*}
        grep -qx "$name:BOOL=${opt#*=}" "$BUILD/CMakeCache.txt" 2>/dev/null || configure=1
    done
    if [ "$configure" = 1 ]; then
        cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >&2
    fi
    cmake --build "$BUILD" -- -j"$(nproc)" >&2
}

# The unit, Firebird and widget tests once more with AddressSanitizer and UndefinedBehaviorSanitizer, in a
# build folder of their own that holds only those tests; the rest need the whole program or desktops. -Og -g1
# builds in half the time of -O2 -g and still gives the reports their lines.
SAN_BUILD="$BUILD/asan"
SAN_FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
SAN_LABELS='unit|firebird|gui'
SAN_LEFT_OUT='x11|wayland|package|faults'
# intercept_tls_get_addr=0: GCC 12's sanitizer runtime takes some dynamic TLS blocks of the dlopen'd Firebird
# client for blocks of a glibc older than 2.25, reads a false range before them, and LeakSanitizer's scan at
# exit then crashes (half the runs of test_storage_noclient). detect_stack_use_after_return and the order of
# static initialisation are checked too; they cost little.
SAN_ASAN_OPTIONS=intercept_tls_get_addr=0:detect_stack_use_after_return=1
SAN_ASAN_OPTIONS+=:check_initialization_order=1:strict_init_order=1
# shellcheck disable=SC2034 # scripts/test uses it
SAN_ENV=(ASAN_OPTIONS="$SAN_ASAN_OPTIONS" UBSAN_OPTIONS=print_stacktrace=1)

# configure_and_build_sanitized: configures (every time: the list of tests comes from the configured tree),
# builds the test executables of SAN_LABELS, and has ctest ignore every other test there.
configure_and_build_sanitized() {
    local all wanted
    cmake -S "$ROOT" -B "$SAN_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_C_FLAGS="$SAN_FLAGS" -DCMAKE_CXX_FLAGS="$SAN_FLAGS" \
        -DCMAKE_C_FLAGS_RELWITHDEBINFO="-Og -g1 -DNDEBUG" -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-Og -g1 -DNDEBUG" \
        -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" -DVH_WITH_TESTS=ON -DVH_WITH_BENCH=OFF >&2
    rm -f "$SAN_BUILD/CTestCustom.cmake"
    all=$(ctest --test-dir "$SAN_BUILD" -N 2>/dev/null | sed -n 's/^ *Test *#[0-9]*: //p' | sort)
    wanted=$(ctest --test-dir "$SAN_BUILD" -N -L "$SAN_LABELS" -LE "$SAN_LEFT_OUT" 2>/dev/null |
        sed -n 's/^ *Test *#[0-9]*: //p' | sort)
    [ -n "$wanted" ] || { say "No tests labelled $SAN_LABELS in $SAN_BUILD"; return 1; }
    # Each of these tests is its own executable target of the same name (vh_add_test).
    # shellcheck disable=SC2086
    cmake --build "$SAN_BUILD" --target $wanted -- -j"$(nproc)" >&2
    printf 'set(CTEST_CUSTOM_TESTS_IGNORE\n%s)\n' "$(comm -23 <(echo "$all") <(echo "$wanted"))" \
        >"$SAN_BUILD/CTestCustom.cmake"
}

# The Windows cross builds: x86_64 with its tests (run under wine64), i686 compiled and linked only. The
# i686 tests are built because without Qt they are the only executables, so only they prove the link;
# 32-bit programs do not run under this wine.
WIN64_BUILD="$BUILD/windows-x86_64"
WIN32_BUILD="$BUILD/windows-i686"
WINE64=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver

configure_and_build_windows() {
    if [ ! -f "$WIN64_BUILD/build.ninja" ]; then
        cmake -S "$ROOT" -B "$WIN64_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
            -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw-x86_64.cmake" \
            -DVH_WITH_TESTS=ON -DVH_WITH_BENCH=OFF -DVH_TEST_EMULATOR="$WINE64" >&2
    fi
    cmake --build "$WIN64_BUILD" -- -j"$(nproc)" >&2
    if [ ! -f "$WIN32_BUILD/build.ninja" ]; then
        cmake -S "$ROOT" -B "$WIN32_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
            -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw-i686.cmake" \
            -DVH_WITH_TESTS=ON -DVH_WITH_BENCH=OFF >&2
    fi
    cmake --build "$WIN32_BUILD" -- -j"$(nproc)" >&2
}

# Headless wine: a prefix inside the build folder (made once), the null display driver, one persistent
# wineserver warmed by one command. Every wine process gets /dev/null as its streams: wine's background
# services would otherwise keep a caller's pipe open.
wine_start() {
    export WINEPREFIX="$BUILD/wine-prefix" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    if [ ! -f "$WINEPREFIX/.varnholt-ready" ]; then
        say "Creating the wine prefix $WINEPREFIX"
        "$WINE64" wineboot -i </dev/null >/dev/null 2>&1
        "$WINE64" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f </dev/null >/dev/null 2>&1
        "$WINESERVER" -w
        touch "$WINEPREFIX/.varnholt-ready"
    fi
    "$WINESERVER" -p </dev/null >/dev/null 2>&1
    "$WINE64" cmd /c exit </dev/null >/dev/null 2>&1
}

wine_stop() {
    [ -n "${WINEPREFIX:-}" ] && "$WINESERVER" -k </dev/null >/dev/null 2>&1 || true
}
