# procsweep: build, test and demonstrate the Windows executable from Linux (mingw-w64 + Wine).
# On Windows, use CMake directly (see README.md).

BUILD_DIR ?= build
CMAKE_FLAGS ?=
.PHONY: all deps configure build test demo bench clean clang-deps clang-check

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

# The second compiler: every source file of the tool through Clang for the same Windows target,
# with its warnings as errors. Clang does not find MinGW's C++ headers by itself; they are looked
# up when the target runs, after deps has installed them.
CLANG_CXX ?= clang++
MINGW_CXX_INCLUDE ?= $(lastword $(sort $(wildcard /usr/lib/gcc/x86_64-w64-mingw32/*-posix/include/c++)))
CLANG_CHECK_FLAGS = --target=x86_64-w64-mingw32 -std=c++20 -fsyntax-only \
	-isystem $(MINGW_CXX_INCLUDE) -isystem $(MINGW_CXX_INCLUDE)/x86_64-w64-mingw32 \
	-Isrc -DUNICODE -D_UNICODE -DWIN32_LEAN_AND_MEAN -DNOMINMAX -D_WIN32_WINNT=0x0601 \
	-fno-exceptions -fno-threadsafe-statics \
	-Wall -Wextra -Wpedantic -Wshadow-all -Wconversion -Wno-sign-conversion \
	-Wimplicit-fallthrough -Wunreachable-code-aggressive -Wextra-semi -Werror

# deps, and Clang: a prerequisite of its own, as a recipe's lines are expanded before the first
# runs, and the MinGW headers must be there by then.
clang-deps:
	@bash tools/deps.sh $(CLANG_CXX):clang

clang-check: clang-deps
	@failed=""; \
	for source in $$(find src -name '*.cpp' | sort); do \
	  $(CLANG_CXX) $(CLANG_CHECK_FLAGS) "$$source" || failed="$$failed $$source"; \
	done; \
	if [ -n "$$failed" ]; then echo "clang-check failed:$$failed"; exit 1; fi; \
	echo "clang-check: every source file compiles warning-free with $(CLANG_CXX)"

demo: build
	@bash tools/demo.sh $(BUILD_DIR)

bench: build
	@python3 tools/bench.py $(BUILD_DIR)

clean:
	rm -rf $(BUILD_DIR)

# A release: procsweep.exe built from a clean copy of HEAD into dist/, with its SHA-256, and
# signed with Authenticode when a certificate is given (SIGN_PKCS12, or SIGN_CERT and SIGN_KEY;
# SIGN_PASSWORD or SIGN_PASSWORD_FILE; SIGN_TIMESTAMP_URL). See README.md, "Releases".
DIST_DIR ?= dist

.PHONY: release
release: deps
	@python3 tools/release.py --dist $(DIST_DIR)
