# Two commands on a fresh Debian 12 machine: `make run` and `make test`.
BUILD ?= build

.PHONY: all deps build run test bench package clean

all: build

deps:
	bash scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
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

clean:
	rm -rf $(BUILD)
