#!/usr/bin/env bash
# Builds the native Windows game (DirectDraw and DirectSound) with the mingw-w64 cross compiler:
# first the normal host build, whose generators make the font masks, the pictures and the sound
# effects, then build-win/quellfort.exe, the game directory build-win/dist/, and the two files a
# player downloads: build-win/quellfort-VERSION-windows-x64.zip (the portable game) and
# build-win/quellfort-VERSION-setup.exe (the per-user installer, made with NSIS).
# QUELLFORT_HOST_BUILD and QUELLFORT_WIN_BUILD choose other build directories.
set -euo pipefail
cd "$(dirname "$0")/.."

host_build=${QUELLFORT_HOST_BUILD:-build}
win_build=${QUELLFORT_WIN_BUILD:-build-win}
jobs=${QUELLFORT_JOBS:-$(nproc)}

bash scripts/setup.sh g++-mingw-w64-x86-64 libz-mingw-w64-dev nsis zip

cmake -S . -B "$host_build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$host_build" --target quellfort-headless -j"$jobs"
host_build=$(cd "$host_build" && pwd)

# The program icon, drawn by a small host tool of ours.
mkdir -p "$win_build/host"
icongen=$win_build/host/icongen
if [ ! -x "$icongen" ] || [ tools/icongen/icongen.cpp -nt "$icongen" ]; then
    c++ -std=c++20 -O2 -Wall -Wextra -I. -o "$icongen" tools/icongen/icongen.cpp
fi
"$icongen" "$win_build/quellfort.ico"

cmake -S . -B "$win_build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64.cmake" \
    -DQUELLFORT_HOST_BUILD="$host_build" \
    -DQUELLFORT_ICON="$(cd "$win_build" && pwd)/quellfort.ico" >/dev/null
cmake --build "$win_build" -j"$jobs"

echo "Windows game: $win_build/dist/ ($(ls "$win_build/dist" | tr '\n' ' '))"
echo "Downloads: $(cd "$win_build" && ls quellfort-*-windows-x64.zip quellfort-*-setup.exe | tr '\n' ' ')"
echo "DLLs it loads: $(x86_64-w64-mingw32-objdump -p "$win_build/dist/quellfort.exe" |
    sed -n 's/.*DLL Name: //p' | sort -f | tr '\n' ' ')"
