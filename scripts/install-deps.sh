#!/usr/bin/env bash
# Installs every Debian package that building, testing and running QUIB needs.
# Idempotent: packages already present are left alone, and `apt-get update` runs
# only once, and only when something is missing.
# With --bench it also installs what only the benchmarks need: bucklespring,
# the click program that the key-to-sound benchmark measures QUIB against.
set -euo pipefail

packages=(
    # build (libpulse and libpipewire: the audio outputs that pause their stream at the server)
    cmake g++ make pkg-config clang-format
    qt6-base-dev qt6-svg-dev libsdl2-dev libpulse-dev libpipewire-0.3-dev libsndfile1-dev libsqlite3-dev
    libevdev-dev libudev-dev libx11-dev libxi-dev libxtst-dev
    libxcb1-dev  # the active window (full screen, application) on a connection of its own
    nlohmann-json3-dev  # JSON: `quib get --json`, sound packs' config.json
    libarchive-dev      # sound packs in .zip archives
    libebur128-dev      # sound packs' loudness (EBU R128), to play them as loud as the built-in profiles
    libvorbis-dev libogg-dev  # the generator encodes the ambiences and tracks
    # tests and benchmarks
    libgtest-dev libgmock-dev googletest libbenchmark-dev sqlite3
    libglib2.0-dev  # the autostart test reads the entry with GLib, as desktop sessions do
    locales
    clang libclang-rt-14-dev
    sox bucklespring-data  # click spectrograms; the recorded keyboard the click tests measure against
    # the headless desktop of the end-to-end tests
    xvfb x11-utils x11-xserver-utils xdotool dbus pulseaudio pulseaudio-utils trayer dunst jq
    pipewire pipewire-bin wireplumber pipewire-pulse  # the PipeWire output's tests and benchmark
    imagemagick fonts-dejavu-core
    python3  # writes input_event records into the evdev test's FIFO
    # the Wayland desktops of the end-to-end tests (with PipeWire): weston and sway
    # with their XWayland, waybar's StatusNotifierItem tray, grim to find its
    # icon, libwayland-dev for the virtual pointer that clicks it
    weston xwayland sway waybar grim libwayland-dev
    # GNOME Shell headless, stock and with the AppIndicator extension's tray
    # (gdbus, gsettings: libglib2.0-bin, which the shell pulls in)
    gnome-shell gnome-shell-extension-appindicator
    # the package test: CPack's library dependencies (dpkg-shlibdeps, file) and
    # the validators of the desktop entry and the AppStream metainfo
    dpkg-dev file desktop-file-utils appstream
)
if [[ ${1:-} == --bench ]]; then
    packages+=(bucklespring)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi

echo "install-deps: installing ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
