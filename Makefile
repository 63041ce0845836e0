# A thin layer over the CMake presets. Every target first installs the Debian packages it
# needs that are missing (as root), so a fresh Debian 12 machine needs nothing by hand.

JOBS ?= $(shell nproc 2>/dev/null || echo 2)

BUILD_PACKAGES := cmake ninja-build g++ make libgtest-dev libgmock-dev qt6-base-dev libgl-dev fonts-ipafont-gothic
TEST_PACKAGES  := $(BUILD_PACKAGES) time
TEST_PACKAGES  += desktop-file-utils  # validates app/kivo.desktop
TEST_PACKAGES  += acl  # setfacl and getfacl, for the ACLs a replaced output keeps
# The libFuzzer build, its runtime and the static checks.
TEST_PACKAGES  += clang libclang-rt-14-dev clang-tidy

# Another apt-get (unattended upgrades on a fresh machine, a second make) may hold the
# package lock: wait for it, up to ten minutes, instead of failing at once. apt's option
# waits for the lock of installs only; the lists' lock, which the daily update holds, is
# waited for by trying the update again, for as long.
APT_GET := apt-get -o DPkg::Lock::Timeout=600
APT_UPDATE := for try in $$(seq 60); do $(APT_GET) update -qq && break; [ $$try = 60 ] && exit 1; \
  echo "apt-get update failed (another apt-get may hold the package lists); trying again in 10 s"; sleep 10; done

# install-packages PACKAGE... : apt-get the missing ones, or say how when not root.
define install-packages
	@missing=""; for p in $(1); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" = 0 ]; then \
	    echo "Installing:$$missing"; \
	    $(APT_UPDATE); \
	    DEBIAN_FRONTEND=noninteractive $(APT_GET) install -y -qq --no-install-recommends $$missing >/dev/null || exit 1; \
	  else \
	    echo "Missing packages. Run: sudo apt-get install -y$$missing"; exit 1; \
	  fi; \
	fi
endef

.PHONY: all build run test deps-build deps-test clean

all: build

deps-build:
	$(call install-packages,$(BUILD_PACKAGES))

deps-test:
	$(call install-packages,$(TEST_PACKAGES))

build: deps-build
	cmake --preset dev >/dev/null
	cmake --build --preset dev -j $(JOBS)

# The window native on Wayland desktops too; without it Qt falls back to X11 through
# XWayland. Installed only where a Wayland display is found.
RUN_PACKAGES := qt6-wayland

.PHONY: deps-run
deps-run:
	$(call install-packages,$(RUN_PACKAGES))

# Opens the window. Without a display (a server, a container, ssh without X) there is no
# window to open: say so in one line and show what Kivo does with kivo-convert instead.
run: build
	@if [ -n "$$WAYLAND_DISPLAY" ]; then $(MAKE) --no-print-directory deps-run; fi
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
	  build/dev/app/kivo; \
	else \
	  echo "No display (neither DISPLAY nor WAYLAND_DISPLAY is set): converting examples/sample.dat with kivo-convert instead."; \
	  build/dev/cli/kivo-convert -o build/dev/example.itx -p example examples/sample.dat \
	    && echo "Output: $(CURDIR)/build/dev/example.itx"; \
	fi

test: deps-test
	cmake --preset dev >/dev/null
	cmake --build --preset dev -j $(JOBS)
	ctest --preset dev -j $(JOBS)
	cmake --preset asan >/dev/null
	cmake --build --preset asan -j $(JOBS)
	ctest --preset asan -j $(JOBS)
	$(MAKE) --no-print-directory fuzz tidy

clean:
	rm -rf build

# Times kivo-convert against cat on a generated 100 MB input (bench/README.md says how).
# Figures are only worth keeping from a quiet machine: check `uptime` first.
BENCH_PACKAGES := $(BUILD_PACKAGES) time

.PHONY: bench
bench:
	$(call install-packages,$(BENCH_PACKAGES))
	cmake --preset release >/dev/null
	cmake --build --preset release -j $(JOBS) --target kivo-convert kivo-bench-convert
	build/release/bench/kivo-bench-convert

# Each fuzz target for FUZZ_SECONDS, side by side, from its seed corpus in tests/data/fuzz
# (FUZZ_SECONDS=1800 for a long run; what the runs learn stays in build/fuzz/fuzz-corpus).
FUZZ_SECONDS ?= 30

.PHONY: fuzz tidy
fuzz: deps-test
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz -j $(JOBS)
	tests/fuzz/run_bounded.sh build/fuzz $(FUZZ_SECONDS)

# clang-tidy with the checks in .clang-tidy over the libraries and the command line.
tidy: deps-test
	cmake --preset dev >/dev/null
	run-clang-tidy -p build/dev -j $(JOBS) -quiet '$(CURDIR)/(core|intake|cli)/' >build/dev/clang-tidy.log 2>&1 \
	  || { grep -E -A3 'warning:|error:' build/dev/clang-tidy.log; exit 1; }
	@echo "clang-tidy: core, intake and cli are clean"

# The Windows build of the core, intake, kivo-convert, the native window Kivo.exe and their
# tests, cross-compiled with MinGW-w64 and run under Wine with the Japanese code page (932),
# which Wine takes from a ja_JP.UTF-8 locale, on a virtual display (Xvfb) with a Japanese
# font standing in for MS PGothic.
WINDOWS_PACKAGES := cmake ninja-build g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine64 \
                    googletest locales xvfb xauth fonts-ipafont-gothic fonts-wine

.PHONY: deps-windows test-windows dist-windows

deps-windows:
	$(call install-packages,$(WINDOWS_PACKAGES))
	@locale -a 2>/dev/null | grep -qx 'ja_JP.utf8' || { \
	  if [ "$$(id -u)" = 0 ]; then \
	    echo "Generating the ja_JP.UTF-8 locale"; localedef -i ja_JP -c -f UTF-8 ja_JP.UTF-8 || exit 1; \
	  else \
	    echo "Missing locale. Run: sudo localedef -i ja_JP -c -f UTF-8 ja_JP.UTF-8"; exit 1; \
	  fi; \
	}

test-windows: deps-windows
	cmake --preset windows >/dev/null
	cmake --build --preset windows -j $(JOBS)
	cmake/wine-session.sh ctest --preset windows -j $(JOBS)
	@# The 32-bit programs are built and their imports checked, but not run: Debian's Wine
	@# runs them only with the i386 architecture added.
	cmake --preset windows-x86 >/dev/null
	cmake --build --preset windows-x86 -j $(JOBS)
	ctest --preset windows-x86

KIVO_VERSION := $(shell sed -n 's/^project.Kivo VERSION \([0-9]*\.[0-9]*\).*/\1/p' CMakeLists.txt)

# build/dist/Kivo-VERSION-windows-x64.zip and -x86.zip: Kivo.exe, kivo-convert.exe and a
# README.txt in Japanese and English, in UTF-8 with a byte order mark and CR LF line ends,
# which Notepad reads as such on every Windows. Optimised, stripped builds whose imports are
# checked before they are packed.
dist-windows: deps-windows
	$(call install-packages,zip)
	@set -e; for arch in x64 x86; do \
	  if [ $$arch = x64 ]; then preset=windows-release; else preset=windows-x86; fi; \
	  cmake --preset $$preset >/dev/null; \
	  cmake --build --preset $$preset -j $(JOBS); \
	  ctest --preset $$preset; \
	  name=Kivo-$(KIVO_VERSION)-windows-$$arch; stage=build/dist/$$name; \
	  rm -rf $$stage build/dist/$$name.zip; mkdir -p $$stage; \
	  cp build/$$preset/win32/Kivo.exe build/$$preset/cli/kivo-convert.exe $$stage/; \
	  { printf '\357\273\277'; sed -e 's/@VERSION@/$(KIVO_VERSION)/; s/@ARCH@/'$$arch'/; s/$$/\r/' win32/README-dist.txt; } \
	    >$$stage/README.txt; \
	  (cd build/dist && zip -q -X -r $$name.zip $$name); \
	  rm -rf $$stage; \
	  echo "Wrote build/dist/$$name.zip"; \
	done
