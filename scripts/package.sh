#!/usr/bin/env bash
# Builds the Debian package in its own build folder and checks it: every file
# the installed program needs is in it, it declares the Qt runtime it links,
# and the program runs from its unpacked files on the simulated controller.
#   package.sh [BUILD DIR]   (default build-package)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="${1:-$root/build-package}"
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
# Only what the package holds; the back end over the serial driver and the
# simulator on a pseudo-terminal where the tree has them.
targets=(ferrule ferrule-ctl fsim ferrule_desktop_files)
available=$(cmake --build "$dir" --target help)
for optional in ftty ferrule-sim; do
    grep -q "^$optional:" <<<"$available" && targets+=("$optional")
done
cmake --build "$dir" --parallel "$(nproc)" --target "${targets[@]}"
(cd "$dir" && rm -f ferrule_*.deb && cpack -G DEB >/dev/null)
deb=$(ls "$dir"/ferrule_*.deb)
echo "Package: $deb"

expected=(
    ./usr/bin/ferrule
    ./usr/bin/ferrule-ctl
    ./usr/lib/ferrule/libfsim.so
    ./usr/share/applications/ferrule.desktop
    ./usr/share/man/man1/ferrule.1.gz
    ./usr/share/man/man1/ferrule-ctl.1.gz
    ./usr/lib/udev/rules.d/60-ferrule-ftdi.rules
    ./usr/share/doc/ferrule/copyright
)
for size in 16 24 32 48 64 128 256; do
    expected+=("./usr/share/icons/hicolor/${size}x${size}/apps/ferrule.png")
done
# Built only where their sources are part of the tree.
[ -e "$dir/bin/libftty.so" ] && expected+=(./usr/lib/ferrule/libftty.so)
[ -e "$dir/bin/ferrule-sim" ] && expected+=(./usr/bin/ferrule-sim)

contents=$(dpkg-deb -c "$deb" | awk '{print $NF}')
failed=0
for path in "${expected[@]}"; do
    if ! grep -qxF "$path" <<<"$contents"; then
        echo "missing from the package: $path" >&2
        failed=1
    fi
done
depends=$(dpkg-deb -f "$deb" Depends)
for runtime in libqt6widgets6 libqt6gui6 libqt6svg6 libc6; do
    if ! grep -q "$runtime" <<<"$depends"; then
        echo "not in Depends: $runtime (Depends: $depends)" >&2
        failed=1
    fi
done
if ! grep -qE '^ferrule_[0-9.]+_[a-z0-9]+\.deb$' <<<"$(basename "$deb")"; then
    echo "unexpected package file name: $(basename "$deb")" >&2
    failed=1
fi
desktop-file-validate "$root/packaging/ferrule.desktop" || failed=1
[ "$failed" -eq 0 ] || exit 1

# The unpacked program finds its bundled simulator relative to itself.
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked"
# The copyright notice is the machine-readable one, naming the licence.
copyright="$unpacked/usr/share/doc/ferrule/copyright"
if ! cmp -s "$copyright" "$root/packaging/copyright" ||
    ! grep -qxF 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' "$copyright" ||
    ! grep -qxF 'License: GPL-3+' "$copyright"; then
    echo "the package's copyright notice is not packaging/copyright in the machine-readable format" >&2
    exit 1
fi
profile="$unpacked/ferrule.INI"
printf '[MyFerruleAp]\nSerDesc=0\nDescString=Quillon Shutter Controller\n' >"$profile"
status=$(QT_QPA_PLATFORM=offscreen "$unpacked/usr/bin/ferrule" --simulate --profile "$profile" \
    --exit-after 300 2>/dev/null)
if [ "$status" != "USB ready for communication." ]; then
    echo "unpacked program on the simulator: '$status'" >&2
    exit 1
fi
# ferrule-ctl finds the same bundled simulator, and needs no display.
ctl_status=$(env -u DISPLAY -u WAYLAND_DISPLAY "$unpacked/usr/bin/ferrule-ctl" --driver sim \
    --index 0 --json status)
if [[ "$ctl_status" != '{"shutter": "closed", "mode": "fast"'* ]]; then
    echo "unpacked ferrule-ctl on the simulator: '$ctl_status'" >&2
    exit 1
fi
echo "Package checked: ${#expected[@]} files present, Depends: $depends"
