#!/usr/bin/env bash
# The main job: builds the setup stub and the sample product's setup file
# from examples/, installs it completely under Wine into a stand-in Delphi 5
# with a robot that answers OK to every window, then prints what the user saw
# and what the installation left on the machine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
# The build trees; the default is the one the README's test command uses too.
build=${SETUPKIT_BUILD_DIR:-build}

product=$(dirname "$(ls examples/*/product.ini 2>/dev/null | head -n 1)")
if [ ! -f "$product/product.ini" ]; then
    echo "main-job: no product description (examples/*/product.ini)" >&2
    exit 1
fi
# The two names the report looks the installation up by.
setting() { sed -n "s/^$1=//p" "$product/product.ini" | tr -d '\r' | head -n 1; }
app_name=$(setting APPNAME)
product_name=$(setting PRODUCTNAME)

echo "== building the Windows programs" >&2
cmake -S . -B "$build/windows" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
cmake --build "$build/windows" --target setup uninstall unrar setupkit-build answer_ok \
    install_report standin_d5 standin_compiler >/dev/null

# The builder is portable and runs here, natively, as a vendor would run it:
# a plain Release build (the test tree's sanitizers cost time and memory).
echo "== building the setup builder" >&2
cmake -S . -B "$build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSETUPKIT_SANITIZE=OFF >/dev/null
cmake --build "$build/release" --target setupkit-build >/dev/null

out=$build/main-job
rm -rf "$out"
mkdir -p "$out"
out=$(cd "$out" && pwd)
echo "== making $out/setup.exe from $product" >&2
# SETUPKIT_SIGN: a sign command for --sign (scripts/test-signed-setup.sh).
sign=()
[ -z "${SETUPKIT_SIGN:-}" ] || sign=(--sign "$SETUPKIT_SIGN")
"$build/release/builder/setupkit-build" --product "$product" --stub "$build/windows/setup/setup.exe" \
    --unrar "$build/windows/rar/unrar.dll" --uninstaller "$build/windows/uninstall/UnInstall.exe" \
    -o "$out/setup.exe" "${sign[@]}"

# STAND-INS: Delphi 5 cannot be installed here, so a folder of the build
# tree plays its installation: the IDE's executable (a small program with the
# IDE's file version), its command-line compiler (a program that writes the
# files a package build makes and logs its command lines to standin.log), the
# compiled form of the IDE's own package that library packages require, and
# its help contents file. The registry value that names the IDE's folder is
# written into the fresh prefix below.
ide=$out/standin-delphi5
echo "== laying out the STAND-IN Delphi 5 (not the real IDE) in $ide" >&2
mkdir -p "$ide/Bin" "$ide/Lib" "$ide/HELP"
cp "$build/windows/tests/standins/d5/Bin/delphi32.exe" "$ide/Bin/delphi32.exe"
cp "$build/windows/tests/compiler_standins/standin_compiler.exe" "$ide/Bin/dcc32.exe"
cp tests/standins/delphi5.cnt "$ide/HELP/delphi5.cnt"
cp "$build/windows/tests/standins/d5/Lib/"*.dcp "$ide/Lib/"

screens=$out/screens
mkdir -p "$screens"
winpath() { echo "Z:${1//\//\\}"; }

# Runs inside the Wine session: a Wine prefix of its own, made afresh, so
# that the run starts from a machine on which nothing is installed yet and
# ends as a user would find it after the installation.
run_in_session() {
    echo "== STAND-IN registry value: HKLM\\Software\\Borland\\Delphi\\5.0 RootDir = $(winpath "$ide")" >&2
    wine reg add 'HKLM\Software\Borland\Delphi\5.0' /v RootDir /t REG_SZ /d "$(winpath "$ide")" /f \
        </dev/null >/dev/null || return 1
    echo "== running the setup under Wine; the robot answers OK" >&2
    echo "== What the user saw"
    local status=0
    wine "$tools/answer_ok.exe" "$(winpath "$out/setup.exe")" \
        "$(winpath "$screens")" || status=$?
    echo "== What the installation left on the machine"
    wine "$tools/install_report.exe" "$app_name" "$product_name"
    return $status
}
export -f run_in_session winpath
tools=$(cd "$build/windows/tests/tools" && pwd)
export tools out ide screens app_name product_name
status=0
scripts/wine-session "$out" bash -c run_in_session || status=$?

for bmp in "$screens"/*.bmp; do
    [ -e "$bmp" ] || continue
    convert "$bmp" "${bmp%.bmp}.png" && rm "$bmp"
done
echo
echo "== Pictures of each window, in the order they came: $screens"
ls "$screens" | sed 's/^/  /'
echo "== Stand-in Delphi 5 (stands in for the IDE, which cannot be installed here): $ide"
find "$out/wineprefix/drive_c" -name standin.log -exec sh -c \
    'echo "   command lines its stand-in compiler was given ($1):"; sed "s/^/     /" "$1"' _ {} \;
exit $status
