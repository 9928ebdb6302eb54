#!/bin/sh
# Cross-compiles the module (not the tests or tools) for 64-bit Windows with
# MinGW-w64 (the -posix thread variant: the default one has no std::mutex)
# against libobs 31.1.1's headers from ../shared/host, configured with the
# project's defaults, with -Wall -Wextra as errors, and links it as a DLL.
#
# The import libraries are made here: the module's objects are compiled
# first, the functions they take from libobs (obs.dll) and Qt 6 (Qt6Core.dll,
# Qt6Gui.dll; Debian's Qt 6 headers serve for the few files that use Qt) are
# listed in .def files, and MinGW's dlltool turns those into import
# libraries. The camera library (camsink.dll) is loaded at run time and
# needs none.
# What this proves and what it does not: see the README.
set -eu
cd "$(dirname "$0")/../.."
skipped="the Windows cross build"
. tools/ci/obs-source

work="$top/build-windows-cross"
sdk="$work/sdk"
build="$work/build"
triple=x86_64-w64-mingw32
qt_include=/usr/include/x86_64-linux-gnu/qt6
qt_lib=/usr/lib/x86_64-linux-gnu

tools/bootstrap.sh --module-only g++-mingw-w64-x86-64-posix \
	binutils-mingw-w64-x86-64 ninja-build xz-utils

(cd "$host_source_dir" && sha256sum -c --quiet "$(basename "$tarball").sha256")

# The SDK: libobs's headers as OBS installs them, its generated
# configuration header, and CMake packages for libobs and Qt 6 whose import
# libraries are filled in below.
rm -rf "$work"
mkdir -p "$sdk/include/obs" "$sdk/lib/cmake/libobs" "$sdk/lib/cmake/Qt6"
tar -xf "$tarball" -C "$sdk/include/obs" --strip-components=2 \
	--wildcards 'obs-studio-31.1.1/libobs/*.h' \
	'obs-studio-31.1.1/libobs/*.hpp'
cat >"$sdk/include/obs/obsconfig.h" <<'EOF'
#pragma once
#define OBS_DATA_PATH "../../data"
#define OBS_PLUGIN_PATH "../../obs-plugins/64bit"
#define OBS_PLUGIN_DESTINATION "obs-plugins/64bit"
#define OBS_RELEASE_CANDIDATE 0
#define OBS_BETA 0
EOF
cat >"$sdk/lib/cmake/libobs/libobsConfig.cmake" <<EOF
add_library(OBS::libobs SHARED IMPORTED)
set_target_properties(OBS::libobs PROPERTIES
  IMPORTED_IMPLIB "$sdk/lib/libobs.dll.a"
  INTERFACE_INCLUDE_DIRECTORIES "$sdk/include/obs"
  INTERFACE_COMPILE_DEFINITIONS HAVE_OBSCONFIG_H)
set(libobs_FOUND TRUE)
EOF
cat >"$sdk/lib/cmake/Qt6/Qt6Config.cmake" <<EOF
foreach(component Core Gui)
  add_library(Qt6::\${component} SHARED IMPORTED)
  set_target_properties(Qt6::\${component} PROPERTIES
    IMPORTED_IMPLIB "$sdk/lib/libQt6\${component}.dll.a"
    INTERFACE_INCLUDE_DIRECTORIES "$qt_include;$qt_include/Qt\${component}")
  add_library(Qt::\${component} INTERFACE IMPORTED)
  set_target_properties(Qt::\${component} PROPERTIES
    INTERFACE_LINK_LIBRARIES Qt6::\${component})
endforeach()
set_property(TARGET Qt6::Gui PROPERTY INTERFACE_LINK_LIBRARIES Qt6::Core)
set(Qt6_FOUND TRUE)
EOF
cat >"$work/mingw-w64.cmake" <<EOF
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(CMAKE_C_COMPILER $triple-gcc-posix)
set(CMAKE_CXX_COMPILER $triple-g++-posix)
set(CMAKE_RC_COMPILER $triple-windres)
set(CMAKE_FIND_ROOT_PATH /usr/$triple)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
EOF
# Empty import libraries until the real ones are made.
libraries="obs Qt6Core Qt6Gui"
for name in $libraries; do
	"$triple-ar" rc "$sdk/lib/lib$name.dll.a"
done

# Configured with the project's defaults (on Windows: the module only).
cmake -G Ninja -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	-DCMAKE_TOOLCHAIN_FILE="$work/mingw-w64.cmake" \
	-DCMAKE_C_FLAGS=-Werror -DCMAKE_CXX_FLAGS=-Werror \
	-DCMAKE_MODULE_LINKER_FLAGS=-static \
	-Dlibobs_DIR="$sdk/lib/cmake/libobs" -DQt6_DIR="$sdk/lib/cmake/Qt6" \
	>"$work/configure.log" || {
	cat "$work/configure.log"
	exit 1
}
grep "building the module only" "$work/configure.log"

# Every object of the build, then the names they take from outside.
objects=$(ninja -C "$build" -t targets all | sed -n 's/^\(.*\.obj\): .*/\1/p')
# shellcheck disable=SC2086
ninja -C "$build" $objects
(cd "$build" && find . -name '*.obj' -exec "$triple-nm" -g {} +) >"$work/symbols"
awk '$1 == "U" { sub(/^__imp_/, "", $2); print $2 }' "$work/symbols" |
	sort -u >"$work/undefined"
awk 'NF == 3 && $2 != "U" { print $3 }' "$work/symbols" | sort -u >"$work/defined"
comm -23 "$work/undefined" "$work/defined" >"$work/imported"

# Who exports what: libobs's EXPORT declarations and Debian's Qt libraries
# (MinGW mangles C++ names as Linux does).
find "$sdk/include/obs" -name '*.h' -exec grep -h '^[[:space:]]*EXPORT\b' {} + |
	sed -n 's/^[^(]*[^A-Za-z0-9_(]\([A-Za-z_][A-Za-z0-9_]*\)[[:space:]]*(.*/\1/p' |
	sort -u >"$work/exports-obs"
for component in Core Gui; do
	nm -D --defined-only "$qt_lib/libQt6$component.so.6" |
		awk '{ sub(/@.*/, "", $3); print $3 }' |
		sort -u >"$work/exports-Qt6$component"
done

for name in $libraries; do
	dll=$name.dll
	{
		echo "LIBRARY $dll"
		echo "EXPORTS"
		# Tables and tags are data, imported through their __imp_ names.
		comm -12 "$work/imported" "$work/exports-$name" |
			sed '/^_ZT[VIS]\|^qt_version_tag/s/$/ DATA/'
	} >"$work/$name.def"
	comm -23 "$work/imported" "$work/exports-$name" >"$work/imported.rest"
	mv "$work/imported.rest" "$work/imported"
	rm "$sdk/lib/lib$name.dll.a"
	"$triple-dlltool" -d "$work/$name.def" -D "$dll" \
		-l "$sdk/lib/lib$name.dll.a"
	echo "windows-cross: $dll: $(($(wc -l <"$work/$name.def") - 2)) functions"
done

# The DLL itself, linked against those import libraries and the runtime.
ninja -C "$build"
dll="$build/velmora-plugin.dll"
"$triple-objdump" -p "$dll" >"$work/velmora-plugin.dll.txt"
echo "windows-cross: $(basename "$dll") imports from:" \
	"$(sed -n 's/^[[:space:]]*DLL Name: //p' "$work/velmora-plugin.dll.txt" | tr '\n' ' ')"
exported=$(sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/{/Table/d; s/^.*\] //p}' \
	"$work/velmora-plugin.dll.txt" | sort | tr '\n' ' ')
echo "windows-cross: exports: $exported"
entry_points=$(sed -n 's/^[[:space:]]*\(obs_module_[a-z_]*\)$/\1/p' src/exports.def |
	sort | tr '\n' ' ')
if [ "$exported" != "$entry_points" ]; then
	echo "windows-cross: the DLL must export exactly: $entry_points"
	exit 1
fi
