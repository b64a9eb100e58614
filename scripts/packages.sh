# Debian packages the player needs, sourced by run.sh and test.sh.
# Each group is installed only when one of its packages is missing, so a rerun
# costs one dpkg query.

KESTO_PKGS_BUILD="build-essential cmake ninja-build pkgconf ccache qt6-base-dev libmpg123-dev
  libvorbis-dev libcurl4-openssl-dev libpulse-dev libx11-dev libtag1-dev"
KESTO_PKGS_RUNTIME="fonts-wqy-microhei qt6-translations-l10n xvfb xdg-utils"
KESTO_PKGS_TEST="libgtest-dev libbenchmark-dev libmp3lame-dev pulseaudio pulseaudio-utils
  x11-utils xdotool imagemagick mpg123 vorbis-tools lame clang-format locales dbus-daemon dbus-bin playerctl
  icecast2 ffmpeg sox curl clang libclang-rt-dev"
# Locales the tests run the settings file under (dates must read back in any of them).
KESTO_TEST_LOCALES="zh_CN.UTF-8 de_DE.UTF-8"

kesto_missing_packages() {
    local p missing=""
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
            missing="$missing $p"
    done
    echo "$missing"
}

# kesto_install_packages build runtime test
kesto_install_packages() {
    local groups="" g
    for g in "$@"; do
        case "$g" in
        build) groups="$groups $KESTO_PKGS_BUILD" ;;
        runtime) groups="$groups $KESTO_PKGS_RUNTIME" ;;
        test) groups="$groups $KESTO_PKGS_TEST" ;;
        esac
    done
    # shellcheck disable=SC2086
    local missing
    missing=$(kesto_missing_packages $groups)
    [ -z "$missing" ] && return 0
    echo "Installing Debian packages:$missing"
    local sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        if command -v sudo >/dev/null; then
            sudo="sudo"
        else
            echo "These packages are missing and I am not root (and there is no sudo):$missing" >&2
            return 1
        fi
    fi
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -q
    # shellcheck disable=SC2086
    $sudo apt-get install -y -q --no-install-recommends -o DPkg::Lock::Timeout=600 $missing
}

# Compiles the locales the tests need when the system lacks them (Debian ships
# only C and C.UTF-8 until a locale is generated); needs root or sudo once.
kesto_generate_locales() {
    local l missing=""
    for l in $KESTO_TEST_LOCALES; do
        # locale -a spells them zh_CN.utf8
        locale -a 2>/dev/null | grep -qix "${l%%.*}.utf-\?8" || missing="$missing $l"
    done
    [ -z "$missing" ] && return 0
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    for l in $missing; do
        echo "Generating locale $l"
        $sudo localedef -i "${l%%.*}" -f UTF-8 "$l"
    done
}
