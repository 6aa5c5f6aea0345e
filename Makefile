# procsweep: build, test and demonstrate the Windows executable from Linux (mingw-w64 + Wine).
# On Windows, use CMake directly (see docs/development.md).

BUILD_DIR ?= build
CMAKE_FLAGS ?=
.PHONY: all deps configure build test unit e2e demo bench clean clang-deps clang-check

all: build

deps:
	@bash tools/deps.sh

$(BUILD_DIR)/build.ninja: | deps
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-posix.cmake $(CMAKE_FLAGS)

configure: $(BUILD_DIR)/build.ninja

build: configure
	cmake --build $(BUILD_DIR)

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure

# The edit loop: one layer of tests, building only what it runs.
unit: configure
	cmake --build $(BUILD_DIR) --target procsweep_unit_tests
	cd $(BUILD_DIR) && ctest -R '^unit$$' --output-on-failure

e2e: configure
	cmake --build $(BUILD_DIR) --target procsweep fixture_app
	cd $(BUILD_DIR) && ctest -R '^e2e$$' --output-on-failure

# The second compiler: every source file of the tool through Clang for the same Windows target,
# with the flags CMake gives GCC (compile_commands.json) and its warnings as errors.
CLANG_CXX ?= clang++

# What deps installs, and Clang.
clang-deps:
	@bash tools/deps.sh $(CLANG_CXX):clang

$(BUILD_DIR)/compile_commands.json: $(BUILD_DIR)/build.ninja
	cmake $(BUILD_DIR)

clang-check: clang-deps $(BUILD_DIR)/compile_commands.json
	@python3 tools/clang_check.py --compiler $(CLANG_CXX) $(BUILD_DIR)

demo: build
	@PROCSWEEP_BUILD_DIR=$(abspath $(BUILD_DIR)) python3 -m tools.demo

# BENCH_FLAGS: options of python3 -m tools.bench, e.g. --baseline COMMIT (see tools/bench/).
BENCH_FLAGS ?=
bench: build
	@python3 -m tools.bench --build $(BUILD_DIR) $(BENCH_FLAGS)

# The guide's pictures of the installers waiting and asking (docs/images/), taken on a
# virtual X screen (Xvfb) with xwd; see tests/electron_builder/screenshots.py.
.PHONY: screenshots
screenshots: build
	@bash tools/deps.sh Xvfb:xvfb xwd:x11-apps xwininfo:x11-utils
	@PROCSWEEP_BUILD_DIR=$(abspath $(BUILD_DIR)) python3 -m tests.electron_builder.screenshots

clean:
	rm -rf $(BUILD_DIR)

# A release: procsweep.exe built from a clean copy of HEAD into dist/, with its SHA-256, and
# signed with Authenticode when a certificate is given (SIGN_PKCS12, or SIGN_CERT and SIGN_KEY;
# SIGN_PASSWORD or SIGN_PASSWORD_FILE; SIGN_TIMESTAMP_URL). See docs/development.md, "Releases".
DIST_DIR ?= dist

# Building and packing need the cross compiler, CMake, Ninja, Python 3 and npm only; signing
# needs osslsigncode, when a certificate is given.
.PHONY: release-deps
release-deps:
	@bash tools/deps.sh --package $(if $(SIGN_PKCS12)$(SIGN_CERT),osslsigncode:osslsigncode)

.PHONY: release
release: release-deps
	@python3 tools/release.py --dist $(DIST_DIR)

# The npm package: make release's build, packed with the package's other files into
# dist/procsweep-<version>.tgz (npm pack). See docs/development.md, "The npm package".
.PHONY: package
package: release-deps
	@python3 -m tools.package --dist $(DIST_DIR)
