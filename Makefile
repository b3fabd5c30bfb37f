# Two commands on a fresh Debian 12 machine: `make run` and `make test`.
BUILD ?= build
# ON turns compiler warnings into errors (CI: .ci/run).
QUILLON_WERROR ?= OFF

.PHONY: all deps build run test bench package fuzz format clean

all: build

deps:
	bash scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLON_WERROR=$(QUILLON_WERROR)
	cmake --build $(BUILD)

run: build
	cd $(BUILD) && ./quillon

test: build
	bash scripts/run-tests.sh $(BUILD)

bench: build
	cmake --build $(BUILD) --target benchmarks
	bash scripts/pg-bench.sh $(BUILD)

# A .deb in $(BUILD): apt install ./$(BUILD)/quillon_*.deb
package: build
	cmake --build $(BUILD) --target package

# libFuzzer on the workbook readers (clang, libclang-rt-14-dev), seeded by the
# project's own writers; FUZZ_SECONDS long, 5 s per input, 500 MB at most.
FUZZ_SECONDS ?= 600
fuzz: build
	cmake --build $(BUILD) --target fuzz_workbook
	$(BUILD)/tests/fuzz_workbook --write-corpus $(BUILD)-fuzz/corpus
	CC=clang CXX=clang++ cmake -S . -B $(BUILD)-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLON_LIBFUZZER=ON
	cmake --build $(BUILD)-fuzz --target fuzz_workbook
	ASAN_OPTIONS=detect_leaks=0 $(BUILD)-fuzz/tests/fuzz_workbook -max_total_time=$(FUZZ_SECONDS) \
		-timeout=5 -rss_limit_mb=500 -malloc_limit_mb=500 $(BUILD)-fuzz/corpus

# Rewrites the C++ sources to .clang-format.
format:
	bash scripts/check-format.sh --fix

clean:
	rm -rf $(BUILD)
