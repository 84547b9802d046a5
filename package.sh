#!/usr/bin/env bash
# Builds the Debian package kwpos_<version>_<arch>.deb at the root: the program, its man
# page and menu entry in ./build (as run.sh builds them), then CPack.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/deps.sh --package
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target kwpos_main kwpos_manpage
rm -rf build/cpack
cpack --config build/CPackConfig.cmake -G DEB -B "$PWD/build/cpack" >/dev/null
deb=$(ls build/cpack/kwpos_*.deb)
mv -f "$deb" .
echo "$(basename "$deb")"
