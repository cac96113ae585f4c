# Front door: `make run` and `make test` do the whole set-up on a fresh Debian machine.
BUILD ?= build
ASAN_BUILD ?= build-asan
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

PREFIX ?= /usr/local

.PHONY: all deps deps-test build run test sanitize tidy install deb clean

all: build

# What building and running need; the tests' packages (Xvfb, Chromium, pandoc, GoogleTest, ...) come with make test.
deps:
	@./scripts/install-deps run

deps-test:
	@./scripts/install-deps test

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD)

run: build
	./$(BUILD)/src/dorvane

# Configured again, so that a GoogleTest installed since make run is found and the tests are built.
test: deps-test
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)
	cmake --build $(BUILD)
	cd $(BUILD) && ctest --output-on-failure -j2

# The Qt-free libraries and their tests under AddressSanitizer and UndefinedBehaviorSanitizer.
sanitize: deps-test
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DDV_SANITIZE=ON -DDV_WITH_QT=OFF
	cmake --build $(ASAN_BUILD)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=halt_on_error=1:detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 ctest --output-on-failure -j2

# clang-tidy (.clang-tidy) over the sources changed since main; TIDY_ALL=1 for all of src/. Not part of make test:
# it parses Qt again for every file and takes long on a small machine.
tidy: $(BUILD)/build.ninja
	TIDY_ALL=$(TIDY_ALL) ./tools/tidy.sh $(BUILD)

# Installs the programs, the resources, the desktop entry and the icon under $(PREFIX).
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# The Debian package dorvane_<version>_<arch>.deb, in $(BUILD).
deb: build
	cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
