# Convenience front end: set-up, build, run, test.
BUILD ?= build
JOBS ?= 2

.PHONY: all setup configure build run test bench install uninstall clean

all: build

setup:
	@./scripts/setup

configure: setup
	@[ -f $(BUILD)/CMakeCache.txt ] || cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/hadrel/hadrel

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# PREFIX defaults to ~/.local; e.g. make install PREFIX=/usr/local (as root) for everyone.
PREFIX ?= $(HOME)/.local

install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

uninstall: configure
	cmake --build $(BUILD) --target uninstall

clean:
	rm -rf $(BUILD)
