# Entry points. Each target installs what is missing, configures its preset and builds.
#   make run     build in Release and run the tool on the sample bitmaps
#   make test    build with AddressSanitizer + UBSan and run every suite through ctest
#   make tsan    run the engine's job tests under ThreadSanitizer
#   make windows cross-build the engine, tintwell-cli.exe and the suites for Windows
#                (MinGW-w64, over a static libspng built from Debian's source package)
#                and run them under Wine
#   make windows-gui  cross-build the window, tintwell.exe, against Qt 6 built for MinGW-w64
#                (once, into a cache outside the clone: about an hour on two cores), lay it
#                out with its DLLs, and run its Qt Test suites and a session in Xvfb under Wine
#   make bench   run the benchmarks and the batch timing against a durable copy
#   make fuzz    run the libFuzzer targets for FUZZ_SECONDS in all (default 60)
#   make format  format the sources with .clang-format
#   make package the Debian package, the Windows zip and the Windows installer, in
#                build/packages (with the window for Windows when WINDOWS_GUI names its
#                deployed folder)

JOBS ?= $(shell nproc 2>/dev/null || echo 2)
FUZZ_SECONDS ?= 60
TSAN_REPEAT ?= 20
OUT ?= out
PACKAGES ?= build/packages
# The window's deployed Windows folder, when make windows-gui has laid one out.
WINDOWS_GUI ?= $(wildcard build/windows-gui/deploy)

.PHONY: deps run test tsan windows windows-gui bench fuzz format package clean

deps:
	@scripts/install-deps

run: deps
	cmake --preset release >/dev/null
	cmake --build build/release -j $(JOBS)
	scripts/run-main build/release $(OUT)

test: deps
	cmake --preset asan
	cmake --build build/asan -j $(JOBS)
	QT_QPA_PLATFORM=offscreen ctest --test-dir build/asan --output-on-failure -j $(JOBS)

tsan: deps
	cmake --preset tsan
	cmake --build build/tsan -j $(JOBS) --target jobs_tests
	TSAN_OPTIONS=halt_on_error=1 build/tsan/tests/jobs_tests --gtest_repeat=$(TSAN_REPEAT) --gtest_brief=1

windows: deps
	scripts/build-spng-mingw build/windows
	cmake --preset windows
	cmake --build build/windows -j $(JOBS)
	scripts/run-windows build/windows

# The Qt prefix is printed by the script that builds it (or finds it in its cache).
windows-gui: deps
	scripts/build-spng-mingw build/windows
	TINTWELL_QT_PREFIX=$$(scripts/build-qt-mingw) && export TINTWELL_QT_PREFIX && \
	cmake --preset windows-gui && \
	cmake --build build/windows-gui -j $(JOBS)
	scripts/run-windows-gui build/windows-gui

bench: deps
	cmake --preset release
	cmake --build build/release -j $(JOBS)
	build/release/bench/tintwell_bench
	bench/batch.sh build/release/src/app/tintwell-cli
	QT_QPA_PLATFORM=offscreen build/release/bench/tintwell-window-bench colors build/release/window-bench

fuzz: deps
	cmake --preset fuzz
	cmake --build build/fuzz -j $(JOBS)
	fuzz/run.sh build/fuzz $(FUZZ_SECONDS)

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

package: deps
	cmake --preset package >/dev/null
	cmake --build build/package -j $(JOBS)
	cpack --config build/package/CPackConfig.cmake -B $(PACKAGES)
	scripts/build-spng-mingw build/windows
	cmake --preset windows >/dev/null
	cmake --build build/windows -j $(JOBS) --target tintwell-cli
	scripts/package-windows $(PACKAGES) build/windows/src/app $(WINDOWS_GUI)

clean:
	rm -rf build $(OUT)
