# Set-up and build entry points over the CMake presets (CMakePresets.json); everything runs
# on a fresh Debian 12 machine and installs what it needs first.
#   make run     install, build, open the viewer on the bundled example
#   make test    install, build with sanitizers, run every test
#   make core    the Qt-free core alone: its libraries, tesqv-cli info/convert, its tests
#   make bench   optimised build, benchmarks on generated data (the big ones need 10 GB of
#                memory and write captures of 2 GB and 100 MB to the temporary folder once)
#   make fuzz    libFuzzer targets for FUZZ_SECONDS each (default 60)
#   make package the Debian package from the optimised build: build/release/tesqv_*.deb
#   make package-check  the package's files, desktop entry, metainfo, types and lintian
#   make test-repeat  the sanitizer suite three times over, four tests at a time: a test that
#                fails by chance fails here
#   make tsan    ThreadSanitizer build, the tests that start threads
#   make ci      what CI runs: test, the format check, core, tsan, an optimised build, the package
# WERROR=ON turns warnings into errors (CI sets it).

FUZZ_SECONDS ?= 60
WERROR ?= OFF
CONFIGURE = cmake --preset $(1) -DTESQV_WERROR=$(WERROR)

.PHONY: deps run test test-repeat core tsan release package package-check bench fuzz fuzz-build format \
	format-check ci checks install clean

deps:
	@scripts/install-deps.sh

release: deps
	$(call CONFIGURE,release)
	cmake --build --preset release

run: release
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then build/release/app/tesqv examples/demo.txt; \
	else echo "No display here: the example as text instead (tesqv-cli info)"; \
	     build/release/cli/tesqv-cli info examples/demo.txt; fi

test: deps
	$(call CONFIGURE,asan)
	cmake --build --preset asan
	ctest --preset asan

# More tests at once than there are cores, three rounds: a test that depends on another's
# files or settings, or on how threads are scheduled, shows here.
test-repeat: deps
	$(call CONFIGURE,asan)
	cmake --build --preset asan
	for round in 1 2 3; do ctest --preset asan -j4 || exit 1; done

# The tests that start threads, under ThreadSanitizer (Qt's own threads are left out:
# tests/tsan.supp).
tsan: deps
	$(call CONFIGURE,tsan)
	cmake --build --preset tsan
	ctest --preset tsan

# Configured as if Qt were not installed: the core must not look for it.
core: deps
	$(call CONFIGURE,core) -DCMAKE_DISABLE_FIND_PACKAGE_Qt6=ON
	cmake --build --preset core
	ctest --preset core

bench:
	@scripts/install-deps.sh bench
	$(call CONFIGURE,bench)
	cmake --build --preset bench
	build/bench/bench/tesqv-bench
	build/bench/bench/tesqv-bench-big curves 2 100000000
	build/bench/bench/tesqv-bench-big curves 8 100000000
	build/bench/bench/tesqv-bench-big info build/bench/cli/tesqv-cli \
		$${TMPDIR:-/tmp}/tesqv-bench-100M.osc 100000000
	build/bench/bench/tesqv-bench-big osc $${TMPDIR:-/tmp}/tesqv-bench-2G.osc 2000000000
	bench/live_window.sh build/bench/bench/tesqv-bench-live osc $${TMPDIR:-/tmp}/tesqv-bench-2G.osc
	bench/live_window.sh build/bench/bench/tesqv-bench-live curves 8 100000000

# make -j2 fuzz runs two targets at a time, each under an RSS limit: a reader whose memory
# follows what a header claims rather than what the file holds is a finding. Captures get
# room for seeds past the 65,536-sample pieces.
FUZZ_TARGETS := text_reader capture command csv wav
FUZZ_MAX_LEN_capture := 131072
fuzz: $(addprefix fuzz-,$(FUZZ_TARGETS))

fuzz-build:
	@scripts/install-deps.sh fuzz
	$(call CONFIGURE,fuzz)
	cmake --build --preset fuzz

fuzz-%: fuzz-build
	@mkdir -p fuzz/corpus/$*
	@echo "fuzz_$*: $(FUZZ_SECONDS) s, log in build/fuzz/fuzz_$*.log"
	@build/fuzz/fuzz/fuzz_$* -max_total_time=$(FUZZ_SECONDS) -max_len=$(or $(FUZZ_MAX_LEN_$*),4096) \
	    -timeout=10 -rss_limit_mb=1024 -malloc_limit_mb=1024 \
	    fuzz/corpus/$* fuzz/seeds/$* > build/fuzz/fuzz_$*.log 2>&1; rc=$$?; tail -n 1 build/fuzz/fuzz_$*.log; exit $$rc

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

format-check:
	@scripts/install-deps.sh ci
	clang-format --dry-run --Werror $$(git ls-files '*.cpp' '*.h')

# Installs into PREFIX (default /usr/local): tesqv and tesqv-cli, the desktop entry, the icon,
# the file types, the metainfo, the manual pages and the bash completion.
PREFIX ?= /usr/local
install: release
	cmake --install build/release --prefix "$(PREFIX)"

# The packaging tools come first: the build looks for help2man when it is configured. An
# older version's package left behind would be taken for this one's.
package:
	@scripts/install-deps.sh package
	$(MAKE) release
	rm -f build/release/tesqv_*.deb
	cmake --build --preset release --target package

package-check: package
	scripts/check-package.sh build/release/tesqv_*.deb

ci: test checks

# What CI runs after the README's test command.
checks: format-check core tsan release
	build/release/cli/tesqv-cli info examples/demo.txt > /dev/null
	$(MAKE) package-check

clean:
	rm -rf build
