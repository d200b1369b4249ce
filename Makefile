# The newcomer's contract: `make run` and `make test` on a fresh Debian 12 machine.
BUILD ?= build
MAKEFLAGS += --no-print-directory
JOBS ?= $(shell nproc)

.PHONY: run test deps build screenshot asan fuzz bench format clean

deps:
	@scripts/install-deps

build: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(BUILD) -j$(JOBS)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

run: build
	@scripts/run $(BUILD)

# The pictures of docs/screenshots, taken on a virtual screen.
screenshot: build
	@scripts/screenshot $(BUILD)

# The core tests once more under AddressSanitizer and UndefinedBehaviorSanitizer.
asan: deps
	@cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVA_SANITIZE=ON >/dev/null
	@cmake --build build-asan -j$(JOBS)
	@cd build-asan && ctest --output-on-failure -j$(JOBS)

# libFuzzer targets (clang, ASan + UBSan); run one with e.g.
#   build-fuzz/fuzz/fuzz_bmp -max_total_time=300 corpus/
# adding fuzz/seeds/<target> after the corpus for a target that has hand-made seed files.
fuzz: deps
	@CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVA_FUZZ=ON \
	  -DORVA_TESTS=OFF -DORVA_CLI=OFF -DORVA_GUI=OFF >/dev/null
	@cmake --build build-fuzz -j$(JOBS)

bench: deps
	@cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DORVA_BENCH=ON >/dev/null
	@cmake --build build-bench -j$(JOBS)
	@build-bench/bench/orva_bench

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build build-asan build-fuzz build-bench
