#!/bin/sh
# The whole test suite against libobs 31.1.1, the host version OBS users run,
# beside Debian's libobs 29 that tools/test.sh tests against.
#
# libobs 31.1.1 (with the stock modules the tests load) is built from OBS's
# own source subset in ../shared/host, next to a trimmed FFmpeg 7.1 (Debian 13's
# source package; Debian 12 has 5.1, OBS 31 needs 6.1) and with CMake 3.31 from
# bookworm-backports (OBS 31 needs 3.28). Both are fetched through a private apt
# configuration and unpacked into build-host31/, so the system is left as it
# is. The built host is installed into build-host31/prefix and reused while the
# source and the recipe below stay the same; the project is built against it
# into build-on31/ and its whole test suite runs there.
set -eu
cd "$(dirname "$0")/../.."
skipped="the test run against libobs 31.1.1"
. tools/ci/obs-source

work="$top/build-host31"
prefix="$work/prefix"
project="$top/build-on31"
jobs=$(nproc)

# The project's packages and those the host build needs beyond them (only
# missing ones are installed).
tools/bootstrap.sh ninja-build nasm extra-cmake-modules libx11-xcb-dev \
	libjansson-dev uthash-dev libdrm-dev libva-dev libpci-dev uuid-dev \
	libsimde-dev zlib1g-dev xz-utils

ffmpeg_decoders=h264,png,mjpeg,bmp,gif,targa
ffmpeg_demuxers=mov,image2,png_pipe,jpeg_pipe,bmp_pipe,gif
ffmpeg_parsers=h264,png,mjpeg,bmp,gif
ffmpeg_options="--enable-shared --disable-static --disable-programs
	--disable-doc --disable-debug --disable-autodetect --enable-zlib
	--disable-everything --enable-protocol=file,pipe
	--enable-decoder=$ffmpeg_decoders --enable-demuxer=$ffmpeg_demuxers
	--enable-parser=$ffmpeg_parsers"
obs_options="-G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
	-DOBS_VERSION_OVERRIDE=31.1.1 -DENABLE_UI=OFF -DENABLE_FRONTEND=OFF
	-DENABLE_SCRIPTING=OFF -DENABLE_WAYLAND=OFF -DENABLE_PULSEAUDIO=OFF
	-DENABLE_NEW_MPEGTS_OUTPUT=OFF -DENABLE_FFMPEG_NVENC=OFF
	-DENABLE_SPEEXDSP=OFF -DENABLE_RNNOISE=OFF"
# What the built prefix was made from: a change rebuilds it.
recipe=$(printf '%s\n%s\n%s\n' "$(cut -d' ' -f1 "$tarball.sha256")" \
	"$ffmpeg_options" "$obs_options" | sha256sum | cut -d' ' -f1)

# A private apt view (its own sources, lists and cache; the system's keyring
# and no installed packages) for bookworm-backports and trixie's sources.
private_apt() {
	apt_dir="$work/apt"
	mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" \
		"$apt_dir/parts" "$apt_dir/preferences.d"
	: >"$apt_dir/status"
	keyring=/usr/share/keyrings/debian-archive-keyring.gpg
	cat >"$apt_dir/sources.list" <<EOF
deb [signed-by=$keyring] http://deb.debian.org/debian bookworm-backports main
deb-src [signed-by=$keyring] http://deb.debian.org/debian trixie main
EOF
	cat >"$apt_dir/apt.conf" <<EOF
Dir::Etc::SourceList "$apt_dir/sources.list";
Dir::Etc::SourceParts "$apt_dir/parts";
Dir::Etc::Preferences "$apt_dir/preferences";
Dir::Etc::PreferencesParts "$apt_dir/preferences.d";
Dir::State "$apt_dir";
Dir::State::Lists "$apt_dir/lists";
Dir::State::status "$apt_dir/status";
Dir::Cache "$apt_dir/cache";
Acquire::Languages "none";
APT::Sandbox::User "root";
EOF
	APT_CONFIG="$apt_dir/apt.conf"
	export APT_CONFIG
	apt-get update -qq
}

build_host() {
	rm -rf "$work"
	mkdir -p "$work/downloads"
	private_apt
	(cd "$work/downloads" &&
		apt-get download -qq cmake/bookworm-backports \
			cmake-data/bookworm-backports &&
		apt-get source --download-only -qq ffmpeg/trixie)
	unset APT_CONFIG
	for deb in "$work"/downloads/cmake*.deb; do
		dpkg-deb -x "$deb" "$work/cmake"
	done
	cmake31="$work/cmake/usr/bin/cmake"

	echo "host31: building FFmpeg $(basename "$work"/downloads/ffmpeg_*.orig.tar.xz .orig.tar.xz | cut -d_ -f2)"
	mkdir -p "$work/ffmpeg"
	tar -xf "$work"/downloads/ffmpeg_*.orig.tar.xz -C "$work/ffmpeg" \
		--strip-components=1
	# shellcheck disable=SC2086
	if ! (cd "$work/ffmpeg" && ./configure --prefix="$prefix" $ffmpeg_options &&
		make -j"$jobs" && make install) >"$work/ffmpeg-build.log" 2>&1; then
		tail -n 30 "$work/ffmpeg-build.log"
		exit 1
	fi

	echo "host31: building libobs 31.1.1"
	tar -xf "$tarball" -C "$work"
	# shellcheck disable=SC2086
	if ! (PKG_CONFIG_PATH="$prefix/lib/pkgconfig" "$cmake31" \
		-S "$work/obs-studio-31.1.1" -B "$work/obs-build" $obs_options \
		-DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_PREFIX_PATH="$prefix" &&
		"$cmake31" --build "$work/obs-build" -j"$jobs" &&
		"$cmake31" --install "$work/obs-build") >"$work/obs-build.log" 2>&1; then
		tail -n 30 "$work/obs-build.log"
		exit 1
	fi
	# Only the installed host is kept.
	rm -rf "$work/ffmpeg" "$work/obs-build" "$work/obs-studio-31.1.1"
	echo "$recipe" >"$prefix/recipe"
}

echo "host31: checking $(basename "$tarball")"
(cd "$host_source_dir" && sha256sum -c --quiet "$(basename "$tarball").sha256")
if [ "$(cat "$prefix/recipe" 2>/dev/null)" = "$recipe" ]; then
	echo "host31: reusing the libobs 31.1.1 built in build-host31/prefix"
else
	started=$(date +%s)
	build_host
	echo "host31: libobs 31.1.1 built in $(($(date +%s) - started)) s"
fi

# The project against the built host; the headless host loads the stock
# modules and their data from there too.
LD_LIBRARY_PATH="$prefix/lib${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
export LD_LIBRARY_PATH
VELMORA_BUILD_DIR="$project" tools/build.sh -DCMAKE_PREFIX_PATH="$prefix" \
	-DVELMORA_BUILD_TESTS=ON -DVELMORA_BUILD_TOOLS=ON
tools/with-xvfb.sh ctest --test-dir "$project" --output-on-failure "$@"
