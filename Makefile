# procsweep: build, test and demonstrate the Windows executable from Linux (mingw-w64 + Wine).
# On Windows, use CMake directly (see README.md).

BUILD_DIR ?= build
CMAKE_FLAGS ?=
# Each tool, and the package that brings it.
TOOLS := x86_64-w64-mingw32-g++-posix:g++-mingw-w64-x86-64 x86_64-w64-mingw32-windres:mingw-w64-tools \
	wine:wine64 cmake:cmake ninja:ninja-build python3:python3 makensis:nsis node:nodejs npm:npm

.PHONY: all deps configure build test demo bench clean clang-check

all: build

deps:
	@missing=""; \
	for pair in $(TOOLS); do \
	  command -v "$${pair%%:*}" >/dev/null 2>&1 || missing="$$missing $${pair##*:}"; \
	done; \
	[ -f /usr/src/googletest/CMakeLists.txt ] || missing="$$missing googletest"; \
	# NSIS's installers and Inno Setup's compiler are 32-bit Windows programs: they need \
	# Debian's 32-bit Wine beside wine64, from the i386 architecture. \
	dpkg-query -W -f='$${Status}' wine32:i386 2>/dev/null | grep -q ' installed$$' || \
	  missing="$$missing wine32:i386"; \
	i386=""; \
	case "$$missing" in *:i386*) \
	  dpkg --print-foreign-architectures | grep -qx i386 || i386="dpkg --add-architecture i386";; \
	esac; \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" -ne 0 ]; then \
	    echo "Missing:$$missing. Install them as root with:"; \
	    echo "  $${i386:+$$i386 && }apt-get update && apt-get install -y$$missing"; \
	    exit 1; \
	  fi; \
	  echo "Installing:$$missing"; \
	  if [ -n "$$i386" ]; then $$i386; fi; \
	  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq$$missing >/dev/null; \
	fi
	@# Inno Setup's compiler for the installer tests: the npm package pinned in package-lock.json.
	@if [ ! node_modules/.package-lock.json -nt package-lock.json ]; then \
	  echo "Installing the npm packages of package-lock.json (npm ci)"; \
	  npm ci --no-audit --no-fund --loglevel=error; \
	fi

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

clang-check: deps
	@if ! command -v $(CLANG_CXX) >/dev/null 2>&1; then \
	  if [ "$$(id -u)" -ne 0 ]; then \
	    echo "Missing: clang. Install it as root with:"; \
	    echo "  apt-get update && apt-get install -y clang"; \
	    exit 1; \
	  fi; \
	  echo "Installing: clang"; \
	  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq clang >/dev/null; \
	fi
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
# osslsigncode signs; openssl makes the throwaway certificate of the release test.
TOOLS += osslsigncode:osslsigncode openssl:openssl
DIST_DIR ?= dist

.PHONY: release
release: deps
	@python3 tools/release.py --dist $(DIST_DIR)
