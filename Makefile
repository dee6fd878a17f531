# Set-up and build entry points; everything runs on a fresh Debian 12 machine.
#   make run    install, build, open the viewer on the bundled example
#   make test   install, build with sanitizers, run every test
#   make bench  optimised build, benchmarks on generated data
#   make fuzz   libFuzzer targets for FUZZ_SECONDS each (default 60)

JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 60
CMAKE_GEN := -G Ninja

.PHONY: deps run test bench fuzz fuzz-build format clean

deps:
	@scripts/install-deps.sh

build/release/build.ninja: | deps
	@cmake -S . -B build/release $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DTESQV_TESTS=OFF >/dev/null

run: deps build/release/build.ninja
	@cmake --build build/release -j $(JOBS) >/dev/null
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then build/release/app/tesqv examples/demo.txt; \
	else echo "No display here: the example as text instead (tesqv-cli info)"; \
	     build/release/cli/tesqv-cli info examples/demo.txt; fi

test: deps
	@cmake -S . -B build/asan $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DTESQV_SANITIZE=ON -DTESQV_TESTS=ON >/dev/null
	@cmake --build build/asan -j $(JOBS)
	ctest --test-dir build/asan --output-on-failure --no-tests=error -j $(JOBS)

bench:
	@scripts/install-deps.sh bench
	@cmake -S . -B build/bench $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DTESQV_TESTS=OFF -DTESQV_BENCH=ON >/dev/null
	@cmake --build build/bench -j $(JOBS)
	build/bench/bench/tesqv-bench

# make -j2 fuzz runs two targets at a time.
FUZZ_TARGETS := text_reader capture command
fuzz: $(addprefix fuzz-,$(FUZZ_TARGETS))

fuzz-build:
	@scripts/install-deps.sh fuzz
	@CXX=clang++ cmake -S . -B build/fuzz $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESQV_TESTS=OFF -DTESQV_FUZZ=ON >/dev/null
	@cmake --build build/fuzz -j $(JOBS)

fuzz-%: fuzz-build
	@mkdir -p fuzz/corpus/$*
	@echo "fuzz_$*: $(FUZZ_SECONDS) s, log in build/fuzz/fuzz_$*.log"
	@build/fuzz/fuzz/fuzz_$* -max_total_time=$(FUZZ_SECONDS) -max_len=4096 -timeout=10 \
	    fuzz/corpus/$* fuzz/seeds/$* > build/fuzz/fuzz_$*.log 2>&1; rc=$$?; tail -n 1 build/fuzz/fuzz_$*.log; exit $$rc

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf build
