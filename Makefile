# Convenience front end: set-up, build, run, test.
BUILD ?= build
JOBS ?= 2

.PHONY: all setup configure build run test bench install uninstall deb clean

all: build

setup:
	@./scripts/setup

configure: setup
	@[ -f $(BUILD)/CMakeCache.txt ] || cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# Only what the program needs (the two programs and their help pages), not the tests.
run: configure
	@cmake --build $(BUILD) -j $(JOBS) --target hadrel hadrelwipe
	./$(BUILD)/hadrel/hadrel

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# Measures the scan, the list, a page change and start-up on 10,000 and 100,000 generated
# skins (a few minutes; about 1 GB of directory entries in $TMPDIR while it runs).
bench: configure
	@cmake --build $(BUILD) -j $(JOBS) --target hadrel_bench hadrel
	./$(BUILD)/bench/hadrel_bench --report $(BUILD)/bench/last.md

# PREFIX defaults to ~/.local; e.g. make install PREFIX=/usr/local (as root) for everyone.
PREFIX ?= $(HOME)/.local

install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

uninstall: configure
	cmake --build $(BUILD) --target uninstall

# The Debian package: $(BUILD)/hadrel_<version>_<arch>.deb, installed as for PREFIX=/usr.
deb: build
	@cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD)
