# procsweep: build, test and demonstrate the Windows executable from Linux (mingw-w64 + Wine).
# On Windows, use CMake directly (see README.md).

BUILD_DIR ?= build
CMAKE_FLAGS ?=
PACKAGES := g++-mingw-w64-x86-64 mingw-w64-tools wine64 cmake ninja-build googletest python3
# Each tool, and the package that brings it.
TOOLS := x86_64-w64-mingw32-g++-posix:g++-mingw-w64-x86-64 x86_64-w64-mingw32-windres:mingw-w64-tools \
	wine:wine64 cmake:cmake ninja:ninja-build python3:python3

.PHONY: all deps configure build test demo bench clean

all: build

deps:
	@missing=""; \
	for pair in $(TOOLS); do \
	  command -v "$${pair%%:*}" >/dev/null 2>&1 || missing="$$missing $${pair##*:}"; \
	done; \
	[ -f /usr/src/googletest/CMakeLists.txt ] || missing="$$missing googletest"; \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" -ne 0 ]; then \
	    echo "Missing:$$missing. Install them as root with:"; \
	    echo "  apt-get update && apt-get install -y$$missing"; \
	    exit 1; \
	  fi; \
	  echo "Installing:$$missing"; \
	  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq$$missing >/dev/null; \
	fi

$(BUILD_DIR)/build.ninja: | deps
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-posix.cmake $(CMAKE_FLAGS)

configure: $(BUILD_DIR)/build.ninja

build: configure
	cmake --build $(BUILD_DIR)

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure

demo: build
	@bash tools/demo.sh $(BUILD_DIR)

bench: build
	@python3 tools/bench.py $(BUILD_DIR)

clean:
	rm -rf $(BUILD_DIR)
